#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "image/file_pgm.h"
#include "image/image.h"
#include "stipple/coefficients.h"

namespace stippon {
namespace {

_image raster(std::vector<std::vector<float>> rows) {
  _image image;
  image.height = static_cast<uint32_t>(rows.size());
  image.width = rows.empty() ? 0 : static_cast<uint32_t>(rows[0].size());
  for (const auto& row : rows) image.samples.insert(image.samples.end(), row.begin(), row.end());
  return image;
}

_image uniform(uint32_t rows, uint32_t columns, float value) {
  _image image;
  image.height = rows;
  image.width = columns;
  image.samples.assign(static_cast<size_t>(rows) * columns, value);
  return image;
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

// Plain serpentine error diffusion, one pixel at a time, with the table row clamped to 0..255.
_image reference_halftone(_image image) {
  const int width = static_cast<int>(image.width);
  std::vector<double> current(width + 2, 0.0);
  std::vector<double> next(width + 2, 0.0);
  for (int r = 0; r < static_cast<int>(image.height); ++r) {
    const int direction = r % 2 == 0 ? 1 : -1;
    for (int k = 0; k < width; ++k) {
      const int c = direction > 0 ? k : width - 1 - k;
      float& sample = image.samples[static_cast<size_t>(r) * width + c];
      const int level = static_cast<int>(sample);
      const double value = level + current[c + 1];
      const double error = value > 127.5 ? value - 255.0 : value;
      const int* weights = Coefficients[std::clamp(level, 0, 255)];
      const double ahead = static_cast<double>(weights[0]) * error / weights[3];
      const double behind = static_cast<double>(weights[1]) * error / weights[3];
      current[c + 1 + direction] += ahead;
      next[c + 1 - direction] += behind;
      next[c + 1] += error - (ahead + behind);
      sample = value > 127.5 && level != 0 ? 255.0f : 0.0f;
    }
    std::swap(current, next);
    std::fill(next.begin(), next.end(), 0.0);
  }
  return image;
}

_image read_photograph(const std::string& name) {
  _image image;
  _file_pgm pgm;
  EXPECT_EQ(pgm.read(std::string(STIPPON_DATA_DIR) + "/images/" + name, image, 100000), 1);
  return image;
}

TEST(Coefficients, TableIsSymmetricAndSumsItsWeights) {
  EXPECT_EQ(std::vector<int>(Coefficients[0], Coefficients[0] + 4),
            (std::vector<int>{13, 0, 5, 18}));
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    const int* row = Coefficients[i];
    EXPECT_EQ(row[3], row[0] + row[1] + row[2]);
    EXPECT_GT(row[3], 0);
    EXPECT_TRUE(std::equal(row, row + 4, Coefficients[255 - i]));
  }
}

TEST(Halftoning, DistributesOneErrorInBothDirections) {
  _image image = uniform(1, 3, 0.0f);
  // Level 100 weighs 5, 3, 2 out of 10: an error of 100 splits 50 / 30 / 20.
  std::vector<double> current(5, 0.0);
  std::vector<double> next(5, 0.0);
  image.distribute_error_ostromoukhov(1, 100.0, 1, 100, current.data() + 1, next.data() + 1);
  EXPECT_EQ(current, (std::vector<double>{0, 0, 0, 50, 0}));
  EXPECT_EQ(next, (std::vector<double>{0, 30, 20, 0, 0}));

  std::fill(current.begin(), current.end(), 0.0);
  std::fill(next.begin(), next.end(), 0.0);
  image.distribute_error_ostromoukhov(1, 100.0, -1, 100, current.data() + 1, next.data() + 1);
  EXPECT_EQ(current, (std::vector<double>{0, 50, 0, 0, 0}));
  EXPECT_EQ(next, (std::vector<double>{0, 0, 20, 30, 0}));

  // Levels outside the table use its end rows (13, 0, 5 of 18) instead of reading past it.
  std::fill(current.begin(), current.end(), 0.0);
  std::fill(next.begin(), next.end(), 0.0);
  image.distribute_error_ostromoukhov(0, 18.0, 1, 4000, current.data() + 1, next.data() + 1);
  image.distribute_error_ostromoukhov(0, 18.0, 1, -7, current.data() + 1, next.data() + 1);
  EXPECT_EQ(current[2], 26.0);
  EXPECT_EQ(next[1], 10.0);
}

TEST(Halftoning, FloydSteinbergAndShiftBuffers) {
  _image image = uniform(1, 3, 0.0f);
  std::vector<double> current(5, 0.0);
  std::vector<double> next(5, 0.0);
  image.distribute_error_floyd_steinberg(1, 16.0, -1, current.data() + 1, next.data() + 1);
  EXPECT_EQ(current, (std::vector<double>{0, 7, 0, 0, 0}));
  EXPECT_EQ(next, (std::vector<double>{0, 1, 5, 3, 0}));

  double* current_row = current.data() + 1;
  double* next_row = next.data() + 1;
  image.shift_buffers(current_row, next_row);
  EXPECT_EQ(current_row, next.data() + 1);
  EXPECT_EQ(next_row, current.data() + 1);
  EXPECT_EQ(current, (std::vector<double>{0, 0, 0, 0, 0}));
  EXPECT_EQ(next, (std::vector<double>{0, 1, 5, 3, 0}));  // the row now read is kept
}

TEST(Halftoning, OneRowWorkedByHand) {
  // Left to right only. 100: black, error 100, 5/10 = 50 ahead. 64 + 50 = 114: black, 1/2 of
  // 114 = 57 ahead. 128 + 57 = 185: white, error -70, 4/6 ahead = -46.67. 0 - 46.67: black.
  _image image = raster({{100, 64, 128, 0}});
  image.halftoning_ostromoukhov();
  EXPECT_EQ(image.samples, (std::vector<float>{0, 0, 255, 0}));
}

TEST(Halftoning, SerpentineRowAndSolidBlack) {
  // Row 0 (left to right): 100 black, e 100 -> 50 ahead, 30 behind (cell -1), 20 below.
  //   64 + 50 = 114 black, e 114 -> 57 ahead, 57 behind (cell 0), 0 below.
  //   64 + 57 = 121 black, e 121 -> 60.5 behind (cell 1).   Pending row 1: 77, 60.5, 0.
  // Row 1 (right to left): 127 + 0 black, e 127 -> 4/6 = 84.67 ahead into column 1.
  //   level 0: 60.5 + 84.67 = 145.17 > 127.5, yet it stays black and passes on
  //   145.17 - 255 = -109.83, of which 13/18 = -79.32 goes ahead.
  //   100 + 77 - 79.32 = 97.68: black. Passing on +145.17 would have turned it white, and so
  //   would a left-to-right scan of row 1 (100 + 77 first).
  _image image = raster({{100, 64, 64}, {100, 0, 127}});
  image.halftoning_ostromoukhov();
  EXPECT_EQ(image.samples, (std::vector<float>(6, 0.0f)));
}

TEST(Halftoning, SmallAndUniformPictures) {
  struct Case {
    const char* name;
    _image input;
    std::vector<float> expected;
  };
  std::vector<Case> cases = {
      {"white stays white", uniform(5, 7, 255.0f), std::vector<float>(35, 255.0f)},
      {"black stays black", uniform(5, 7, 0.0f), std::vector<float>(35, 0.0f)},
      {"one pixel of 200", uniform(1, 1, 200.0f), {255}},
      {"one pixel of 100", uniform(1, 1, 100.0f), {0}},
      {"one pixel of 127.9 truncates to 127", uniform(1, 1, 127.9f), {0}},
      // 128: white, passes on -127; 4/6 of it ahead leaves 128 - 84.67: black, and so on.
      {"a row of 128", uniform(1, 4, 128.0f), {255, 0, 255, 0}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.input.halftoning_ostromoukhov();
    EXPECT_EQ(c.input.samples, c.expected);
  }

  _image empty;
  empty.halftoning_ostromoukhov();
  EXPECT_TRUE(empty.samples.empty());
}

TEST(Halftoning, LevelsOutsideTheScaleUseTheEndRows) {
  _image image = raster({{-300, 40, 1000, 90, 255.5f, 7},
                         {1e9f, -1e9f, 130, 256, -0.5f, 300},
                         {12, 600, -20, 240, 128, 0}});
  const _image expected = reference_halftone(image);
  image.halftoning_ostromoukhov();
  EXPECT_EQ(bit_differences(image, expected), 0u);

  // Non-finite samples still give black or white, and no table read outside its rows.
  _image odd = raster({{std::numeric_limits<float>::infinity(), std::nanf(""), 100},
                       {-std::numeric_limits<float>::infinity(), 3e38f, 50}});
  odd.halftoning_ostromoukhov();
  for (float sample : odd.samples) EXPECT_TRUE(sample == 0.0f || sample == 255.0f);
}

TEST(Halftoning, MatchesThePlainScanOnPhotographs) {
  for (const char* name :
       {"astronaut_gray.pgm", "camera.pgm", "chelsea_gray.pgm", "coffee_gray.pgm", "gravel.pgm"}) {
    SCOPED_TRACE(name);
    _image image = read_photograph(name);
    ASSERT_GT(image.samples.size(), 0u);
    const _image expected = reference_halftone(image);
    image.halftoning_ostromoukhov();
    EXPECT_EQ(bit_differences(image, expected), 0u);
  }
}

}  // namespace
}  // namespace stippon
