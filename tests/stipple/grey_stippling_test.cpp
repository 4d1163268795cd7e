#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "image/image.h"
#include "stipple/reference_stippling.h"
#include "stipple/stipple_fixtures.h"
#include "stipple/stipple_settings.h"

namespace stippon {
namespace {

using fixtures::filled;
using fixtures::marker_code;
using fixtures::max_difference;
using fixtures::white;

void seed_all(_image& image, int64_t seed) {
  for (_uniform_random& generator : image.random_generators) generator.seed = seed;
}

void stipple(_image& out, const reference::_grey_run& run, _image& halftone, _image** dots) {
  _image borders;
  out.stippling2(run.scale_factor, 0.0f, run.displacement, halftone, borders, dots,
                 run.variant_rows, run.variant_max_column, run.size_min, run.size_max, 4, 8, 127, 0,
                 run.black_white, run.black_level, run.output_scale, run.merging, run.distribution);
}

// --- put_dot ---------------------------------------------------------------------------------

struct _merge_case {
  const char* name;
  bool black_white;
  unsigned short black_level;
  _merging_function merging;
};

const _merge_case MERGES[] = {{"product", false, 127, merging_product},
                              {"minimum", false, 127, merging_minimum},
                              {"black and white", true, 100, merging_product}};

// Every position from wholly below/left of the raster to wholly above/right of it: the clipped
// dot must equal the per-sample one and touch nothing outside the raster or its own square.
TEST(PutDot, SweepMatchesPerSampleMergeAndStaysInsideItsSquare) {
  const unsigned rows = 9, columns = 7, guard = 64;
  struct _dot {
    unsigned size;
    int scale;
    unsigned sheet_columns;  // cells per sheet; variant 2 of a 2.5-cell sheet is cut short
    unsigned variant;
  };
  const _dot dots[] = {{4, 1, 11, 3}, {3, 2, 11, 10}, {6, 2, 11, 0}, {4, 1, 3, 2}};
  for (const _merge_case& merge : MERGES) {
    for (const _dot& dot : dots) {
      _image sheet = fixtures::noise_sheet(dot.size * dot.scale, dot.sheet_columns, 1, 7);
      if (dot.sheet_columns == 3) {  // keep two and a half cells
        std::vector<float> cut;
        const unsigned n = dot.size * dot.scale, keep = 2 * n + n / 2;
        for (unsigned r = 0; r < n; ++r)
          for (unsigned c = 0; c < keep; ++c) cut.push_back(sheet.get(r, c));
        sheet.set(int(n), int(keep), cut);
      }
      _image* sheet_pointer = &sheet;
      const int n = int(dot.size) * dot.scale;
      for (int y = -n - 1; y <= int(rows) + 1; ++y) {
        for (int x = -n - 1; x <= int(columns) + 1; ++x) {
          SCOPED_TRACE(testing::Message() << merge.name << " n=" << n << " y=" << y << " x=" << x);
          // Ground below white so every rule visibly merges; sentinels trail the raster.
          std::vector<float> ground(rows * columns + guard, -7.0f);
          for (unsigned i = 0; i < rows * columns; ++i) ground[i] = float(90 + (i * 37) % 166);
          _image fast;
          fast.set(int(rows), int(columns), ground);
          _image plain = fast;
          fast.put_dot(unsigned(y), unsigned(x), dot.size, 0, dot.variant, sheet_pointer,
                       merge.black_white, merge.black_level, dot.scale, merge.merging);
          reference::put_dot(plain, unsigned(y), unsigned(x), dot.size, 0, dot.variant, &sheet,
                             merge.black_white, merge.black_level, dot.scale, merge.merging);
          ASSERT_EQ(max_difference(fast, plain), 0.0f);
          for (unsigned i = 0; i < fast.samples.size(); ++i) {
            if (fast.samples[i] == ground[i]) continue;
            ASSERT_LT(i, rows * columns) << "sentinel " << i - rows * columns << " overwritten";
            const int r = int(i / columns) - y, c = int(i % columns) - x;
            ASSERT_TRUE(r >= 0 && r < n && c >= 0 && c < n) << "changed outside the dot: " << i;
          }
        }
      }
    }
  }
}

TEST(PutDot, CellBeyondTheSheetLeavesTheGroundUnchanged) {
  _image sheet = fixtures::noise_sheet(4, 1, 1, 3);  // one 4 x 4 cell
  std::vector<float> narrow;
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 6; ++c) narrow.push_back(c < 4 ? sheet.get(r, c) : 0.0f);
  _image six_wide;
  six_wide.set(4, 6, narrow);  // a second cell cut after two columns, black
  _image* one_cell = &sheet;
  _image* cut = &six_wide;

  struct {
    const char* name;
    _image*& sheet;
    unsigned variant_row, variant_column;
    unsigned changed_columns;
  } cases[] = {{"column past the sheet", one_cell, 0, 1, 0},
               {"row past the sheet", one_cell, 1, 0, 0},
               {"cell cut after two columns", cut, 0, 1, 2}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    _image out = white(6, 6);
    out.put_dot(1, 1, 4, c.variant_row, c.variant_column, c.sheet, false, 127, 1, merging_product);
    for (unsigned r = 0; r < 6; ++r)
      for (unsigned col = 0; col < 6; ++col) {
        const bool inked = r >= 1 && r < 5 && col >= 1 && col < 1 + c.changed_columns;
        EXPECT_EQ(out.get(r, col), inked ? 0.0f : 255.0f) << r << "," << col;
      }
  }
}

TEST(PutDot, OtherForms) {
  _image sheet = fixtures::noise_sheet(4, 11, 1, 5);
  _image* sheet_pointer = &sheet;
  _image* no_sheet = nullptr;

  _image single_row = filled(8, 8, 200.0f), general = single_row;
  single_row.put_dot(2u, 3u, 4u, 7u, sheet_pointer, false, 127, 1, merging_minimum);
  general.put_dot(2u, 3u, 4u, 0u, 7u, sheet_pointer, false, 127, 1, merging_minimum);
  EXPECT_EQ(max_difference(single_row, general), 0.0f) << "single variant row";

  _image untouched = filled(8, 8, 200.0f);
  untouched.put_dot(2u, 3u, 4u, 0u, 7u, no_sheet, false, 127, 1, merging_product);
  untouched.put_dot(2u, 3u, 4u, 0u, 7u, sheet_pointer, false, 127, 0, merging_product);
  untouched.put_dot(2u, 3u, 0u, 0u, 7u, sheet_pointer, false, 127, 1, merging_product);
  EXPECT_EQ(max_difference(untouched, filled(8, 8, 200.0f)), 0.0f) << "no sheet, scale 0, size 0";

  // The averaging form: a 3 x 3 square from (-1, 5) keeps rows 0..1 and columns 5..7.
  _image averaged = filled(4, 8, 100.0f);
  averaged.put_dot(unsigned(-1), 5u, 3u, 50.0f);
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 8; ++c)
      EXPECT_EQ(averaged.get(r, c), r <= 1 && c >= 5 ? 75.0f : 100.0f) << r << "," << c;
}

// --- stippling2 ------------------------------------------------------------------------------

TEST(Stippling2, WhiteHalftoneDrawsNothing) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = white(5, 4);
  _image out = white(15, 12);
  seed_all(out, 99);
  stipple(out, {}, halftone, sheets.row(resolution_300));
  EXPECT_EQ(max_difference(out, white(15, 12)), 0.0f);
  const long next = ::random();
  srandom(99);
  EXPECT_EQ(next, ::random()) << "no draw after load_seeds";
}

// Four dots of size 4 at the grid points of a 2 x 2 halftone; the shared bands merge twice.
TEST(Stippling2, TwoByTwoWithoutJitter) {
  fixtures::_sheet_table sheets;
  _image cell = fixtures::noise_sheet(4, 1, 1, 11);
  _image sheet;
  sheet.dimensions(4, 44);
  sheet.create(true);
  for (unsigned b = 0; b < 11; ++b)
    for (unsigned r = 0; r < 4; ++r)
      for (unsigned c = 0; c < 4; ++c) sheet.put(r, b * 4 + c, cell.get(r, c));
  sheets.put(resolution_300, 4, sheet);

  _image halftone = filled(2, 2, 0.0f);
  _image out = white(9, 9);
  seed_all(out, 5);
  reference::_grey_run run;
  run.displacement = 0.0f;
  run.size_min = run.size_max = 4;
  stipple(out, run, halftone, sheets.row(resolution_300));

  _image expected = white(9, 9);
  for (unsigned corner_row : {0u, 3u})
    for (unsigned corner_column : {0u, 3u})
      for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 4; ++j) {
          const float ground = expected.get(corner_row + i, corner_column + j);
          expected.put(corner_row + i, corner_column + j, (cell.get(i, j) * ground) / 255.0f);
        }
  EXPECT_EQ(max_difference(out, expected), 0.0f);
  EXPECT_EQ(out.get(7u, 7u), 255.0f);
}

TEST(Stippling2, SeedsDecideTheDots) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = fixtures::read_photo("camera.pgm");
  ASSERT_GT(halftone.width, 0u);
  halftone.halftoning_ostromoukhov();
  const unsigned rows = halftone.height * 3, columns = halftone.width * 3;
  _image first = white(rows, columns), second = white(rows, columns), other = first;
  seed_all(first, 1000);
  seed_all(second, 1000);
  seed_all(other, 1001);
  stipple(first, {}, halftone, sheets.row(resolution_300));
  stipple(second, {}, halftone, sheets.row(resolution_300));
  stipple(other, {}, halftone, sheets.row(resolution_300));
  EXPECT_EQ(max_difference(first, second), 0.0f);
  EXPECT_GT(max_difference(first, other), 0.0f);
}

TEST(Stippling2, SeedMembers) {
  _image image;
  const time_t before = time(nullptr);
  image.save_seeds();
  const time_t after = time(nullptr);
  for (const _uniform_random& generator : image.random_generators) {
    EXPECT_GE(generator.seed, before);
    EXPECT_LE(generator.seed, after);
  }

  for (int i = 0; i < 6; ++i) image.random_generators[i].seed = 100 + i;
  image.load_seeds();
  const long drawn = ::random();
  srandom(105);
  EXPECT_EQ(drawn, ::random()) << "generator 5's seed is handed to srandom last";

  image.random_generators[3].set_range(2.0f, 6.0f);
  _image copy;
  copy.copy_seeds(image);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(copy.random_generators[i].seed, 100 + i);
    EXPECT_EQ(copy.random_generators[i].low, image.random_generators[i].low);
    EXPECT_EQ(copy.random_generators[i].scale, image.random_generators[i].scale);
  }
}

// Corners of the marker dots in a stippled raster: position -> code (size and variant).
std::map<std::pair<unsigned, unsigned>, float> marker_corners(const _image& out) {
  std::map<std::pair<unsigned, unsigned>, float> corners;
  for (unsigned r = 0; r < out.height; ++r)
    for (unsigned c = 0; c < out.width; ++c)
      if (out.get(r, c) != 255.0f) corners[{r, c}] = out.get(r, c);
  return corners;
}

// The save repeats the preview: same sizes and variants, positions scaled before truncation.
TEST(Stippling2, SaveWithCopiedSeedsRepeatsThePreview) {
  auto sheets = fixtures::marker_sheets();
  // Black pixels four cells apart: 12 output pixels, more than a dot plus twice the jitter.
  _image halftone = white(20, 24);
  for (unsigned r = 1; r < 20; r += 4)
    for (unsigned c = 1; c < 24; c += 4) halftone.put(r, c, 0.0f);
  for (_random_distribution distribution : {distribution_random, distribution_normal}) {
    reference::_grey_run run;
    run.merging = merging_minimum;
    run.distribution = distribution;
    _image preview = white(60, 72);
    seed_all(preview, 4242 + distribution);
    stipple(preview, run, halftone, sheets.row(resolution_300));
    const auto expected = marker_corners(preview);
    ASSERT_EQ(expected.size(), 30u);

    for (int position : {resolution_600, resolution_1200}) {
      const int k = output_scale(position);
      SCOPED_TRACE(testing::Message() << "scale " << k << " distribution " << distribution);
      _image saved = white(60 * k, 72 * k);
      saved.copy_seeds(preview);
      run.output_scale = k;
      stipple(saved, run, halftone, sheets.row(position));
      // k * trunc(p) <= trunc(k * p) < k * (trunc(p) + 1) for a non-negative position p, so
      // dividing the saved corners by k must give back the preview's corners and codes.
      std::map<std::pair<unsigned, unsigned>, float> scaled_back;
      for (const auto& [corner, code] : marker_corners(saved))
        scaled_back[{corner.first / k, corner.second / k}] = code;
      EXPECT_EQ(scaled_back, expected);
    }
  }
}

// Sizes over many dots: marker sheets on a spacing wider than any dot.
std::map<unsigned, int> size_histogram(_random_distribution distribution) {
  auto sheets = fixtures::marker_sheets();
  _image halftone = filled(40, 40, 0.0f);
  reference::_grey_run run;
  run.scale_factor = 10.0f;
  run.displacement = 0.0f;
  run.distribution = distribution;
  _image out = white(400, 400);
  seed_all(out, 77);
  stipple(out, run, halftone, sheets.row(resolution_300));
  std::map<unsigned, int> histogram;
  for (const auto& [corner, code] : marker_corners(out)) {
    EXPECT_EQ(corner.first % 10, 0u);
    EXPECT_EQ(corner.second % 10, 0u);
    ++histogram[4 + unsigned(code - 10) / 20];
  }
  return histogram;
}

TEST(Stippling2, SizeDistributions) {
  const auto uniform = size_histogram(distribution_random);
  ASSERT_EQ(uniform.size(), 5u);
  for (unsigned s = 4; s <= 7; ++s) EXPECT_NEAR(uniform.at(s), 1600 / 4.5, 60) << s;
  EXPECT_NEAR(uniform.at(8), 1600 / 9.0, 45);

  const auto normal = size_histogram(distribution_normal);
  for (unsigned s : {5u, 6u, 7u}) {
    EXPECT_GT(normal.at(s), 3 * normal.at(4)) << s;
    EXPECT_GT(normal.at(s), 3 * normal.at(8)) << s;
  }
}

// A row jitter of -1/6 or less puts a dot of halftone row 0 at row -1: its first row is clipped
// and its second lands on row 0.
TEST(Stippling2, DotBelowTheFirstRowIsClippedNotMoved) {
  auto sheets = fixtures::noise_sheets();
  const float scale = 0.5f * RANDOM_UNIT;
  unsigned seed = 1;
  float u_row = 0.0f, u_column = 0.0f;
  unsigned size = 0, b = 0;
  for (;; ++seed) {
    srandom(seed);
    size = unsigned(4.0f + 4.5f * RANDOM_UNIT * float(::random()));
    u_row = -0.25f + scale * float(::random());
    u_column = -0.25f + scale * float(::random());
    b = unsigned(10.9f * RANDOM_UNIT * float(::random()));
    if (6.0f * u_row <= -1.0f && 6.0f * u_column >= 0.0f) break;
  }
  _image halftone = filled(1, 1, 0.0f);
  _image out = white(6, 12);
  seed_all(out, seed);
  stipple(out, {}, halftone, sheets.row(resolution_300));
  const unsigned x = unsigned(6.0f * u_column);
  const unsigned y = unsigned(int(6.0f * u_row));
  ASSERT_EQ(y, unsigned(-1));
  const _image& sheet = *sheets.row(resolution_300)[size];
  for (unsigned c = 0; c < 12; ++c) {
    const bool in_dot = c >= x && c < x + size;
    EXPECT_EQ(out.get(0u, c), in_dot ? sheet.get(1u, b * size + c - x) : 255.0f) << c;
  }
}

TEST(Stippling2, BlackLevelZeroKeepsTheOutputWhite) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = filled(6, 6, 0.0f);
  _image out = white(18, 18);
  reference::_grey_run run;
  run.black_white = true;
  run.black_level = 0;
  stipple(out, run, halftone, sheets.row(resolution_300));
  EXPECT_EQ(max_difference(out, white(18, 18)), 0.0f);
}

TEST(Stippling2, SharedCallPassesTheSettings) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = fixtures::read_photo("chelsea_gray.pgm");
  ASSERT_GT(halftone.width, 0u);
  halftone.halftoning_ostromoukhov();
  _stipple_settings settings;
  settings.displacement = 0.4f;
  settings.low_density_min = 5;
  settings.low_density_max = 7;
  settings.black_white = true;
  settings.black_level = 90;
  settings.random_distribution = distribution_normal;
  _image borders;
  _image shared = white(halftone.height * 3, halftone.width * 3), direct = shared;
  seed_all(shared, 31);
  seed_all(direct, 31);
  stipple_grey(shared, settings, halftone, borders, sheets.row(resolution_600), 2);
  direct.stippling2(3.0f, 0.0f, 0.4f, halftone, borders, sheets.row(resolution_600), 1, 10, 5, 7, 4,
                    8, 127, 50, true, 90, 2, merging_product, distribution_normal);
  EXPECT_EQ(max_difference(shared, direct), 0.0f);
}

// --- the clipped path against the per-sample path on halftoned photographs --------------------

struct _photo_case {
  const char* photo;
  float target_width;
  _merging_function merging;
  bool black_white;
  _random_distribution distribution;
  int position;
  float displacement;
  unsigned sheet_columns;  // fewer than 11 cells: some variants fall beyond the sheet; 0 for
                           // the library's own sheets
};

void PrintTo(const _photo_case& p, std::ostream* out) {
  *out << p.photo << " at " << p.target_width << " px, merging " << p.merging
       << (p.black_white ? ", black and white" : "") << ", distribution " << p.distribution
       << ", scale " << output_scale(p.position) << ", displacement " << p.displacement << ", "
       << (p.sheet_columns == 0 ? std::string("library sheets")
                                : std::to_string(p.sheet_columns) + " cells");
}

class PhotoStippling : public testing::TestWithParam<_photo_case> {};

TEST_P(PhotoStippling, ClippedPathEqualsPerSamplePath) {
  const _photo_case& p = GetParam();
  const fixtures::_prepared prepared = fixtures::prepare(p.photo, p.target_width);
  ASSERT_GT(prepared.halftone.width, 0u);
  fixtures::_sheet_table sheets;
  if (p.sheet_columns == 0) {
    testing::internal::CaptureStdout();
    const bool complete = fixtures::library_sheets(sheets);
    testing::internal::GetCapturedStdout();
    if (!complete) GTEST_SKIP() << "the dot library is not in the data folder";
  } else {
    sheets = fixtures::noise_sheets(p.sheet_columns);
  }
  reference::_grey_run run;
  run.merging = p.merging;
  run.black_white = p.black_white;
  run.distribution = p.distribution;
  run.output_scale = output_scale(p.position);
  run.displacement = p.displacement;
  const unsigned k = unsigned(run.output_scale);
  _image fast = white(prepared.output_height * k, prepared.output_width * k);
  seed_all(fast, 20240601);
  _image plain = fast;
  plain.copy_seeds(fast);
  _image halftone = prepared.halftone;
  stipple(fast, run, halftone, sheets.row(p.position));
  reference::stippling2(plain, run, prepared.halftone, sheets.row(p.position));
  EXPECT_EQ(max_difference(fast, plain), 0.0f);
  EXPECT_LT(fast.mean(), 250.0f) << "the photograph was stippled";
}

// A8 keeps the per-sample path quick; the wide displacement throws dots off every edge.
const _photo_case PHOTO_CASES[] = {
    {"camera.pgm", 876, merging_product, false, distribution_random, resolution_300, 0.25f, 11},
    {"camera.pgm", 876, merging_minimum, false, distribution_random, resolution_300, 0.25f, 11},
    {"camera.pgm", 876, merging_product, true, distribution_random, resolution_300, 0.25f, 11},
    {"camera.pgm", 876, merging_product, false, distribution_normal, resolution_600, 0.6f, 11},
    {"camera.pgm", 620, merging_minimum, false, distribution_normal, resolution_1200, 0.25f, 11},
    {"camera.pgm", 438, merging_product, true, distribution_random, resolution_1200, 1.0f, 11},
    {"astronaut_gray.pgm", 1240, merging_product, false, distribution_normal, resolution_300, 1.0f,
     11},
    {"chelsea_gray.pgm", 876, merging_minimum, true, distribution_normal, resolution_600, 0.25f,
     11},
    {"coffee_gray.pgm", 620, merging_product, false, distribution_random, resolution_1200, 0.25f,
     11},
    {"gravel.pgm", 620, merging_minimum, false, distribution_random, resolution_600, 0.25f, 7},
    {"gravel.pgm", 876, merging_product, true, distribution_normal, resolution_300, 0.25f, 7},
    {"coffee_gray.pgm", 1240, merging_product, false, distribution_random, resolution_300, 0.25f,
     0},
    {"astronaut_gray.pgm", 620, merging_minimum, false, distribution_normal, resolution_1200, 0.25f,
     0},
};

INSTANTIATE_TEST_SUITE_P(Photographs, PhotoStippling, testing::ValuesIn(PHOTO_CASES),
                         [](const testing::TestParamInfo<_photo_case>& info) {
                           std::string name = info.param.photo;
                           name = name.substr(0, name.find_first_of("_."));
                           return name + "_" + std::to_string(info.index);
                         });

// --- the other members -----------------------------------------------------------------------

TEST(RandomLevel, TurnsTheAskedShareWhite) {
  struct {
    const char* name;
    float level;
    size_t white;
  } cases[] = {{"level 0", 0.0f, 0},       {"half", 127.5f, 50},     {"just below all", 254.0f, 99},
               {"level 255", 255.0f, 100}, {"above 255", 1e6f, 100}, {"negative", -3.0f, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    _image image = filled(10, 10, 77.0f);
    image.random(c.level);
    size_t whites = 0;
    for (float v : image.samples) {
      ASSERT_TRUE(v == 0.0f || v == 255.0f);
      whites += v == 255.0f;
    }
    EXPECT_EQ(whites, c.white);
  }
}

TEST(EarlierEntryPoint, PlacesNothingAndDrawsNothing) {
  auto sheets = fixtures::noise_sheets();
  _image halftone = filled(4, 4, 0.0f);
  _image out = white(12, 12);
  srandom(8);
  out.stippling(3.0f, 0.0f, 0.25f, halftone, sheets.row(resolution_300), 1, 10, 4, 8, 4, 8, 127);
  const long next = ::random();
  srandom(8);
  EXPECT_EQ(next, ::random());
  EXPECT_EQ(max_difference(out, white(12, 12)), 0.0f);
}

}  // namespace
}  // namespace stippon
