// Dot outlines: marching squares worked out by hand on tiny cells, holes and saddles, and the
// real dot sheets traced at half ink.
#include <gtest/gtest.h>

#include <cmath>

#include "stipple/dot_library.h"
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

TEST(DotOutline, InkCentreDustAndSheetEdges) {
  // A grey of 50 (ink 205/255) on the left column, white on the right: ink and its centre.
  const _image half = cell({"2.", "2."});
  const _dot_outline grey = _dot_outline::trace(half, 0, 0, 2, 0.0, 0.0);
  EXPECT_DOUBLE_EQ(grey.ink(), 2.0 * 205.0 / 255.0);
  EXPECT_DOUBLE_EQ(grey.centre().x, 0.5);
  EXPECT_DOUBLE_EQ(grey.centre().y, 1.0);
  // A blank cell: no ring, no ink, centred.
  const _dot_outline blank = _dot_outline::trace(white(4, 4), 0, 0, 4, 0.0, 0.0);
  EXPECT_EQ(blank.rings(), 0u);
  EXPECT_EQ(blank.ink(), 0.0);
  EXPECT_DOUBLE_EQ(blank.centre().x, 2.0);
  // Dust below the least area is left out.
  EXPECT_EQ(_dot_outline::trace(cell({"...", ".#.", "..."}), 0, 0, 3, 0.0, 0.6).rings(), 0u);
  // A cell reaching past the sheet counts paper there: the second cell of a 3-wide sheet.
  const _image sheet = cell({"..#", "..#"});
  const _dot_outline cut = _dot_outline::trace(sheet, 0, 2, 2, 0.0, 0.0);
  ASSERT_EQ(cut.rings(), 1u);
  EXPECT_DOUBLE_EQ(_dot_outline::area(cut.ring(0)), 2.0 - 4 * 0.125);
  EXPECT_DOUBLE_EQ(cut.ink(), 2.0);
}

// Every cell of the 1200 ppi sheets: the traced area is the area of its samples darker than half,
// within a sample along the outline, and simplifying to 0.01 mm moves it little more.
TEST(DotOutline, RealSheets) {
  _dot_sheets sheets;
  ASSERT_EQ(sheets.load(16384, STIPPON_DATA_DIR), 1);
  const double tolerance = 0.01 / (25.4 / 1200.0);
  for (int size = DOT_SIZE_MIN; size <= DOT_SIZE_MAX; ++size) {
    const _image& sheet = *sheets.sheet(resolution_1200, size);
    const unsigned n = 4 * unsigned(size);
    for (unsigned column = 0; column + n <= sheet.width; column += n) {
      const _dot_outline exact = _dot_outline::trace(sheet, 0, column, n, 0.0, 0.0);
      const _dot_outline simple = _dot_outline::trace(sheet, 0, column, n, tolerance, 1.0);
      double dark = 0.0;
      for (unsigned r = 0; r < n; ++r)
        for (unsigned c = 0; c < n; ++c) dark += sheet.get(r, column + c) < 127.5f;
      const double perimeter = 2.0 * std::sqrt(std::numbers::pi * dark);
      const std::string cell =
          "size " + std::to_string(size) + ", column " + std::to_string(column);
      EXPECT_NEAR(total_area(exact), dark, 0.5 * perimeter) << cell;
      EXPECT_NEAR(total_area(simple), total_area(exact), 0.25 * perimeter) << cell;
      EXPECT_GT(_dot_outline::area(simple.ring(0)), 0.0) << cell;
      EXPECT_LT(simple.points(), exact.points() / 2) << cell;
      // The ink's centre lies inside the cell, near its middle.
      EXPECT_NEAR(simple.centre().x, n / 2.0, n / 4.0) << cell;
      EXPECT_NEAR(simple.centre().y, n / 2.0, n / 4.0) << cell;
    }
  }
}

}  // namespace
}  // namespace stippon
