// Error diffusion: rows worked on paper, and the plain serpentine scan on photographs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "stipple/coefficients.h"
#include "stipple/halftoning.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// Plain serpentine error diffusion, one pixel at a time, with the table row clamped to 0..255.
_image reference_halftone(_image image) {
  const int width = int(image.width);
  std::vector<double> current(width + 2, 0.0), next(width + 2, 0.0);
  for (int r = 0; r < int(image.height); ++r) {
    const int direction = r % 2 == 0 ? 1 : -1;
    for (int k = 0; k < width; ++k) {
      const int c = direction > 0 ? k : width - 1 - k;
      float& sample = image.samples[size_t(r) * width + c];
      const int level = int(sample);
      const double value = level + current[c + 1];
      const double error = value > 127.5 ? value - 255.0 : value;
      const int* weights = Coefficients[std::clamp(level, 0, 255)];
      const double ahead = double(weights[0]) * error / weights[3];
      const double behind = double(weights[1]) * error / weights[3];
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

// Rows worked on paper, each a rule of the scan.
TEST(Halftoning, PicturesWorkedByHand) {
  // clang-format off
  struct { const char* name; _image input; std::vector<float> expected; } cases[] = {
      // 100: black, error 100, 5/10 = 50 ahead. 64 + 50 = 114: black, 1/2 of 114 = 57 ahead.
      // 128 + 57 = 185: white, error -70, 4/6 ahead = -46.67. 0 - 46.67: black.
      {"one row", raster(1, 4, {100, 64, 128, 0}), {0, 0, 255, 0}},
      // Row 0 (left to right): 100 black, e 100 -> 50 ahead, 30 behind (cell -1), 20 below.
      //   64 + 50 = 114 black, e 114 -> 57 ahead, 57 behind (cell 0), 0 below.
      //   64 + 57 = 121 black, e 121 -> 60.5 behind (cell 1).   Pending row 1: 77, 60.5, 0.
      // Row 1 (right to left): 127 + 0 black, e 127 -> 4/6 = 84.67 ahead into column 1.
      //   level 0: 60.5 + 84.67 = 145.17 > 127.5, yet it stays black and passes on
      //   145.17 - 255 = -109.83, of which 13/18 = -79.32 goes ahead.
      //   100 + 77 - 79.32 = 97.68: black. Passing on +145.17 would have turned it white, and so
      //   would a left-to-right scan of row 1 (100 + 77 first).
      {"serpentine rows, solid black", raster(2, 3, {100, 64, 64, 100, 0, 127}),
       {0, 0, 0, 0, 0, 0}},
      {"black stays black", filled(5, 7, 0.0f), std::vector<float>(35, 0.0f)},
      {"one pixel of 200", filled(1, 1, 200.0f), {255}},
      {"one pixel of 127.9 truncates to 127", filled(1, 1, 127.9f), {0}},
      // 128: white, passes on -127; 4/6 of it ahead leaves 128 - 84.67: black, and so on.
      {"a row of 128", filled(1, 4, 128.0f), {255, 0, 255, 0}},
      {"empty", _image(), {}}};
  // clang-format on
  for (auto& c : cases) {
    halftoning_ostromoukhov(c.input);
    EXPECT_EQ(c.input.samples, c.expected) << c.name;
  }
}

// Levels off the scale take the end rows of the table, photographs the whole of it.
TEST(Halftoning, MatchesThePlainScan) {
  // clang-format off
  std::vector<_image> pictures = {raster(3, 6, {-300, 40, 1000, 90, 255.5f, 7, 1e9f, -1e9f, 130,
                                                256, -0.5f, 300, 12, 600, -20, 240, 128, 0})};
  // clang-format on
  for (const char* name :
       {"astronaut_gray.pgm", "camera.pgm", "chelsea_gray.pgm", "coffee_gray.pgm", "gravel.pgm"})
    pictures.push_back(read_photo(name));
  for (_image& image : pictures) {
    const _image expected = reference_halftone(image);
    halftoning_ostromoukhov(image);
    EXPECT_EQ(differences(image, expected), 0u) << image.width << " x " << image.height;
  }
  // Non-finite samples still give black or white, and no table read outside its rows.
  const float inf = std::numeric_limits<float>::infinity();
  _image odd = raster(2, 3, {inf, std::nanf(""), 100, -inf, 3e38f, 50});
  halftoning_ostromoukhov(odd);
  for (float sample : odd.samples) EXPECT_TRUE(sample == 0.0f || sample == 255.0f);
}

}  // namespace
}  // namespace stippon
