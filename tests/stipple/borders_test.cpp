#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "image/file_pgm.h"
#include "image/image.h"

namespace stippon {
namespace {

_image raster(uint32_t rows, uint32_t columns, std::vector<float> values) {
  _image image;
  image.height = rows;
  image.width = columns;
  image.samples = std::move(values);
  return image;
}

_image uniform(uint32_t rows, uint32_t columns, float value) {
  return raster(rows, columns, std::vector<float>(static_cast<size_t>(rows) * columns, value));
}

_image vertical_sobel() {
  return raster(3, 3, {-1, -2, -1, 0, 0, 0, 1, 2, 1});
}
_image horizontal_sobel() {
  return raster(3, 3, {-1, 0, 1, -2, 0, 2, -1, 0, 1});
}

// Number of samples whose bits differ: the fast path must reproduce the plain one exactly.
size_t bit_differences(const _image& a, const _image& b) {
  if (a.width != b.width || a.height != b.height || a.samples.size() != b.samples.size()) {
    return std::numeric_limits<size_t>::max();
  }
  size_t count = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    count += std::memcmp(&a.samples[i], &b.samples[i], sizeof(float)) != 0;
  }
  return count;
}

// Plain correlation, every tap checked; a tap outside the source reads as 255 * outside.
float reference_sum(const _image& mask, const _image& source, int row, int column, int h,
                    float outside) {
  const int n = static_cast<int>(mask.width);
  const int rows = static_cast<int>(source.height);
  const int columns = static_cast<int>(source.width);
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int y = row - h + i;
      const int x = column - h + j;
      const float weight = mask.samples[i * n + j];
      if (y >= 0 && y < rows && x >= 0 && x < columns) {
        const float product = weight * source.samples[static_cast<size_t>(y) * columns + x];
        sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(product) / 255.0);
      } else {
        sum = sum + outside * weight;
      }
    }
  }
  return static_cast<float>(static_cast<double>(sum) * 255.0);
}

_image reference_same(const _image& mask, const _image& source, float outside) {
  _image result = uniform(source.height, source.width, 255.0f);
  const int h = static_cast<int>(mask.height * 0.5);
  for (int r = 0; r < static_cast<int>(source.height); ++r) {
    for (int c = 0; c < static_cast<int>(source.width); ++c) {
      result.samples[static_cast<size_t>(r) * source.width + c] =
          reference_sum(mask, source, r, c, h, outside);
    }
  }
  return result;
}

_image reference_valid(const _image& mask, const _image& source) {
  const uint32_t rows = source.height - mask.height + 1;
  const uint32_t columns = source.width - mask.width + 1;
  _image result = uniform(rows, columns, 0.0f);
  const int h = static_cast<int>(mask.height / 2);
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t c = 0; c < columns; ++c) {
      result.samples[r * columns + c] = reference_sum(mask, source, r + h, c + h, h, 0.0f);
    }
  }
  return result;
}

// The border rule applied to plain responses v and h.
_image reference_borders(const _image& source, const _image& v, const _image& h, float t) {
  _image result = uniform(source.height, source.width, 255.0f);
  const float offset = t == 0.0f ? 0.0f : std::fabs(t) - 1.0f;
  for (size_t i = 0; i < result.samples.size(); ++i) {
    float limit = t * 255.0f;
    if (t <= 0.0f) {
      limit = offset == 0.0f ? source.samples[i]
                             : static_cast<float>(source.samples[i] - 255.0 * offset);
    }
    if (std::fabs(v.samples[i]) >= limit || std::fabs(h.samples[i]) >= limit) {
      result.samples[i] = 0.0f;
    }
  }
  return result;
}

_image read_photograph(const std::string& name) {
  _image image;
  _file_pgm pgm;
  EXPECT_EQ(pgm.read(std::string(STIPPON_DATA_DIR) + "/images/" + name, image, 100000), 1);
  return image;
}

const char* const kPhotographs[] = {"astronaut_gray.pgm", "camera.pgm", "chelsea_gray.pgm",
                                    "coffee_gray.pgm", "gravel.pgm"};

TEST(Filter2, SobelSumsWorkedByHand) {
  // Four rows of 0, 0, 255, 255 (a vertical step), white paper around.
  const _image step = raster(4, 4,
                             {0, 0, 255, 255, 0, 0, 255, 255,  //
                              0, 0, 255, 255, 0, 0, 255, 255});
  _image mask_v = vertical_sobel();
  _image mask_h = horizontal_sobel();
  _image v;
  _image h;
  ASSERT_NE(v.filter2(mask_v, step, cut_same, 1.0f), -1);
  ASSERT_NE(h.filter2(mask_h, step, cut_same, 1.0f), -1);
  struct Sum {
    unsigned row, column;
    float vertical, horizontal;
  };
  const Sum sums[] = {
      {1, 0, 0, -1020},  // left: paper 1 + 2 + 1 against 0
      {1, 1, 0, 1020},   // the two columns beside the step: 255 * (1 + 2 + 1)
      {1, 2, 0, 1020},
      {1, 3, 0, 0},       // right: 255 against the white paper
      {0, 1, -765, 765},  // bottom: paper row -4 + row 1 (0, 0, 255) * (1, 2, 1) = -3;
                          //         paper -1 + 1, then 2 * 255 + 1 * 255 = 3
      {0, 3, 0, 0},
      {3, 0, 765, -765},  // top: row 2 (paper, 0, 0) -1, paper row +4
  };
  for (const Sum& s : sums) {
    SCOPED_TRACE("row " + std::to_string(s.row) + " column " + std::to_string(s.column));
    EXPECT_EQ(v.get(s.row, s.column), s.vertical);
    EXPECT_EQ(h.get(s.row, s.column), s.horizontal);
  }
}

TEST(Filter2, MatchesThePlainCorrelationOnPhotographs) {
  const _image five =
      raster(5, 5, {0.5f, -1.25f, 2,  0,    3,    1,    0.1f, -0.7f, 4,  -2, 0,     0, 1,
                    0,    0,      -3, 0.3f, 0.9f, 1.5f, 0,    2,     -1, 0,  0.25f, 1});
  const _image one = raster(1, 1, {0.75f});
  for (const char* name : kPhotographs) {
    SCOPED_TRACE(name);
    const _image photo = read_photograph(name);
    for (_image mask : {vertical_sobel(), horizontal_sobel()}) {
      _image result;
      ASSERT_NE(result.filter2(mask, photo, cut_same, 1.0f), -1);
      EXPECT_EQ(bit_differences(result, reference_same(mask, photo, 1.0f)), 0u);
    }
  }
  // Larger and smaller masks, another paper value, and the valid cut.
  const _image photo = read_photograph("chelsea_gray.pgm");
  for (_image mask : {five, one, vertical_sobel()}) {
    SCOPED_TRACE("mask " + std::to_string(mask.width));
    _image same;
    ASSERT_NE(same.filter2(mask, photo, cut_same, 0.3f), -1);
    EXPECT_EQ(bit_differences(same, reference_same(mask, photo, 0.3f)), 0u);
    _image valid;
    ASSERT_NE(valid.filter2(mask, photo, cut_valid, 1.0f), -1);
    EXPECT_EQ(bit_differences(valid, reference_valid(mask, photo)), 0u);
  }
}

TEST(Filter2, ExtremeSamplesGiveThePlainValues) {
  // A ramp with signed zeros, subnormals, huge values and infinities mixed in.
  _image source = uniform(12, 15, 0.0f);
  for (uint32_t i = 0; i < source.samples.size(); ++i) {
    source.samples[i] = static_cast<float>((i * 37) % 256);
  }
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> finite = {-0.0f, 1e-40f, -1e-42f, 255.0f, -7.5f, 1e20f};
  // Two huge samples two rows apart: the plain taps overflow to inf - inf, not to 0.
  const std::vector<float> extreme = {3e38f, 3e38f, -3e38f, inf, -inf};
  const size_t positions[] = {17, 47, 80, 120, 150, 100};
  const _image masks[] = {vertical_sobel(), horizontal_sobel(),
                          raster(3, 3, {4, 0, -1, 0, -0.0f, 2, 8, -2, 1}),
                          raster(3, 3, {0.5f, 1, 0, 0, 3, 0, 0, 1, 1})};
  for (const auto& specials : {finite, extreme}) {
    _image picture = source;
    for (size_t k = 0; k < specials.size(); ++k) picture.samples[positions[k]] = specials[k];
    for (_image mask : masks) {
      _image same;
      ASSERT_NE(same.filter2(mask, picture, cut_same, 1.0f), -1);
      EXPECT_EQ(bit_differences(same, reference_same(mask, picture, 1.0f)), 0u);
      _image valid;
      ASSERT_NE(valid.filter2(mask, picture, cut_valid, 1.0f), -1);
      EXPECT_EQ(bit_differences(valid, reference_valid(mask, picture)), 0u);
    }
    const _image v = reference_same(vertical_sobel(), picture, 1.0f);
    const _image h = reference_same(horizontal_sobel(), picture, 1.0f);
    for (float t : {0.5f, 0.0f, -1.5f}) {
      _image borders;
      borders.getBorders(picture, t);
      EXPECT_EQ(bit_differences(borders, reference_borders(picture, v, h, t)), 0u);
    }
  }
  // A sample that is not a number is no border, and marks none around it.
  _image picture = uniform(5, 5, 255.0f);
  picture.samples[12] = std::nanf("");
  _image borders;
  borders.getBorders(picture, 0.1f);
  EXPECT_EQ(borders.samples, std::vector<float>(25, 255.0f));
}

TEST(Filter2, ValidCutGeometry) {
  _image mask = vertical_sobel();
  _image source =
      raster(5, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
  _image result = uniform(7, 7, 9.0f);
  ASSERT_NE(result.filter2(mask, source, cut_valid, 1.0f), -1);
  EXPECT_EQ(result.height, 3u);
  EXPECT_EQ(result.width, 2u);
  ASSERT_EQ(result.samples.size(), 6u);
  // Rows differ by 4: (1 + 2 + 1) * 2 rows * 4 = 32 everywhere.
  for (float sample : result.samples) EXPECT_NEAR(sample, 32.0f, 1e-4f);
}

TEST(Filter2, RefusesAndLeavesTheResult) {
  const _image source = uniform(4, 4, 100.0f);
  const _image before = uniform(2, 2, 7.0f);
  struct Case {
    const char* name;
    _image mask;
    _image source;
    _cut_type cut;
    const char* message;
  };
  const std::string odd = "Please use odd dimensions for the mask and they must be equal\n";
  std::vector<Case> cases = {
      {"even mask", uniform(2, 2, 1.0f), source, cut_same, odd.c_str()},
      {"unequal mask", uniform(3, 5, 1.0f), source, cut_same, odd.c_str()},
      {"empty mask", _image(), source, cut_same, odd.c_str()},
      {"source smaller than the mask", vertical_sobel(), uniform(2, 2, 0.0f), cut_same, ""},
      {"no cut", vertical_sobel(), source, cut_none, ""},
      {"samples missing from the source", vertical_sobel(), raster(4, 4, {1, 2, 3}), cut_same, ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    _image result = before;
    testing::internal::CaptureStdout();
    EXPECT_EQ(result.filter2(c.mask, c.source, c.cut, 1.0f), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
    EXPECT_EQ(bit_differences(result, before), 0u);
  }
  _image result = before;
  _image mask = vertical_sobel();
  EXPECT_NE(result.filter2(mask, source, cut_unused, 1.0f), -1);
  EXPECT_EQ(bit_differences(result, before), 0u);
}

TEST(Filter2, WorksInPlace) {
  const _image photo = read_photograph("chelsea_gray.pgm");
  _image mask = horizontal_sobel();
  _image separate;
  separate.filter2(mask, photo, cut_same, 1.0f);
  _image in_place = photo;
  ASSERT_NE(in_place.filter2(mask, in_place, cut_same, 1.0f), -1);
  EXPECT_EQ(bit_differences(in_place, separate), 0u);

  // Filtering into the mask itself reads the mask as it was.
  _image source = raster(3, 3, {0, 0, 0, 0, 0, 0, 10, 20, 30});
  _image self_mask = vertical_sobel();
  _image expected;
  expected.filter2(self_mask, source, cut_valid, 1.0f);
  EXPECT_NEAR(expected.get(0u), 80.0f, 1e-4f);
  ASSERT_NE(self_mask.filter2(self_mask, source, cut_valid, 1.0f), -1);
  EXPECT_EQ(bit_differences(self_mask, expected), 0u);
}

TEST(GetBorders, HandWorkedPictures) {
  const _image step = raster(4, 4,
                             {0, 0, 255, 255, 0, 0, 255, 255,  //
                              0, 0, 255, 255, 0, 0, 255, 255});
  const std::vector<float> frame = {0,   0, 0, 0,   0,   255, 255, 0, 0, 255,
                                    255, 0, 0, 255, 255, 0,   0,   0, 0, 0};
  struct Case {
    const char* name;
    _image source;
    float threshold;
    std::vector<float> expected;
  };
  std::vector<Case> cases = {
      {"white, constant 25.5", uniform(4, 4, 255), 0.1f, std::vector<float>(16, 255)},
      {"white, own level 255", uniform(4, 4, 255), 0.0f, std::vector<float>(16, 255)},
      {"white, -1 is like 0", uniform(4, 4, 255), -1.0f, std::vector<float>(16, 255)},
      {"white, lowered by 255", uniform(4, 4, 255), -2.0f, std::vector<float>(16, 0)},
      {"black, constant 127.5: a frame", uniform(5, 4, 0), 0.5f, frame},
      {"black, raised to 127.5: a frame", uniform(5, 4, 0), -0.5f, frame},
      {"black, own level 0: all border", uniform(5, 4, 0), 0.0f, std::vector<float>(20, 0)},
      {"black, above the largest response", uniform(5, 4, 0), 4.5f, std::vector<float>(20, 255)},
      {"step, constant 255", step, 1.0f, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    _image borders = uniform(9, 9, 17.0f);
    borders.getBorders(c.source, c.threshold);
    EXPECT_EQ(borders.height, c.source.height);
    EXPECT_EQ(borders.width, c.source.width);
    EXPECT_EQ(borders.samples, c.expected);
  }
}

TEST(GetBorders, PicturesTooSmallForTheMasksHaveNoBorders) {
  struct Case {
    const char* name;
    uint32_t rows, columns;
  };
  const Case cases[] = {{"2 x 2", 2, 2}, {"1 x 5", 1, 5}, {"5 x 2", 5, 2}, {"empty", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _image source = uniform(c.rows, c.columns, 0.0f);
    _image borders = uniform(4, 4, 3.0f);
    borders.getBorders(source, 0.0f);
    EXPECT_EQ(borders.height, c.rows);
    EXPECT_EQ(borders.width, c.columns);
    EXPECT_EQ(borders.samples, std::vector<float>(c.rows * c.columns, 255.0f));
  }
}

TEST(GetBorders, MatchesThePlainRuleOnPhotographs) {
  for (const char* name : {"camera.pgm", "coffee_gray.pgm"}) {
    SCOPED_TRACE(name);
    _image photo = read_photograph(name);
    const _image v = reference_same(vertical_sobel(), photo, 1.0f);
    const _image h = reference_same(horizontal_sobel(), photo, 1.0f);
    for (float t : {0.3f, 0.0f, -0.4f, -1.0f, -1.3f}) {
      SCOPED_TRACE("threshold " + std::to_string(t));
      _image borders;
      borders.getBorders(photo, t);
      EXPECT_EQ(bit_differences(borders, reference_borders(photo, v, h, t)), 0u);
    }
    // In place: the source is read before it is replaced.
    const _image expected = reference_borders(photo, v, h, 0.3f);
    photo.getBorders(photo, 0.3f);
    EXPECT_EQ(bit_differences(photo, expected), 0u);
  }
}

}  // namespace
}  // namespace stippon
