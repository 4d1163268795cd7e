// Dot outlines: marching squares worked out by hand on tiny cells, holes and saddles. The real
// sheets traced are checked by drawing the SVG print (document tests).
#include <gtest/gtest.h>

#include <cmath>

#include "stipple/dot_outline.h"
#include "stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// A cell from rows written top row first, as one reads them; '#' black, '.' white, digits the
// greys 0..9 (x 25).
_image cell(const std::vector<std::string>& top_first) {
  const unsigned rows = unsigned(top_first.size()), columns = unsigned(top_first[0].size());
  std::vector<float> values(size_t(rows) * columns);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned c = 0; c < columns; ++c) {
      const char v = top_first[rows - 1 - r][c];
      values[size_t(r) * columns + c] = v == '#'   ? 0.0f
                                        : v == '.' ? 255.0f
                                                   : float(v - '0') * 25.0f;
    }
  return raster(rows, columns, values);
}

double total_area(const _dot_outline& outline) {
  double area = 0.0;
  for (size_t r = 0; r < outline.rings(); ++r) area += _dot_outline::area(outline.ring(r));
  return area;
}

// Signed ring areas worked by hand: outer rings counter-clockwise, holes clockwise.
TEST(DotOutline, TracedByHand) {
  // name, cell, signed areas of the rings (outer rings counter-clockwise, holes clockwise)
  const std::tuple<const char*, std::vector<std::string>, std::vector<double>> cases[] = {
      // Crossings halfway to the white neighbours: a diamond of half-diagonal 0.5.
      {"one sample", {"...", ".#.", "..."}, {0.5}},
      // Half a sample round the 2 x 2 samples, its four corners cut: 4 - 4 x 0.125.
      {"2 x 2 block", {"....", ".##.", ".##.", "...."}, {3.5}},
      // Ink touching the edge of the cell is closed by the paper around the cell.
      {"whole cell", {"##", "##"}, {3.5}},
      // A ring of ink round a white sample: the hole turns the other way.
      {"ring", {"###", "#.#", "###"}, {8.5, -0.5}},
      // Opposite corners at full ink: the square's centre (mean 127.5) is not inked: two dots.
      {"parted saddle", {"#.", ".#"}, {0.5, 0.5}},
      // Opposite corners joined where the centre is dark enough (mean 75).
      {"joined saddle", {"#6", "6#"}, {0.0}},
  };
  for (const auto& [name, rows, areas] : cases) {
    const _image sheet = cell(rows);
    const _dot_outline outline = _dot_outline::trace(sheet, 0, 0, sheet.width, 0.0, 0.0);
    ASSERT_EQ(outline.rings(), areas.size()) << name;
    if (std::string(name) == "joined saddle") {
      // Two diamonds and the bridge between them: more than two apart, less than the square.
      EXPECT_GT(total_area(outline), 1.0) << name;
      EXPECT_LT(total_area(outline), 3.5) << name;
      continue;
    }
    for (size_t r = 0; r < areas.size(); ++r)
      EXPECT_DOUBLE_EQ(_dot_outline::area(outline.ring(r)), areas[r]) << name << ", ring " << r;
  }
}

}  // namespace
}  // namespace stippon
