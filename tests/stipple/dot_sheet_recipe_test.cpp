#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "photo/photo_reader.h"
#include "stipple/dot_sheet_recipe.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

constexpr unsigned RESOLUTIONS[] = {1200, 600, 300};

_image committed_sheet(unsigned size, unsigned resolution) {
  const std::string name = "/dots/dots_" + std::to_string(size) + "_" + std::to_string(resolution);
  _image sheet;
  EXPECT_TRUE(_photo_reader().read(STIPPON_DATA_DIR + name + ".pgm", sheet, 1 << 16)) << name;
  return sheet;
}

// Rows of eleven ink blots on white. No blot is cut by its cell: the corner pixels of every cell
// are paper white in print, and on screen, where a corner pixel averages a block of print pixels,
// still lighter than mid-grey.
TEST(DotSheets, CommittedSheetsAreRowsOfElevenBlotsClearOfTheCorners) {
  for (unsigned size = 4; size <= 8; ++size) {
    for (unsigned resolution : RESOLUTIONS) {
      SCOPED_TRACE(::testing::Message() << "dots_" << size << "_" << resolution);
      const _image sheet = committed_sheet(size, resolution);
      const unsigned side = size * resolution / 300, last = side - 1;
      ASSERT_EQ(sheet.width, 11 * side);
      ASSERT_EQ(sheet.height, side);
      for (unsigned left = 0; left < sheet.width; left += side) {
        float darkest = 255.0f;
        for (unsigned i = 0; i < side * side; ++i)
          darkest = std::min(darkest, sheet.get(i / side, left + i % side));
        EXPECT_LE(darkest, 30.0f) << "cell at " << left;
        for (float corner : {sheet.get(0, left), sheet.get(0, left + last), sheet.get(last, left),
                             sheet.get(last, left + last)})
          EXPECT_GE(corner, resolution == 1200 ? 255.0f : 128.0f) << "cell at " << left;
      }
    }
  }
}

// The tool reproduces the committed files: regrowing the two smallest sizes (the larger ones take
// longer and follow the same path) gives the same samples at every resolution, the screen sheets
// being block means of the print sheet.
TEST(DotSheets, RecipeReproducesTheCommittedSheets) {
  for (unsigned size : {4u, 5u}) {
    const _image print = grow_dot_sheet(size);
    for (unsigned resolution : RESOLUTIONS)
      EXPECT_EQ(differences(reduce_dot_sheet(print, 1200 / resolution),
                            committed_sheet(size, resolution)),
                0u)
          << "dots_" << size << "_" << resolution;
  }
}

TEST(DotSheets, ReductionRoundsBlockMeans) {
  const _image sheet = raster(4, 4, {0, 0, 10, 11, 0, 1, 10, 11, 255, 255, 3, 4, 255, 254, 4, 4});
  // 0.25 -> 0, 10.5 -> 11 (halves round away from zero), 254.75 -> 255, 3.75 -> 4.
  EXPECT_EQ(differences(reduce_dot_sheet(sheet, 2), raster(2, 2, {0, 11, 255, 4})), 0u);
}

}  // namespace
}  // namespace stippon
