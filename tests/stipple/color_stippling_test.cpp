// Colour stippling: the ink ramps and the size ranges by density and borders, worked by hand. The
// banded print tests compare the whole of it with the plain per-sample stippling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "stipple/banded_print.h"
#include "stipple/color_ramp.h"
#include "stipple/dot_plan.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

const _pixel WHITE(255, 255, 255, 255);
const _pixel RED(255, 0, 0, 255);

// Colour stippling as the document makes it: a plan printed in bands into a texture whose row 0 is
// the bottom.
void colour_stipple(_texture& out, const _stipple_settings& settings, const _image& halftone,
                    const _image& borders, const _texture& source, _image** dots) {
  _random_stream stream;
  const _dot_plan plan = _dot_plan::colour(settings, halftone, borders, source, 1, stream);
  const _banded_print print(plan, dots, out.height, out.width, settings);
  print.print_colour(
      [&](const _pixel* texels, unsigned top, unsigned rows) {
        for (unsigned t = 0; t < rows; ++t)
          std::copy(texels + size_t(t) * out.width, texels + size_t(t + 1) * out.width,
                    out.texels.begin() + long(out.height - 1 - top - t) * out.width);
        return true;
      },
      WHITE);
}

// An ink's ramp runs from the ink, opaque, to white.
TEST(ColorRamp, FromAnInk) {
  const _color_ramp blue(_pixel(0, 0, 255, 0));
  EXPECT_EQ(blue.get_color(0), _pixel(0, 0, 255, 255));  // the ink, made opaque
  EXPECT_EQ(blue.get_color(51), _pixel(51, 51, 255, 255));
  // t in single precision, the blend in double, truncated.
  EXPECT_EQ(_color_ramp(_pixel(10, 20, 30)).get_color(100), _pixel(106, 112, 118, 255));
}

// Solid ink sheets. With a grid spacing of 10, wider than any dot, and no jitter, the dot of (r, c)
// covers (10r, 10c) onwards and shows its colour and its size plainly.
_sheet_table ink_sheets() {
  _sheet_table table;
  for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s)
    table.put(resolution_300, s, filled(s, 11 * s, 0.0f));
  return table;
}

// Size 4 from the low range, 8 from the high one: a dot's extent tells which range it used.
std::vector<unsigned> dot_sizes(const _image& halftone, const _image& borders, int threshold) {
  auto sheets = ink_sheets();
  _texture out = opaque(halftone.height * 10, halftone.width * 10, WHITE);
  _stipple_settings settings{.scale_factor = 10.0f, .displacement = 0.0f, .low_density_max = 4};
  settings.high_density_min = 8;
  settings.contrast_threshold = threshold;
  colour_stipple(out, settings, halftone, borders, opaque(halftone.height, halftone.width, RED),
                 sheets.row(resolution_300));
  std::vector<unsigned> sizes;
  for (unsigned i = 0; i < halftone.samples.size(); ++i) {
    const unsigned r = 10 * (i / halftone.width), c = 10 * (i % halftone.width);
    sizes.push_back(out.get(r, c) != RED ? 0 : out.get(r + 7, c + 7) == RED ? 8 : 4);
  }
  return sizes;
}

// Below the threshold the dots take the high range, and a border dot in white surroundings the
// low one.
TEST(ColorStippling, DensityChoosesTheSizeRange) {
  // Halftone: left two columns black, right two white; row 0 column 3 is a lone border.
  _image halftone = white(3, 4), one_border = white(3, 4);
  for (unsigned r = 0; r < 3; ++r) halftone.samples[4 * r] = halftone.samples[4 * r + 1] = 0.0f;
  one_border.put(0u, 3u, 0.0f);
  using sizes = std::vector<unsigned>;
  EXPECT_EQ(dot_sizes(halftone, filled(3, 4, 0.0f), 127),
            sizes({8, 8, 4, 4, 8, 8, 4, 4, 8, 8, 4, 4}))
      << "a dot on every border, high where the density is below 127";
  EXPECT_EQ(dot_sizes(halftone, one_border, 0), sizes({4, 4, 0, 4, 4, 4, 0, 0, 4, 4, 0, 0}))
      << "threshold 0: every dot from the low range";
  EXPECT_EQ(dot_sizes(halftone, one_border, 255), sizes({8, 8, 0, 4, 8, 8, 0, 0, 8, 8, 0, 0}))
      << "threshold 255: halftone dots high, the border in white surroundings low";
  EXPECT_EQ(dot_sizes(white(3, 3), filled(1, 2, 0.0f), 127), sizes({4, 4, 0, 0, 0, 0, 0, 0, 0}))
      << "borders smaller than the halftone count as white";
}

}  // namespace
}  // namespace stippon
