// The pen's path through the dots: strips of the page against a plain sort, and the sweeps that
// straighten it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include "stipple/pen_order.h"

namespace stippon {
namespace {

// Named clouds of points in thousandths of a millimetre, each a shape the strips must cope with.
std::vector<std::pair<const char*, std::vector<_pen_point>>> clouds() {
  std::mt19937 random(7);
  const auto unit = [&](int32_t scale) { return int32_t(random() % uint32_t(scale)); };
  std::vector<_pen_point> rows, scattered, clusters, column, lattice, off_page;
  // Drawn as the stippling draws: row by row, each from left to right, with a little jitter.
  for (int32_t row = 0; row < 60; ++row)
    for (int32_t x = unit(900); x < 100000; x += 400 + unit(1500))
      rows.push_back({x, 600 * row + unit(300)});
  for (int i = 0; i < 3000; ++i) scattered.push_back({unit(100000), unit(60000)});
  // Two tight clusters far apart: most strips are empty.
  for (int i = 0; i < 600; ++i)
    clusters.push_back({(i % 2 ? 300000 : 0) + unit(1000), (i % 2 ? 200000 : 0) + unit(1000)});
  // A vertical line: no area, strips along its length.
  for (int i = 0; i < 500; ++i) column.push_back({3000, 500 * (i * 7 % 500)});
  // Equal x everywhere in a column: ties go by index.
  for (int i = 0; i < 900; ++i) lattice.push_back({1000 * (i % 30), 1000 * (i / 30)});
  // Dots hanging off the page's top and left edges.
  for (int i = 0; i < 800; ++i) off_page.push_back({unit(20000) - 500, unit(20000) - 500});
  return {{"rows", rows},          {"scattered", scattered}, {"two clusters", clusters},
          {"column", column},      {"lattice", lattice},     {"off the page", off_page},
          {"one point", {{5, 5}}}, {"no points", {}}};
}

// The plain order: all points sorted at once by strip, then by x and index, reversed in every
// other strip. Strips past the count of points are taken with the last.
std::vector<uint32_t> sorted_in_strips(const std::vector<_pen_point>& points, double height) {
  int32_t top = points.empty() ? 0 : points[0].y;
  for (const _pen_point& p : points) top = std::min(top, p.y);
  const auto strip = [&](uint32_t i) {
    return std::min(int64_t(std::floor((double(points[i].y) - top) / height)),
                    int64_t(points.size()));
  };
  const auto ahead = [&](uint32_t a, uint32_t b) {
    return points[a].x < points[b].x || (points[a].x == points[b].x && a < b);
  };
  std::vector<uint32_t> order(points.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    if (strip(a) != strip(b)) return strip(a) < strip(b);
    return strip(a) % 2 == 0 ? ahead(a, b) : ahead(b, a);
  });
  return order;
}

TEST(PenOrder, SerpentineOrderIsThePlainSort) {
  for (const auto& [name, points] : clouds())
    for (const double scale : {1.0, 0.3, 4.0}) {
      const double height = scale * strip_height(points);
      EXPECT_EQ(serpentine_order(points, height), sorted_in_strips(points, height))
          << name << ", height " << height;
    }
  // By hand: strips of 10 from y = 0; the second is taken from right to left.
  const std::vector<_pen_point> two_strips = {{5, 12}, {1, 3}, {4, 0}, {9, 19}, {2, 15}, {4, 9}};
  EXPECT_EQ(serpentine_order(two_strips, 10.0), (std::vector<uint32_t>{1, 2, 5, 3, 0, 4}));
}

TEST(PenOrder, StripHeightFollowsTheSpacing) {
  // 100 x 100 points 1000 apart: a spacing of 990 over the box.
  std::vector<_pen_point> grid;
  for (int32_t i = 0; i < 10000; ++i) grid.push_back({1000 * (i % 100), 1000 * (i / 100)});
  EXPECT_DOUBLE_EQ(strip_height(grid), 1.7 * 99000.0 / 100.0);
  // On a vertical line, the spacing is taken along it; on one point there is none.
  const std::vector<_pen_point> line = {{7, 0}, {7, 400}, {7, 800}, {7, 1200}};
  EXPECT_DOUBLE_EQ(strip_height(line), 1.7 * 1200.0 / 4.0);
  EXPECT_DOUBLE_EQ(strip_height(std::vector<_pen_point>{{3, 4}}), 1.0);
}

bool is_permutation_of_all(std::vector<uint32_t> order, size_t n) {
  std::sort(order.begin(), order.end());
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] != i) return false;
  return order.size() == n;
}

TEST(PenOrder, SweepsStraightenThePath) {
  // On a line: 0, 2, 1, 3 travels 2 + 1 + 2; reversing the middle two gives 1 + 1 + 1.
  const std::vector<_pen_point> line = {{0, 0}, {2, 0}, {1, 0}, {3, 0}};
  std::vector<uint32_t> order = {0, 1, 2, 3};
  EXPECT_DOUBLE_EQ(pen_travel(line, order), 5.0);
  EXPECT_EQ(improve_order(line, order, 0), 0u);
  EXPECT_EQ(improve_order(line, order, 5), 1u);
  EXPECT_EQ(order, (std::vector<uint32_t>{0, 2, 1, 3}));
  EXPECT_DOUBLE_EQ(pen_travel(line, order), 3.0);
  // A stretch of three: 0, 3, 2, 1, 4 along a line becomes 0, 1, 2, 3, 4.
  const std::vector<_pen_point> five = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
  order = {0, 3, 2, 1, 4};
  EXPECT_EQ(improve_order(five, order, 1), 1u);
  EXPECT_EQ(order, (std::vector<uint32_t>{0, 1, 2, 3, 4}));

  for (const auto& [name, points] : clouds()) {
    std::vector<uint32_t> swept = serpentine_order(points, strip_height(points));
    const double before = pen_travel(points, swept);
    std::vector<uint32_t> once = swept;
    improve_order(points, once, 1);
    improve_order(points, swept, 100);
    EXPECT_TRUE(is_permutation_of_all(swept, points.size())) << name;
    EXPECT_LE(pen_travel(points, once), before) << name;
    EXPECT_LE(pen_travel(points, swept), pen_travel(points, once)) << name;
    // Sweeping stopped because a sweep changed nothing: another changes nothing either.
    EXPECT_EQ(improve_order(points, swept, 1), 0u) << name;
    if (name == std::string("rows")) {
      EXPECT_LT(pen_travel(points, once), 0.97 * before) << name;
    }
  }
}

TEST(PenOrder, TravelOfEachOrder) {
  const std::vector<_pen_point> points = clouds().front().second;
  _pen_travel travel;
  const std::vector<uint32_t> order = pen_order(points, 1, travel);
  std::vector<uint32_t> drawn(points.size());
  std::iota(drawn.begin(), drawn.end(), 0u);
  std::vector<uint32_t> expected = serpentine_order(points, strip_height(points));
  EXPECT_DOUBLE_EQ(travel.serpentine, pen_travel(points, expected));
  improve_order(points, expected, 1);
  EXPECT_EQ(order, expected);
  EXPECT_DOUBLE_EQ(travel.drawn, pen_travel(points, drawn));
  EXPECT_DOUBLE_EQ(travel.drawn, pen_travel(points));
  EXPECT_DOUBLE_EQ(travel.improved, pen_travel(points, order));
  // Drawn row by row, the pen crosses the page for every row; the strips hold several rows.
  EXPECT_LT(travel.improved, 0.4 * travel.drawn);
}

}  // namespace
}  // namespace stippon
