#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/texture.h"
#include "stipple/reference_stippling.h"
#include "stipple/stipple_fixtures.h"
#include "stipple/stipple_settings.h"

namespace stippon {
namespace {

using fixtures::filled;
using fixtures::max_difference;
using fixtures::opaque;
using fixtures::white;

const _pixel WHITE(255, 255, 255, 255);
const _pixel RED(255, 0, 0, 255);

void colour_stipple(_texture& out, const reference::_colour_run& run, _image& halftone,
                    _image& borders, _texture& source, _image** dots) {
  out.color_stippling(run.scale_factor, run.displacement_low, run.displacement, halftone, borders,
                      source, dots, run.variant_rows, run.variant_max_column, run.low_min,
                      run.low_max, run.high_min, run.high_max, run.contrast_threshold, 0, false,
                      127, run.output_scale, run.merging, distribution_normal);
}

// Sheets whose every cell is solid ink, so a dot shows its colour and its size plainly.
fixtures::_sheet_table ink_sheets() {
  fixtures::_sheet_table table;
  for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s)
    table.put(resolution_300, s, filled(s, 11 * s, 0.0f));
  return table;
}

// Grid spacing wider than any dot, no jitter: the dot of (r, c) covers (10r, 10c) onwards.
reference::_colour_run spaced_run() {
  reference::_colour_run run;
  run.scale_factor = 10.0f;
  run.displacement = 0.0f;
  return run;
}

TEST(Density, MeanOfTheNeighboursInside) {
  _image halftone = filled(3, 4, 255.0f);
  halftone.put(0u, 0u, 0.0f);
  halftone.put(1u, 2u, 0.0f);
  struct {
    const char* name;
    unsigned row, column;
    float expected;
  } cases[] = {{"corner (0, 0): four samples", 0, 0, 765.0f / 4},
               {"edge (0, 2): six samples", 0, 2, 1275.0f / 6},
               {"inside (1, 1): nine samples", 1, 1, 1785.0f / 9},
               {"far corner (2, 3)", 2, 3, 765.0f / 4}};
  for (const auto& c : cases) EXPECT_EQ(halftone.density(c.row, c.column), c.expected) << c.name;
  EXPECT_EQ(filled(1, 1, 0.0f).density(0, 0), 0.0f);
}

TEST(ColorStippling, WhiteInputsLeaveTheTargetAndTheGeneratorAlone) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = white(6, 5), borders = white(6, 5);
  _texture source = opaque(6, 5, RED);
  _texture out = opaque(18, 15, WHITE);
  srandom(17);
  colour_stipple(out, {}, halftone, borders, source, sheets.row(resolution_300));
  EXPECT_EQ(max_difference(out, opaque(18, 15, WHITE)), 0);
  const long next = ::random();
  srandom(17);
  EXPECT_EQ(next, ::random());
}

// The walk starts at the top row, does not reseed, and each dot costs five draws: size, two
// jitters, variant column, variant row. The expected dots are worked out from the generator.
TEST(ColorStippling, TopRowFirstFiveDrawsPerDotNoReseeding) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = filled(2, 1, 0.0f), borders = white(2, 1);
  _texture source = opaque(2, 1, _pixel(40, 90, 200));
  reference::_colour_run run;
  run.displacement = 0.0f;
  run.contrast_threshold = 0;  // the low range, 4 .. 8.5
  _texture out = opaque(12, 12, WHITE);
  srandom(2024);
  colour_stipple(out, run, halftone, borders, source, sheets.row(resolution_300));
  const long after = ::random();

  srandom(2024);
  unsigned size[2], column[2];  // top dot, then bottom dot
  for (int dot = 0; dot < 2; ++dot) {
    size[dot] = unsigned(4.0f + 4.5f * RANDOM_UNIT * float(::random()));
    ::random();
    ::random();
    column[dot] = unsigned(0.0f + 10.9f * RANDOM_UNIT * float(::random()));
    ::random();
  }
  EXPECT_EQ(after, ::random());
  ASSERT_TRUE(size[0] != size[1] || column[0] != column[1]) << "pick a seed telling them apart";

  _texture expected = opaque(12, 12, WHITE);
  _image** dots = sheets.row(resolution_300);
  reference::put_dot(expected, 3, 0, size[0], 0, column[0], dots[size[0]], source.get(1, 0), 1,
                     merging_product);
  reference::put_dot(expected, 0, 0, size[1], 0, column[1], dots[size[1]], source.get(0, 0), 1,
                     merging_product);
  EXPECT_EQ(max_difference(out, expected), 0);
}

// Size 4 from the low range, 8 from the high one: a dot's extent tells which range it used.
std::vector<unsigned> dot_sizes(_image& halftone, _image& borders, unsigned short threshold) {
  auto sheets = ink_sheets();
  reference::_colour_run run = spaced_run();
  run.low_min = run.low_max = 4;
  run.high_min = run.high_max = 8;
  run.contrast_threshold = threshold;
  _texture source = opaque(halftone.height, halftone.width, RED);
  _texture out = opaque(halftone.height * 10, halftone.width * 10, WHITE);
  colour_stipple(out, run, halftone, borders, source, sheets.row(resolution_300));
  std::vector<unsigned> sizes;
  for (unsigned r = 0; r < halftone.height; ++r)
    for (unsigned c = 0; c < halftone.width; ++c) {
      const bool corner = out.get(10 * r, 10 * c) == RED;
      const bool far = out.get(10 * r + 7, 10 * c + 7) == RED;
      sizes.push_back(!corner ? 0 : far ? 8 : 4);
    }
  return sizes;
}

TEST(ColorStippling, DensityChoosesTheSizeRange) {
  // Halftone: left two columns black, right two white; row 0 column 3 is a lone border.
  _image halftone = white(3, 4);
  for (unsigned r = 0; r < 3; ++r)
    for (unsigned c = 0; c < 2; ++c) halftone.put(r, c, 0.0f);

  _image all_borders = filled(3, 4, 0.0f);
  std::vector<unsigned> expected;
  for (unsigned r = 0; r < 3; ++r)
    for (unsigned c = 0; c < 4; ++c) expected.push_back(halftone.density(r, c) >= 127 ? 4 : 8);
  EXPECT_EQ(dot_sizes(halftone, all_borders, 127), expected) << "a dot on every border pixel";

  _image one_border = white(3, 4);
  one_border.put(0u, 3u, 0.0f);
  EXPECT_EQ(dot_sizes(halftone, one_border, 0),
            std::vector<unsigned>({4, 4, 0, 4, 4, 4, 0, 0, 4, 4, 0, 0}))
      << "threshold 0: every dot from the low range";
  EXPECT_EQ(dot_sizes(halftone, one_border, 255),
            std::vector<unsigned>({8, 8, 0, 4, 8, 8, 0, 0, 8, 8, 0, 0}))
      << "threshold 255: halftone dots high, the border in white surroundings low";
}

// Beyond the colour source each kind of dot reuses the last colour it took; before any, four zero
// bytes, which the ramp turns into opaque black.
TEST(ColorStippling, ColourSourceSmallerThanTheHalftone) {
  auto sheets = ink_sheets();
  _image halftone = filled(3, 3, 0.0f);
  _image borders = white(3, 3);
  borders.put(1u, 2u, 0.0f);  // a border dot outside the source, before any border colour
  borders.put(0u, 0u, 0.0f);
  _texture source;
  source.dimensions(2, 2);
  source.create();
  source.put(0, 0, _pixel(10, 20, 30));
  source.put(0, 1, _pixel(40, 50, 60));
  source.put(1, 0, _pixel(70, 80, 90));
  source.put(1, 1, _pixel(100, 110, 120));
  _texture out = opaque(30, 30, WHITE);
  colour_stipple(out, spaced_run(), halftone, borders, source, sheets.row(resolution_300));

  const _pixel black(0, 0, 0, 255);
  const _pixel expected[3][3] = {
      {_pixel(10, 20, 30), _pixel(40, 50, 60), _pixel(40, 50, 60)},  // halftone memory
      {_pixel(70, 80, 90), _pixel(100, 110, 120), black},            // border memory empty
      {black, black, black}};                                        // top row walked first
  for (unsigned r = 0; r < 3; ++r)
    for (unsigned c = 0; c < 3; ++c)
      EXPECT_EQ(out.get(10 * r + 1, 10 * c + 1), expected[r][c]) << r << "," << c;
}

TEST(ColorStippling, BordersSmallerThanTheHalftoneCountAsWhite) {
  _image halftone = white(3, 3);
  _image borders = filled(1, 2, 0.0f);
  EXPECT_EQ(dot_sizes(halftone, borders, 127), std::vector<unsigned>({4, 4, 0, 0, 0, 0, 0, 0, 0}));
}

// The jitter pushes only up and right, within displacement x scale.
TEST(ColorStippling, OneSidedDisplacement) {
  auto sheets = ink_sheets();
  _image halftone = filled(4, 4, 0.0f), borders = white(4, 4);
  _texture source = opaque(4, 4, RED);
  reference::_colour_run run = spaced_run();
  run.displacement = 0.75f;
  run.output_scale = 2;
  run.low_min = run.low_max = run.high_min = run.high_max = 4;
  fixtures::_sheet_table scaled;
  scaled.put(resolution_300, 4, filled(8, 88, 0.0f));
  _texture out = opaque(90, 90, WHITE);
  colour_stipple(out, run, halftone, borders, source, scaled.row(resolution_300));
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 4; ++c) {
      SCOPED_TRACE(testing::Message() << r << "," << c);
      EXPECT_EQ(out.get(20 * r + 1, 20 * c + 1), RED);
      EXPECT_EQ(out.get(20 * r + 7, 20 * c + 7), RED);
      EXPECT_EQ(out.get(20 * r + 9, 20 * c + 9), WHITE) << "shifted by at most 1.5";
      if (r > 0) {
        EXPECT_EQ(out.get(20 * r - 1, 20 * c + 2), WHITE) << "never below";
      }
      if (c > 0) {
        EXPECT_EQ(out.get(20 * r + 2, 20 * c - 1), WHITE) << "never left";
      }
    }
}

TEST(TexturePutDot, SweepMatchesPerSampleMergeAndStaysInsideItsSquare) {
  const unsigned rows = 8, columns = 6, guard = 40;
  _image sheet = fixtures::noise_sheet(6, 11, 1, 21);
  _image* sheet_pointer = &sheet;
  const int n = 6;
  for (_merging_function merging : {merging_product, merging_minimum}) {
    for (int y = -n - 1; y <= int(rows) + 1; ++y) {
      for (int x = -n - 1; x <= int(columns) + 1; ++x) {
        SCOPED_TRACE(testing::Message() << "merging " << merging << " y=" << y << " x=" << x);
        _texture fast;
        fast.dimensions(rows, columns);
        fast.create();
        for (unsigned i = 0; i < rows * columns; ++i)
          fast.texels[i] = _pixel(i * 5 % 256, 200, i * 11 % 256, i % 7);
        fast.texels.resize(rows * columns + guard, _pixel(1, 2, 3, 4));  // sentinels
        const _texture ground = fast;
        _texture plain = fast;
        // Sizes 3 at scale 2 read the sheet's 6-sample cells; variant 10 is the last one.
        fast.put_dot(unsigned(y), unsigned(x), 3, 0, 10, sheet_pointer, _pixel(30, 160, 90, 0), 2,
                     merging);
        reference::put_dot(plain, unsigned(y), unsigned(x), 3, 0, 10, &sheet,
                           _pixel(30, 160, 90, 0), 2, merging);
        ASSERT_EQ(max_difference(fast, plain), 0);
        for (unsigned i = 0; i < fast.texels.size(); ++i) {
          if (fast.texels[i] == ground.texels[i]) continue;
          ASSERT_LT(i, rows * columns) << "sentinel overwritten";
          const int r = int(i / columns) - y, c = int(i % columns) - x;
          ASSERT_TRUE(r >= 0 && r < n && c >= 0 && c < n) << "changed outside the dot: " << i;
        }
      }
    }
  }
}

TEST(TexturePutDot, CellBeyondTheSheetLeavesTheTargetUnchanged) {
  _image sheet = filled(4, 6, 0.0f);  // one cell and two columns of a second
  _image* sheet_pointer = &sheet;
  _texture out = opaque(6, 6, WHITE);
  out.put_dot(0, 0, 4, 0, 1, sheet_pointer, RED, 1, merging_product);
  for (unsigned r = 0; r < 6; ++r)
    for (unsigned c = 0; c < 6; ++c)
      EXPECT_EQ(out.get(r, c), r < 4 && c < 2 ? RED : WHITE) << r << "," << c;
}

// --- the clipped path against the per-sample path on photographs ------------------------------

struct _photo_case {
  const char* photo;
  _merging_function merging;
  int position;
  float borders_threshold;
  bool photo_colours;  // ink from the photograph itself, cut short to exercise the memory
};

void PrintTo(const _photo_case& p, std::ostream* out) {
  *out << p.photo << ", merging " << p.merging << ", scale " << output_scale(p.position)
       << ", borders threshold " << p.borders_threshold
       << (p.photo_colours ? ", inked from a cut-down photograph" : ", red ink");
}

class PhotoColourStippling : public testing::TestWithParam<_photo_case> {};

TEST_P(PhotoColourStippling, ClippedPathEqualsPerSamplePath) {
  const _photo_case& p = GetParam();
  // A9 keeps the per-sample path quick.
  fixtures::_prepared prepared = fixtures::prepare(p.photo, 620.0f);
  ASSERT_GT(prepared.halftone.width, 0u);
  _image borders;
  borders.getBorders(prepared.original, p.borders_threshold);
  _texture source;
  if (p.photo_colours) {
    _texture grey;
    grey = prepared.original;
    source.dimensions(grey.height - 7, grey.width - 5);
    source.create();
    for (unsigned r = 0; r < source.height; ++r)
      for (unsigned c = 0; c < source.width; ++c) source.put(r, c, grey.get(r, c));
  } else {
    source = opaque(prepared.original.height, prepared.original.width, RED);
  }
  auto sheets = fixtures::noise_sheets();
  reference::_colour_run run;
  run.merging = p.merging;
  run.output_scale = output_scale(p.position);
  const unsigned k = unsigned(run.output_scale);
  _texture fast = opaque(prepared.output_height * k, prepared.output_width * k, WHITE);
  _texture plain = fast;
  srandom(555);
  colour_stipple(fast, run, prepared.halftone, borders, source, sheets.row(p.position));
  srandom(555);
  reference::color_stippling(plain, run, prepared.halftone, borders, source,
                             sheets.row(p.position));
  EXPECT_EQ(max_difference(fast, plain), 0);
}

const _photo_case PHOTO_CASES[] = {
    {"camera.pgm", merging_product, resolution_300, 0.0f, false},
    {"camera.pgm", merging_minimum, resolution_300, -1.5f, true},
    {"coffee_gray.pgm", merging_product, resolution_600, 0.0f, true},
    {"astronaut_gray.pgm", merging_minimum, resolution_1200, 0.5f, false},
};

INSTANTIATE_TEST_SUITE_P(Photographs, PhotoColourStippling, testing::ValuesIn(PHOTO_CASES),
                         [](const testing::TestParamInfo<_photo_case>& info) {
                           std::string name = info.param.photo;
                           name = name.substr(0, name.find_first_of("_."));
                           return name + "_" + std::to_string(info.index);
                         });

TEST(ColorStippling, SharedCallPassesTheSettings) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = fixtures::read_photo("gravel.pgm");
  ASSERT_GT(halftone.width, 0u);
  _image borders;
  borders.getBorders(halftone, 0.0f);
  halftone.halftoning_ostromoukhov();
  _stipple_settings settings;
  settings.displacement = 0.5f;
  settings.high_density_min = 6;
  settings.contrast_threshold = 90;
  settings.merging_function = merging_minimum;
  _texture source = opaque(halftone.height, halftone.width, _pixel(20, 40, 220));
  _texture shared = opaque(halftone.height * 3, halftone.width * 3, WHITE), direct = shared;
  srandom(9);
  stipple_colour(shared, settings, halftone, borders, source, sheets.row(resolution_300), 1);
  srandom(9);
  direct.color_stippling(3.0f, 0.0f, 0.5f, halftone, borders, source, sheets.row(resolution_300), 1,
                         10, 4, 8, 6, 8, 90, 50, false, 127, 1, merging_minimum,
                         distribution_random);
  EXPECT_EQ(max_difference(shared, direct), 0);
}

}  // namespace
}  // namespace stippon
