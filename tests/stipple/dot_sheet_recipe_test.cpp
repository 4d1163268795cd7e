#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "image/file_pgm.h"
#include "image/image.h"
#include "stipple/dot_sheet_recipe.h"

namespace stippon {
namespace {

constexpr unsigned RESOLUTIONS[] = {1200, 600, 300};

_image committed_sheet(unsigned size, unsigned resolution) {
  const std::string name = std::string(STIPPON_DATA_DIR) + "/dots/dots_" + std::to_string(size) +
                           "_" + std::to_string(resolution) + ".pgm";
  _image sheet;
  _file_pgm reader;
  EXPECT_EQ(reader.read(name, sheet, 1 << 16), 1) << name;
  return sheet;
}

// Mean of the factor x factor block of the print sheet under one reduced sample.
float block_mean(const _image& print, unsigned row, unsigned column, unsigned factor) {
  float sum = 0.0f;
  for (unsigned i = 0; i < factor; ++i)
    for (unsigned j = 0; j < factor; ++j) sum += print.get(row * factor + i, column * factor + j);
  return sum / float(factor * factor);
}

TEST(DotSheets, CommittedSheetsAreRowsOfElevenInkBlotsOnWhite) {
  for (unsigned size = 4; size <= 8; ++size) {
    for (unsigned resolution : RESOLUTIONS) {
      SCOPED_TRACE(::testing::Message() << "dots_" << size << "_" << resolution);
      const _image sheet = committed_sheet(size, resolution);
      const unsigned side = size * resolution / 300;
      ASSERT_EQ(sheet.width, 11 * side);
      ASSERT_EQ(sheet.height, side);
      for (unsigned cell = 0; cell < 11; ++cell) {
        float darkest = 255.0f;
        for (unsigned y = 0; y < side; ++y)
          for (unsigned x = 0; x < side; ++x)
            darkest = std::min(darkest, sheet.get(y, cell * side + x));
        EXPECT_LE(darkest, 30.0f) << "cell " << cell;
      }
    }
  }
}

// No blot is cut by its cell: the corner pixels of every cell are paper white in print, and on
// screen, where a corner pixel averages a block of print pixels, still lighter than mid-grey.
TEST(DotSheets, CellCornersAreLeftToThePaper) {
  for (unsigned size = 4; size <= 8; ++size) {
    for (unsigned resolution : RESOLUTIONS) {
      SCOPED_TRACE(::testing::Message() << "dots_" << size << "_" << resolution);
      const _image sheet = committed_sheet(size, resolution);
      const unsigned side = size * resolution / 300;
      const float lowest_allowed = resolution == 1200 ? 255.0f : 128.0f;
      for (unsigned cell = 0; cell < 11; ++cell) {
        const unsigned left = cell * side, right = left + side - 1;
        for (float corner : {sheet.get(0, left), sheet.get(0, right), sheet.get(side - 1, left),
                             sheet.get(side - 1, right)})
          EXPECT_GE(corner, lowest_allowed) << "cell " << cell;
      }
    }
  }
}

// The dot on screen is the dot in print: each 600 and 300 ppi sample is the mean of its block of
// the 1200 ppi sheet, rounded to a whole level, so it lies within 0.5 of the exact mean.
TEST(DotSheets, ScreenSheetsAreAreaAveragesOfThePrintSheet) {
  for (unsigned size = 4; size <= 8; ++size) {
    const _image print = committed_sheet(size, 1200);
    for (unsigned factor : {2u, 4u}) {
      SCOPED_TRACE(::testing::Message() << "size " << size << ", reduced " << factor << " times");
      const _image screen = committed_sheet(size, 1200 / factor);
      for (unsigned y = 0; y < screen.height; ++y)
        for (unsigned x = 0; x < screen.width; ++x)
          ASSERT_LE(std::fabs(screen.get(y, x) - block_mean(print, y, x, factor)), 0.5f)
              << "at " << y << ", " << x;
    }
  }
}

TEST(DotSheets, SmallestDotIsMostlyDarkOnScreen) {
  const _image sheet = committed_sheet(4, 300);
  EXPECT_LT(sheet.mean(), 127.5f);
}

// The tool reproduces the committed files: regrowing the two smallest sizes (the larger ones take
// longer and follow the same path) gives the same samples at every resolution.
TEST(DotSheets, RecipeReproducesTheCommittedSheets) {
  for (unsigned size : {4u, 5u}) {
    const _image print = grow_dot_sheet(size);
    for (unsigned resolution : RESOLUTIONS) {
      SCOPED_TRACE(::testing::Message() << "dots_" << size << "_" << resolution);
      EXPECT_EQ(reduce_dot_sheet(print, 1200 / resolution).samples,
                committed_sheet(size, resolution).samples);
    }
  }
}

TEST(DotSheets, ReductionRoundsBlockMeans) {
  std::vector<float> levels = {0,   0,   10, 11,  //
                               0,   1,   10, 11,  //
                               255, 255, 3,  4,   //
                               255, 254, 4,  4};
  _image sheet;
  sheet.set(4, 4, levels);
  const _image reduced = reduce_dot_sheet(sheet, 2);
  ASSERT_EQ(reduced.width, 2u);
  ASSERT_EQ(reduced.height, 2u);
  // 0.25 -> 0, 10.5 -> 11 (halves round away from zero), 254.75 -> 255, 3.75 -> 4.
  EXPECT_EQ(reduced.samples, (std::vector<float>{0, 11, 255, 4}));
}

}  // namespace
}  // namespace stippon
