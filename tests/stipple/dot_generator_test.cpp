#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

TEST(InkBlot, OneDropOfSpotOneInksASinglePixel) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    srandom(seed);
    const _image blot(1, 9, 12.5f, 1, 1, 0.0f, 0.0f, 0.3f, nullptr);
    EXPECT_EQ(std::count(blot.samples.begin(), blot.samples.end(), 255.0f), 80) << seed;
    EXPECT_EQ(std::count(blot.samples.begin(), blot.samples.end(), 242.5f), 1) << seed;
  }
}

// A lone pixel in a 1 x 1 cell is chosen until it has soaked up its ink, which happens once its
// level reaches 255 - paper; it then holds no ink and is never chosen again. Shaping with a single
// active pixel must not drain it: it stays its own nearest pixel.
TEST(InkBlot, ALonePixelDarkensDownToThePaperLevel) {
  for (auto [elongation, paper_level] : {std::pair{0.0f, 230.0f}, std::pair{1.0f, 200.0f}}) {
    _image paper = filled(1, 1, paper_level);
    srandom(3);
    const _image blot(1, 1, 10.0f, 5000, 1, elongation, 0.0f, 0.3f, &paper);
    EXPECT_EQ(blot.samples, std::vector<float>{255.0f - paper_level}) << elongation;
  }
}

TEST(InkBlot, LevelsStayWithinZeroTo255) {
  auto expect_levels = [](const char* name, unsigned spot, unsigned size, float darkening,
                          unsigned steps, unsigned drops, float elongation, float angle,
                          float absorption) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
      srandom(seed);
      const _image blot(spot, size, darkening, steps, drops, elongation, angle, absorption,
                        nullptr);
      ASSERT_EQ(blot.samples.size(), size_t{size} * size) << name;
      const auto [low, high] = std::minmax_element(blot.samples.begin(), blot.samples.end());
      EXPECT_TRUE(*low >= 0.0f && *high <= 255.0f) << name << ", seed " << seed;
    }
  };
  expect_levels("round", 1, 12, 15.0f, 3000, 2, 0.0f, 0.0f, 0.3f);
  expect_levels("shaped", 1, 12, 12.0f, 3000, 3, 0.6f, 120.0f, 0.5f);
  expect_levels("heavy darkening", 2, 6, 300.0f, 800, 1, 0.0f, 0.0f, 0.0f);
  expect_levels("lightening", 1, 6, -40.0f, 800, 1, 0.0f, 0.0f, 0.9f);
  expect_levels("large spot", 5, 4, 20.0f, 500, 4, 0.9f, -170.0f, 1.0f);
  // A huge or infinite angle once looped forever; a tiny elongation puts the focus far away.
  expect_levels("huge angle", 1, 8, 15.0f, 500, 2, 0.5f, 1e30f, 0.3f);
  expect_levels("infinite angle", 1, 8, 15.0f, 500, 2, 0.5f, INFINITY, 0.3f);
  expect_levels("tiny elongation", 1, 8, 15.0f, 500, 2, 1e-30f, 10.0f, 0.3f);
}

TEST(InkBlot, APaperSmallerThanTheCellIsReplacedByItsOwn) {
  _image small = filled(2, 2, 220.0f);
  srandom(9);
  const _image with_small(1, 8, 15.0f, 600, 2, 0.0f, 0.0f, 0.3f, &small);
  srandom(9);
  const _image with_none(1, 8, 15.0f, 600, 2, 0.0f, 0.0f, 0.3f, nullptr);
  EXPECT_EQ(with_small.samples, with_none.samples);
}

TEST(GenDots, SheetGeometryAndRefusedArguments) {
  // clang-format off
  struct { int rows, columns, cell; unsigned width, height; } cases[] = {  // 0 x 0: refused
      {1, 11, 8, 88, 8}, {2, 3, 5, 15, 10}, {0, 11, 8, 0, 0}, {1, -11, 8, 0, 0}, {1, 11, -8, 0, 0}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rows << " x " << c.columns << " of " << c.cell);
    srandom(1);
    _image sheet;
    EXPECT_EQ(sheet.genDots(c.rows, c.columns, c.cell, 1.0f, 400.0f, nullptr), 0);
    EXPECT_EQ(sheet.width, c.width);
    EXPECT_EQ(sheet.height, c.height);
    ASSERT_EQ(sheet.samples.size(), size_t{c.width} * c.height);
    for (int k = 0; c.width > 0 && k < c.rows * c.columns; ++k) {
      float darkest = 255.0f;
      for (int i = 0; i < c.cell * c.cell; ++i)
        darkest = std::min(darkest, sheet.get(k / c.columns * c.cell + i / c.cell,
                                              k % c.columns * c.cell + i % c.cell));
      EXPECT_LT(darkest, 255.0f) << "cell " << k << " holds no blot";
    }
  }
  // Negative drops and steps count as zero: no drops, no steps, white cells.
  _image negative;
  negative.genDots(1, 3, 6, -2.5f, -100.0f, nullptr);
  EXPECT_EQ(differences(negative, white(6, 18)), 0u);
}

}  // namespace
}  // namespace stippon
