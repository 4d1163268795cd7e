// Borders: the Sobel responses against a plain correlation, and the threshold rules.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stipple/borders.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// clang-format off
_image vertical_sobel() { return raster(3, 3, {-1, -2, -1, 0, 0, 0, 1, 2, 1}); }
_image horizontal_sobel() { return raster(3, 3, {-1, 0, 1, -2, 0, 2, -1, 0, 1}); }
// clang-format on

// Plain correlation over the source, every tap checked; a tap outside the source reads as white
// paper (255).
_image reference_filter(const _image& mask, const _image& source) {
  const int n = int(mask.width), h = n / 2;
  _image result = filled(source.height, source.width, 0.0f);
  for (int r = 0; r < int(result.height); ++r)
    for (int c = 0; c < int(result.width); ++c) {
      float sum = 0.0f;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          const int y = r - h + i, x = c - h + j;
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

// A step edge worked by hand, which also pins the white paper around the picture.
TEST(Filter2, SobelSumsWorkedByHand) {
  // Four rows of 0, 0, 255, 255 (a vertical step), white paper around.
  _image step = raster(4, 4, {0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255});
  _image mask_v = vertical_sobel(), mask_h = horizontal_sobel(), v, h;
  ASSERT_NE(filter2(mask_v, step, cut_same, 1.0f, v), -1);
  ASSERT_NE(filter2(mask_h, step, cut_same, 1.0f, h), -1);
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
}

// Both Sobel masks against the plain correlation, and the borders at each threshold t against
// the plain rule on the plain responses.
TEST(Filter2, MatchesThePlainRulesOnPhotographs) {
  for (const char* name : {"camera.pgm", "coffee_gray.pgm", "gravel.pgm"}) {
    _image picture = read_photo(name);
    const _image v = reference_filter(vertical_sobel(), picture);
    const _image h = reference_filter(horizontal_sobel(), picture);
    for (const auto& [mask, plain] : {std::pair{vertical_sobel(), &v}, {horizontal_sobel(), &h}}) {
      _image result, taps = mask;
      ASSERT_NE(filter2(taps, picture, cut_same, 1.0f, result), -1);
      EXPECT_EQ(differences(result, *plain), 0u) << name;
    }
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
      find_borders(picture, t, borders);
      EXPECT_EQ(differences(borders, expected), 0u) << name << ", threshold " << t;
    }
  }
}

// Thresholds at the ends of the scale, and pictures too small for the masks.
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
      {"2 x 2", filled(2, 2, 0), 0.0f, {255, 255, 255, 255}},
      {"1 x 5", filled(1, 5, 0), 0.0f, {255, 255, 255, 255, 255}},
      {"empty", _image(), 0.0f, {}}};
  // clang-format on
  for (auto& c : cases) {
    _image borders = filled(9, 9, 17.0f);
    find_borders(c.source, c.threshold, borders);
    EXPECT_EQ(differences(borders, raster(c.source.height, c.source.width, c.expected)), 0u)
        << c.name;
  }
}

}  // namespace
}  // namespace stippon
