#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// clang-format off
_image vertical_sobel() { return raster(3, 3, {-1, -2, -1, 0, 0, 0, 1, 2, 1}); }
_image horizontal_sobel() { return raster(3, 3, {-1, 0, 1, -2, 0, 2, -1, 0, 1}); }
// clang-format on

// Plain correlation over the source (same cut) or over the samples the mask fits in (valid),
// every tap checked; a tap outside the source reads as white paper (255).
_image reference_filter(const _image& mask, const _image& source, _cut_type cut) {
  const int n = int(mask.width), h = n / 2, margin = cut == cut_valid ? n - 1 : 0;
  _image result = filled(source.height - margin, source.width - margin, 0.0f);
  for (int r = 0; r < int(result.height); ++r)
    for (int c = 0; c < int(result.width); ++c) {
      float sum = 0.0f;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          const int y = r + margin / 2 - h + i, x = c + margin / 2 - h + j;
          const float weight = mask.samples[i * n + j];
          if (y < 0 || y >= int(source.height) || x < 0 || x >= int(source.width))
            sum = sum + weight;
          else
            sum = float(double(sum) + double(weight * source.get(y, x)) / 255.0);
        }
      result.samples[size_t(r) * result.width + c] = float(double(sum) * 255.0);
    }
  return result;
}

TEST(Filter2, SobelSumsWorkedByHand) {
  // Four rows of 0, 0, 255, 255 (a vertical step), white paper around.
  _image step = raster(4, 4, {0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255});
  _image mask_v = vertical_sobel(), mask_h = horizontal_sobel(), v, h;
  ASSERT_NE(v.filter2(mask_v, step, cut_same, 1.0f), -1);
  ASSERT_NE(h.filter2(mask_h, step, cut_same, 1.0f), -1);
  // clang-format off
  const float sums[][4] = {  // row, column, vertical, horizontal
      {1, 0, 0, -1020},   // left: paper 1 + 2 + 1 against 0
      {1, 1, 0, 1020},    // the two columns beside the step: 255 * (1 + 2 + 1)
      {1, 2, 0, 1020},
      {1, 3, 0, 0},       // right: 255 against the white paper
      {0, 1, -765, 765},  // bottom: paper row -4 + row 1 (0, 0, 255) * (1, 2, 1) = -3;
                          //         paper -1 + 1, then 2 * 255 + 1 * 255 = 3
      {3, 0, 765, -765}}; // top: row 2 (paper, 0, 0) -1, paper row +4
  // clang-format on
  for (const auto& s : sums) {
    EXPECT_EQ(v.get(unsigned(s[0]), unsigned(s[1])), s[2]) << s[0] << ", " << s[1];
    EXPECT_EQ(h.get(unsigned(s[0]), unsigned(s[1])), s[3]) << s[0] << ", " << s[1];
  }
  // The valid cut of five rows that differ by 4: (1 + 2 + 1) * 2 rows * 4 = 32 everywhere.
  _image ramp = filled(5, 4, 0.0f), valid = filled(7, 7, 9.0f);
  for (unsigned i = 0; i < 20; ++i) ramp.samples[i] = float(i);
  ASSERT_NE(valid.filter2(mask_v, ramp, cut_valid, 1.0f), -1);
  EXPECT_EQ(valid.height, 3u);
  EXPECT_EQ(valid.width, 2u);
  for (float sample : valid.samples) EXPECT_NEAR(sample, 32.0f, 1e-4f);
  // Borders at a constant 255, found in place: everything but the right column, which faces
  // white paper.
  step.getBorders(step, 1.0f);
  EXPECT_EQ(step.samples,
            (std::vector<float>{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

// Both Sobel masks and cuts against the plain correlation, and the borders at each threshold t
// against the plain rule on the plain responses.
TEST(Filter2, MatchesThePlainRulesOnPhotographs) {
  for (const char* name : {"camera.pgm", "coffee_gray.pgm", "gravel.pgm"}) {
    _image picture = read_photo(name);
    for (_image mask : {vertical_sobel(), horizontal_sobel()})
      for (_cut_type cut : {cut_same, cut_valid}) {
        _image result;
        ASSERT_NE(result.filter2(mask, picture, cut, 1.0f), -1);
        EXPECT_EQ(differences(result, reference_filter(mask, picture, cut)), 0u)
            << name << ", cut " << cut;
      }
    const _image v = reference_filter(vertical_sobel(), picture, cut_same);
    const _image h = reference_filter(horizontal_sobel(), picture, cut_same);
    for (float t : {0.3f, 0.0f, -0.4f, -1.0f, -1.3f}) {
      _image expected = filled(picture.height, picture.width, 255.0f), borders;
      const float offset = t == 0.0f ? 0.0f : std::fabs(t) - 1.0f;
      for (size_t i = 0; i < expected.samples.size(); ++i) {
        const float level = picture.samples[i];
        float limit = t * 255.0f;
        if (t <= 0.0f) limit = offset == 0.0f ? level : float(level - 255.0 * offset);
        if (std::fabs(v.samples[i]) >= limit || std::fabs(h.samples[i]) >= limit)
          expected.samples[i] = 0.0f;
      }
      borders.getBorders(picture, t);
      EXPECT_EQ(differences(borders, expected), 0u) << name << ", threshold " << t;
    }
  }
}

TEST(Filter2, RefusesAndLeavesTheResult) {
  const _image source = filled(4, 4, 100.0f), before = filled(2, 2, 7.0f);
  const std::string odd = "Please use odd dimensions for the mask and they must be equal\n";
  // clang-format off
  struct { _image mask, source; _cut_type cut; std::string message; } cases[] = {
      {filled(2, 2, 1.0f), source, cut_same, odd},                // even mask
      {filled(3, 5, 1.0f), source, cut_same, odd},                // unequal sides
      {_image(), source, cut_same, odd},                          // empty mask
      {vertical_sobel(), filled(2, 2, 0.0f), cut_same, ""},       // source smaller than the mask
      {vertical_sobel(), source, cut_none, ""},                   // no cut
      {vertical_sobel(), raster(4, 4, {1, 2, 3}), cut_same, ""}}; // samples missing
  // clang-format on
  for (auto& c : cases) {
    _image result = before;
    testing::internal::CaptureStdout();
    EXPECT_EQ(result.filter2(c.mask, c.source, c.cut, 1.0f), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
    EXPECT_EQ(differences(result, before), 0u);
  }
  _image result = before, mask = vertical_sobel();
  EXPECT_NE(result.filter2(mask, source, cut_unused, 1.0f), -1);  // nothing to compute
  EXPECT_EQ(differences(result, before), 0u);
}

TEST(GetBorders, HandWorkedPictures) {
  const std::vector<float> frame = {0,   0, 0, 0,   0,   255, 255, 0, 0, 255,
                                    255, 0, 0, 255, 255, 0,   0,   0, 0, 0};
  const std::vector<float> none(20, 255.0f), all(20, 0.0f);
  const _image light = filled(4, 5, 255), dark = filled(5, 4, 0);
  // clang-format off
  struct { const char* name; _image source; float threshold; std::vector<float> expected; }
  cases[] = {
      {"white, constant 25.5", light, 0.1f, none},
      {"white, -1 is like 0: own level", light, -1.0f, none},
      {"white, lowered by 255", light, -2.0f, all},
      {"black, constant 127.5: a frame", dark, 0.5f, frame},
      {"black, raised to 127.5: a frame", dark, -0.5f, frame},
      {"black, own level 0: all border", dark, 0.0f, all},
      {"black, above the largest response", dark, 4.5f, none},
      // Pictures too small for the masks have no borders.
      {"2 x 2", filled(2, 2, 0), 0.0f, {255, 255, 255, 255}},
      {"1 x 5", filled(1, 5, 0), 0.0f, {255, 255, 255, 255, 255}},
      {"empty", _image(), 0.0f, {}}};
  // clang-format on
  for (auto& c : cases) {
    _image borders = filled(9, 9, 17.0f);
    borders.getBorders(c.source, c.threshold);
    EXPECT_EQ(differences(borders, raster(c.source.height, c.source.width, c.expected)), 0u)
        << c.name;
  }
}

}  // namespace
}  // namespace stippon
