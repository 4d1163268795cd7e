#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

#include "image/image.h"
#include "image/uniform_random.h"

namespace stippon {
namespace {

// Asserts that run() consumed exactly `expected` values of random(): after it, the generator must
// continue where a replay from the same seed stands after `expected` draws.
void expect_draws(unsigned seed, long expected, const std::function<void()>& run) {
  srandom(seed);
  run();
  long after[4];
  for (long& value : after) value = ::random();
  srandom(seed);
  for (long n = 0; n < expected; ++n) ::random();
  for (long value : after) ASSERT_EQ(value, ::random()) << "expected " << expected << " draws";
}

_image flat_paper(unsigned size, float level) {
  _image paper;
  paper.dimensions(size, size);
  paper.create(false);
  paper += level;
  return paper;
}

bool all_white(const _image& image) {
  return std::all_of(image.samples.begin(), image.samples.end(),
                     [](float level) { return level == 255.0f; });
}

TEST(InkBlot, StepsZeroLeavesTheCellWhite) {
  srandom(7);
  const _image blot(1, 8, 15.0f, 0, 3, 0.5f, 30.0f, 0.3f, nullptr);
  EXPECT_EQ(blot.width, 8u);
  EXPECT_EQ(blot.height, 8u);
  ASSERT_EQ(blot.samples.size(), 64u);
  EXPECT_TRUE(all_white(blot));
}

TEST(InkBlot, DropsZeroDrawsOnlyPaperAndRouletteNumbers) {
  _image blot;
  expect_draws(11, 4 * 6 * 6 + 40,
               [&] { blot = _image(1, 6, 15.0f, 40, 0, 0.0f, 0.0f, 0.3f, nullptr); });
  EXPECT_TRUE(all_white(blot));
}

TEST(InkBlot, NoShapingDrawWithoutElongation) {
  _image paper = flat_paper(8, 220.0f);
  struct {
    const char* name;
    _image* paper;
    long paper_draws;
  } cases[] = {{"own paper", nullptr, 4 * 8 * 8}, {"given paper", &paper, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Eight draws per drop place it, one roulette number per step, nothing else.
    expect_draws(5, c.paper_draws + 8 * 3 + 300,
                 [&] { _image(1, 8, 12.0f, 300, 3, 0.0f, 45.0f, 0.2f, c.paper); });
  }
}

TEST(InkBlot, OneDropOfSpotOneInksASinglePixel) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    srandom(seed);
    const _image blot(1, 9, 12.5f, 1, 1, 0.0f, 0.0f, 0.3f, nullptr);
    const long darkened = std::count_if(blot.samples.begin(), blot.samples.end(),
                                        [](float level) { return level != 255.0f; });
    EXPECT_EQ(darkened, 1) << "seed " << seed;
    EXPECT_EQ(*std::min_element(blot.samples.begin(), blot.samples.end()), 242.5f);
  }
}

// A lone pixel in a 1 x 1 cell is chosen until it has soaked up its ink, which happens once its
// level reaches 255 - paper; it then holds no ink and is never chosen again.
TEST(InkBlot, ALonePixelDarkensDownToThePaperLevel) {
  struct {
    const char* name;
    float elongation;
    float paper_level;
    float expected;
  } cases[] = {
      {"without shaping", 0.0f, 230.0f, 25.0f},
      // Shaping with a single active pixel must not drain it: it stays its own nearest pixel.
      {"shaping on every step", 1.0f, 200.0f, 55.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    _image paper = flat_paper(1, c.paper_level);
    srandom(3);
    const _image blot(1, 1, 10.0f, 5000, 1, c.elongation, 0.0f, 0.3f, &paper);
    EXPECT_EQ(blot.samples[0], c.expected);
  }
}

TEST(InkBlot, LevelsStayWithinZeroTo255) {
  struct {
    const char* name;
    unsigned spot, size;
    float darkening;
    unsigned steps, drops;
    float elongation, angle, absorption;
  } cases[] = {
      {"round", 1, 12, 15.0f, 3000, 2, 0.0f, 0.0f, 0.3f},
      {"shaped", 1, 12, 12.0f, 3000, 3, 0.6f, 120.0f, 0.5f},
      {"heavy darkening", 2, 6, 300.0f, 800, 1, 0.0f, 0.0f, 0.0f},
      {"lightening", 1, 6, -40.0f, 800, 1, 0.0f, 0.0f, 0.9f},
      {"large spot", 5, 4, 20.0f, 500, 4, 0.9f, -170.0f, 1.0f},
      // A huge or infinite angle once looped forever; a tiny elongation puts the focus far away.
      {"huge angle", 1, 8, 15.0f, 500, 2, 0.5f, 1e30f, 0.3f},
      {"infinite angle", 1, 8, 15.0f, 500, 2, 0.5f, std::numeric_limits<float>::infinity(), 0.3f},
      {"tiny elongation", 1, 8, 15.0f, 500, 2, 1e-30f, 10.0f, 0.3f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (unsigned seed = 1; seed <= 10; ++seed) {
      srandom(seed);
      const _image blot(c.spot, c.size, c.darkening, c.steps, c.drops, c.elongation, c.angle,
                        c.absorption, nullptr);
      ASSERT_EQ(blot.samples.size(), size_t{c.size} * c.size);
      const auto [low, high] = std::minmax_element(blot.samples.begin(), blot.samples.end());
      EXPECT_GE(*low, 0.0f) << "seed " << seed;
      EXPECT_LE(*high, 255.0f) << "seed " << seed;
    }
  }
}

TEST(InkBlot, APaperSmallerThanTheCellIsReplacedByItsOwn) {
  _image small = flat_paper(2, 220.0f);
  srandom(9);
  const _image with_small(1, 8, 15.0f, 600, 2, 0.0f, 0.0f, 0.3f, &small);
  srandom(9);
  const _image with_none(1, 8, 15.0f, 600, 2, 0.0f, 0.0f, 0.3f, nullptr);
  EXPECT_EQ(with_small.samples, with_none.samples);
}

TEST(GenDots, SheetGeometry) {
  struct {
    int rows, columns, cell;
    unsigned width, height;
  } cases[] = {{1, 11, 8, 88, 8}, {1, 11, 16, 176, 16}, {2, 3, 5, 15, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rows << " x " << c.columns << " of " << c.cell);
    srandom(1);
    _image sheet;
    EXPECT_EQ(sheet.genDots(c.rows, c.columns, c.cell, 1.0f, 400.0f, nullptr), 0);
    EXPECT_EQ(sheet.width, c.width);
    EXPECT_EQ(sheet.height, c.height);
    ASSERT_EQ(sheet.samples.size(), size_t{c.width} * c.height);
    for (int k = 0; k < c.rows * c.columns; ++k) {
      float darkest = 255.0f;
      for (int i = 0; i < c.cell; ++i)
        for (int j = 0; j < c.cell; ++j)
          darkest =
              std::min(darkest, sheet.get(k / c.columns * c.cell + i, k % c.columns * c.cell + j));
      EXPECT_LT(darkest, 255.0f) << "cell " << k << " holds no blot";
    }
  }
}

// Blot k is grown from four draws d1..d4 with the sheet's drops and steps values and lands in row
// k / columns, column k % columns.
TEST(GenDots, CellsHoldTheBlotsGrownFromTheirFourDraws) {
  const float drops_value = 1.25f, steps_value = 900.0f;
  _image paper = flat_paper(6, 225.0f);
  srandom(21);
  _image sheet;
  sheet.genDots(2, 3, 6, drops_value, steps_value, &paper);

  srandom(21);
  for (unsigned k = 0; k < 6; ++k) {
    SCOPED_TRACE(::testing::Message() << "blot " << k);
    float d[4];
    for (float& value : d) value = float(::random());
    const float fewest = float(0.67 * steps_value);
    const auto steps = unsigned(d[2] * ((steps_value - fewest) * RANDOM_UNIT) + fewest);
    const _image blot(1, 6, 10.0f + d[1] * 10.0f * RANDOM_UNIT, steps, 2, 0.25f,
                      d[0] * 360.0f * RANDOM_UNIT - 180.0f, 0.1f + d[3] * 0.5f * RANDOM_UNIT,
                      &paper);
    for (unsigned i = 0; i < 6; ++i)
      for (unsigned j = 0; j < 6; ++j)
        ASSERT_EQ(sheet.get(k / 3 * 6 + i, k % 3 * 6 + j), blot.get(i, j)) << i << ", " << j;
  }
}

TEST(GenDots, RefusesImpossibleArguments) {
  struct {
    const char* name;
    int rows, columns, cell;
  } cases[] = {
      {"no rows", 0, 11, 8}, {"negative columns", 1, -11, 8}, {"negative cell", 1, 11, -8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    _image sheet;
    EXPECT_EQ(sheet.genDots(c.rows, c.columns, c.cell, 1.0f, 100.0f, nullptr), 0);
    EXPECT_EQ(sheet.width, 0u);
    EXPECT_TRUE(sheet.samples.empty());
  }
}

TEST(GenDots, NegativeDropsAndStepsCountAsZero) {
  _image negative, zero;
  srandom(4);
  negative.genDots(1, 3, 6, -2.5f, -100.0f, nullptr);
  srandom(4);
  zero.genDots(1, 3, 6, 0.0f, 0.0f, nullptr);
  EXPECT_EQ(negative.samples, zero.samples);
  EXPECT_TRUE(all_white(zero));  // no steps
}

}  // namespace
}  // namespace stippon
