// Grey stippling: the print repeats the preview's dots, and the merge rules (the banded print's
// tests hold the planned path against the plain per-sample one).
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "stipple/dot_merge.h"
#include "stipple/reference_stippling.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// The dark samples of a raster stippled with marker sheets: position -> code (size and variant).
std::map<std::pair<unsigned, unsigned>, float> marker_corners(const _image& out, unsigned k) {
  std::map<std::pair<unsigned, unsigned>, float> corners;
  for (unsigned i = 0; i < out.samples.size(); ++i)
    if (out.samples[i] != 255.0f) corners[{i / out.width / k, i % out.width / k}] = out.samples[i];
  return corners;
}

// The save repeats the preview: same sizes and variants, positions scaled before truncation.
TEST(GreyStippling, SaveWithTheSameSeedRepeatsThePreview) {
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
    stipple_grey(preview, settings, halftone, sheets.row(resolution_300), 1, 4242);
    const auto expected = marker_corners(preview, 1);
    ASSERT_EQ(expected.size(), 30u);
    for (int position : {resolution_600, resolution_1200}) {
      // k * trunc(p) <= trunc(k * p) < k * (trunc(p) + 1) for a non-negative position p, so
      // dividing the saved corners by k must give back the preview's corners and codes.
      const int k = output_scale(position);
      _image saved = white(60 * k, 72 * k);
      stipple_grey(saved, settings, halftone, sheets.row(position), k, 4242);
      EXPECT_EQ(marker_corners(saved, k), expected) << "scale " << k << ", " << distribution;
    }
  }
}

// The merge rules worked by hand, for the print's merging and the plain reference's alike.
TEST(GreyStippling, MergingRules) {
  // ground, dot, black and white, black level, merging, result
  const std::tuple<const char*, float, float, bool, int, _merging_function, float> cases[] = {
      {"product", 100, 77, false, 0, merging_product, (77.0f * 100.0f) / 255.0f},
      {"minimum keeps darker ground", 100, 200, false, 0, merging_minimum, 100},
      {"minimum takes darker dot", 100, 50, false, 0, merging_minimum, 50},
      {"black below level", 255, 100, true, 128, merging_minimum, 0},
      {"white above level", 255, 200, true, 128, merging_product, 255},
      {"truncated product below level", 128, 254.9f, true, 128, merging_product, 0},
      {"level zero always white", 0, 0, true, 0, merging_product, 255},
  };
  for (const auto& [name, ground, value, black_white, level, merging, result] : cases) {
    _image image = raster(1, 2, {ground, ground});
    reference::put_add(image, 0, 0, value, black_white, level, merging);
    EXPECT_EQ(image.samples[0], result) << name;
    const float merged = black_white ? _merge_black_white{(unsigned short)(level)}(ground, value)
                         : merging == merging_minimum ? _merge_minimum{}(ground, value)
                                                      : _merge_product{}(ground, value);
    EXPECT_EQ(merged, result) << name;
  }
}

}  // namespace
}  // namespace stippon
