// The ink blots that the dot sheets are grown from, beyond the settings of the committed sheets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// Levels stay within 0..255 whatever the blot's settings; a huge or infinite angle once looped
// forever, and a tiny elongation puts the focus far away.
TEST(InkBlot, LevelsStayWithinZeroTo255) {
  // clang-format off
  struct { const char* name; unsigned spot, size; float darkening; unsigned steps, drops;
           float elongation, angle, absorption; } cases[] = {
      {"round", 1, 12, 15.0f, 3000, 2, 0.0f, 0.0f, 0.3f},
      {"shaped", 1, 12, 12.0f, 3000, 3, 0.6f, 120.0f, 0.5f},
      {"heavy darkening", 2, 6, 300.0f, 800, 1, 0.0f, 0.0f, 0.0f},
      {"lightening", 1, 6, -40.0f, 800, 1, 0.0f, 0.0f, 0.9f},
      {"large spot", 5, 4, 20.0f, 500, 4, 0.9f, -170.0f, 1.0f},
      {"huge angle", 1, 8, 15.0f, 500, 2, 0.5f, 1e30f, 0.3f},
      {"infinite angle", 1, 8, 15.0f, 500, 2, 0.5f, INFINITY, 0.3f},
      {"tiny elongation", 1, 8, 15.0f, 500, 2, 1e-30f, 10.0f, 0.3f}};
  // clang-format on
  for (const auto& c : cases)
    for (unsigned seed = 1; seed <= 10; ++seed) {
      srandom(seed);
      const _image blot(c.spot, c.size, c.darkening, c.steps, c.drops, c.elongation, c.angle,
                        c.absorption, nullptr);
      ASSERT_EQ(blot.samples.size(), size_t{c.size} * c.size) << c.name;
      const auto [low, high] = std::minmax_element(blot.samples.begin(), blot.samples.end());
      EXPECT_TRUE(*low >= 0.0f && *high <= 255.0f) << c.name << ", seed " << seed;
    }
}

// A sheet of rows x columns cells, each holding a blot; sizes that make no sheet are refused.
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
    ASSERT_TRUE(sheet.width == c.width && sheet.height == c.height);
    ASSERT_EQ(sheet.samples.size(), size_t{c.width} * c.height);
    for (int k = 0; c.width > 0 && k < c.rows * c.columns; ++k) {
      float darkest = 255.0f;
      for (int i = 0; i < c.cell * c.cell; ++i)
        darkest = std::min(darkest, sheet.get(k / c.columns * c.cell + i / c.cell,
                                              k % c.columns * c.cell + i % c.cell));
      EXPECT_LT(darkest, 255.0f) << "cell " << k << " holds no blot";
    }
  }
}

}  // namespace
}  // namespace stippon
