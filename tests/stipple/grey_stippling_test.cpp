#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "stipple/mottle.h"
#include "stipple/reference_stippling.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

void stipple(_image& out, const _stipple_settings& settings, _image halftone, _image** dots,
             int scale = 1) {
  _image borders;
  stipple_grey(out, settings, halftone, borders, dots, scale);
}

// Without a sheet, at scale 0 or of size 0, a dot changes nothing.
TEST(PutDot, NothingToDraw) {
  _image sheet = noise_sheet(4, 11, 5);
  _image *pointer = &sheet, *no_sheet = nullptr;
  _image untouched = filled(8, 8, 200.0f);
  untouched.put_dot(2u, 3u, 4u, 0u, 7u, no_sheet, false, 127, 1, merging_product);
  untouched.put_dot(2u, 3u, 4u, 0u, 7u, pointer, false, 127, 0, merging_product);
  untouched.put_dot(2u, 3u, 0u, 0u, 7u, pointer, false, 127, 1, merging_product);
  EXPECT_EQ(differences(untouched, filled(8, 8, 200.0f)), 0u);
}

// No dot, no draw after load_seeds, which hands generator 5's seed to srandom last.
// random(level) whitens trunc(width x height x level / 255) distinct samples; a level of 255 or
// more whitens everything at once instead of searching forever for a sample still black.
TEST(RandomLevel, WhitensTheAskedShareAndStops) {
  for (const float level : {0.0f, 127.5f, 255.0f, 1.0e6f}) {
    SCOPED_TRACE(level);
    _image image;
    image.dimensions(10, 20);
    image.create(false);
    image.random(level);
    const auto white = std::count(image.samples.begin(), image.samples.end(), 255.0f);
    EXPECT_EQ(white, level >= 255.0f ? 200 : int(200 * level / 255));
    EXPECT_EQ(white + std::count(image.samples.begin(), image.samples.end(), 0.0f), 200);
  }
}

// A dot strip is one row of count cells, black; sizes outside 1..19 or no cells change nothing.
TEST(Mottle, DefineShapesAStripOfCells) {
  _mottle strip;
  strip.define(4, 11);
  EXPECT_EQ(strip.width, 44u);
  EXPECT_EQ(strip.height, 4u);
  EXPECT_EQ(strip.dot_size, 4u);
  EXPECT_EQ(strip.dot_count, 11u);
  EXPECT_EQ(std::count(strip.samples.begin(), strip.samples.end(), 0.0f), 176);
  for (const auto& [size, count] : {std::pair{20u, 5u}, {0u, 5u}, {4u, 0u}}) {
    strip.define(size, count);
    EXPECT_EQ(strip.width, 44u);
    EXPECT_EQ(strip.dot_count, 11u);
  }
}

TEST(Stippling2, WhiteHalftoneDrawsNothing) {
  auto sheets = noise_sheets();
  _image out = white(15, 12);
  for (int i = 0; i < 6; ++i) out.random_generators[i].seed = 100 + i;
  stipple(out, {}, white(5, 4), sheets.row(resolution_300));
  EXPECT_EQ(differences(out, white(15, 12)), 0u);
  const long next = ::random();
  srandom(105);
  EXPECT_EQ(next, ::random());
}

// Four dots of size 5 at the grid points of a 2 x 2 halftone, 4 apart; the shared band merges
// twice.
TEST(Stippling2, TwoByTwoWithoutJitter) {
  _sheet_table sheets;
  const _image cell = noise_sheet(5, 1, 11);
  sheets.put(resolution_300, 5, cell);
  _stipple_settings settings{
      .scale_factor = 4.0f, .displacement = 0.0f, .dot_variant_max_column = 0};
  settings.low_density_min = settings.low_density_max = 5;
  _image out = white(10, 10), expected = white(10, 10);
  stipple(out, settings, filled(2, 2, 0.0f), sheets.row(resolution_300));
  for (unsigned corner : {0u, 4u, 40u, 44u})
    for (unsigned i = 0; i < 25; ++i) {
      const unsigned r = corner / 10 + i / 5, c = corner % 10 + i % 5;
      expected.put(r, c, (cell.get(i / 5, i % 5) * expected.get(r, c)) / 255.0f);
    }
  EXPECT_EQ(differences(out, expected), 0u);
}

// The dark samples of a raster stippled with marker sheets: position -> code (size and variant).
std::map<std::pair<unsigned, unsigned>, float> marker_corners(const _image& out, unsigned k) {
  std::map<std::pair<unsigned, unsigned>, float> corners;
  for (unsigned i = 0; i < out.samples.size(); ++i)
    if (out.samples[i] != 255.0f) corners[{i / out.width / k, i % out.width / k}] = out.samples[i];
  return corners;
}

// The save repeats the preview: same sizes and variants, positions scaled before truncation.
TEST(Stippling2, SaveWithCopiedSeedsRepeatsThePreview) {
  // White sheets whose cells carry one dark sample at their first corner, telling the dot's size
  // and variant: a stippled raster then shows where each dot's corner landed and which dot it was.
  _sheet_table sheets;
  for (int position = 0; position < DOT_RESOLUTIONS; ++position)
    for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
      const unsigned side = s * output_scale(position);
      _image sheet = white(side, 11 * side);
      for (unsigned b = 0; b < 11; ++b) sheet.put(0u, b * side, float(10 + (s - 4) * 20 + b));
      sheets.put(position, s, std::move(sheet));
    }
  // Black pixels four cells apart: 12 output pixels, more than a dot plus twice the jitter.
  _image halftone = white(20, 24);
  for (unsigned r = 1; r < 20; r += 4)
    for (unsigned c = 1; c < 24; c += 4) halftone.put(r, c, 0.0f);
  for (_random_distribution distribution : {distribution_random, distribution_normal}) {
    const _stipple_settings settings{.merging_function = merging_minimum,
                                     .random_distribution = distribution};
    _image preview = white(60, 72);
    for (_uniform_random& generator : preview.random_generators) generator.seed = 4242;
    stipple(preview, settings, halftone, sheets.row(resolution_300));
    const auto expected = marker_corners(preview, 1);
    ASSERT_EQ(expected.size(), 30u);
    for (int position : {resolution_600, resolution_1200}) {
      // k * trunc(p) <= trunc(k * p) < k * (trunc(p) + 1) for a non-negative position p, so
      // dividing the saved corners by k must give back the preview's corners and codes.
      const int k = output_scale(position);
      _image saved = white(60 * k, 72 * k);
      saved.copy_seeds(preview);
      stipple(saved, settings, halftone, sheets.row(position), k);
      EXPECT_EQ(marker_corners(saved, k), expected) << "scale " << k << ", " << distribution;
    }
  }
}

// The clipped path against the per-sample one on halftoned photographs, small prints keeping the
// per-sample path quick. The wide displacement throws dots off every edge and clips them there;
// sheets of 7 cells leave some variants beyond the sheet, whose samples are skipped.
TEST(Stippling2, ClippedPathEqualsPerSamplePathOnPhotographs) {
  const _random_distribution normal = distribution_normal;
  // clang-format off
  struct { const char* photo; float width; int position; unsigned columns;
           _stipple_settings settings; } cases[] = {
      {"camera.pgm", 876, resolution_300, 11, {}},
      {"camera.pgm", 876, resolution_600, 11,
       {.displacement = 0.6f, .merging_function = merging_minimum, .random_distribution = normal}},
      {"camera.pgm", 438, resolution_1200, 11, {.displacement = 1.0f, .black_white = true}},
      {"chelsea_gray.pgm", 876, resolution_600, 11, {.low_density_min = 5, .low_density_max = 7,
       .black_white = true, .black_level = 90, .random_distribution = normal}},
      {"gravel.pgm", 620, resolution_600, 7, {.merging_function = merging_minimum}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.photo << " at " << c.width << " px, " << c.position);
    auto sheets = noise_sheets(c.columns);
    _image halftone = resampled(c.photo, c.width);
    halftone.halftoning_ostromoukhov();
    const int k = output_scale(c.position);
    _image fast = white(halftone.height * 3 * k, halftone.width * 3 * k), plain = fast;
    for (_uniform_random& generator : fast.random_generators) generator.seed = 20240601;
    plain.copy_seeds(fast);
    stipple(fast, c.settings, halftone, sheets.row(c.position), k);
    reference::stippling2(plain, c.settings, k, halftone, sheets.row(c.position));
    EXPECT_EQ(differences(fast, plain), 0u);
    EXPECT_LT(fast.mean(), 250.0f) << "the photograph was stippled";
  }
}

}  // namespace
}  // namespace stippon
