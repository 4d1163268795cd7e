// Colour stippling: the size ranges by density, and the clipped path against the plain one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "stipple/reference_stippling.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

const _pixel WHITE(255, 255, 255, 255);
const _pixel RED(255, 0, 0, 255);

void colour_stipple(_texture& out, const _stipple_settings& settings, _image halftone,
                    _image borders, _texture source, _image** dots, int scale = 1) {
  stipple_colour(out, settings, halftone, borders, source, dots, scale);
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

// The clipped path against the per-sample one on photographs prepared for A9, inked red or from
// the photograph cut short to exercise the colour memory. Sheets of 7 cells leave some variants
// beyond the sheet, whose samples are skipped.
TEST(ColorStippling, ClippedPathEqualsPerSamplePathOnPhotographs) {
  const _merging_function minimum = merging_minimum;
  // clang-format off
  struct { const char* photo; unsigned columns; int position; float borders_threshold;
           bool photo_colours; _stipple_settings settings; } cases[] = {
      {"camera.pgm", 11, resolution_300, 0.0f, false, {}},
      {"camera.pgm", 11, resolution_300, -1.5f, true,
       {.displacement = 0.5f, .high_density_min = 6, .contrast_threshold = 90,
        .merging_function = minimum}},
      {"coffee_gray.pgm", 7, resolution_600, 0.0f, true, {}},
      {"astronaut_gray.pgm", 11, resolution_1200, 0.5f, false, {.merging_function = minimum}}};
  // clang-format on
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.photo << ", " << c.position);
    auto sheets = noise_sheets(c.columns);
    _image original = resampled(c.photo, 620.0f), halftone = original, borders;
    halftone.halftoning_ostromoukhov();
    borders.getBorders(original, c.borders_threshold);
    _texture source = opaque(original.height, original.width, RED);
    if (c.photo_colours) {
      source = original;
      source.width -= 5;  // the last columns and rows are beyond the source
      source.height -= 7;
    }
    const int k = output_scale(c.position);
    _texture fast = opaque(original.height * 3 * k, original.width * 3 * k, WHITE), plain = fast;
    srandom(555);
    colour_stipple(fast, c.settings, halftone, borders, source, sheets.row(c.position), k);
    srandom(555);
    reference::color_stippling(plain, c.settings, k, halftone, borders, source,
                               sheets.row(c.position));
    EXPECT_EQ(differences(fast, plain), 0u);
  }
}

}  // namespace
}  // namespace stippon
