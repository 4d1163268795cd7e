// The pen's path through the dots: the grid's searches against comparing with every point, and
// the improvement of the nearest-neighbour path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "stipple/pen_order.h"
#include "stipple/point_grid.h"

namespace stippon {
namespace {

constexpr uint32_t NONE = _point_grid::NONE;

// Named clouds of points, each a shape the grid must cope with.
std::vector<std::pair<const char*, std::vector<_pen_point>>> clouds() {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<_pen_point> uniform, clusters, line, lattice, lopsided;
  for (int i = 0; i < 2000; ++i) uniform.push_back({100.0f * unit(random), 60.0f * unit(random)});
  // Two tight clusters far apart: most cells are empty, and a search must cross them.
  for (int i = 0; i < 600; ++i)
    clusters.push_back(
        {(i % 2 ? 300.0f : 0.0f) + unit(random), (i % 2 ? 200.0f : 0.0f) + unit(random)});
  for (int i = 0; i < 500; ++i) line.push_back({0.5f * float(i % 250), 3.0f});
  // Equal distances everywhere: ties go to the lower index.
  for (int i = 0; i < 900; ++i) lattice.push_back({float(i % 30), float(i / 30)});
  // Nearly all points in one corner, a few across the page.
  for (int i = 0; i < 1500; ++i)
    lopsided.push_back(i % 100 ? _pen_point{unit(random), unit(random)}
                               : _pen_point{400.0f * unit(random), 300.0f * unit(random)});
  return {{"uniform", uniform}, {"two clusters", clusters}, {"on a line", line},
          {"lattice", lattice}, {"lopsided", lopsided},     {"one point", {{5.0f, 5.0f}}},
          {"no points", {}}};
}

// The plain search: every point still in, nearest by distance then index.
uint32_t nearest_of_all(const std::vector<_pen_point>& points, const std::vector<bool>& removed,
                        double x, double y) {
  uint32_t best = NONE;
  double best_distance = 0.0;
  for (uint32_t i = 0; i < points.size(); ++i) {
    if (removed[i]) continue;
    const double d = _point_grid::squared_distance(points[i], x, y);
    if (best == NONE || d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return best;
}

// The grid's search around a point finds what comparing with every point finds (its nearest
// point is checked through the pen's path below).
TEST(PointGrid, SearchesFindWhatComparingWithEveryPointFinds) {
  for (const auto& [name, points] : clouds()) {
    _point_grid grid(points);
    // The points near each point: every other point nearer than the reach, each once.
    for (uint32_t i = 0; i < points.size(); ++i) {
      std::vector<uint32_t> near;
      grid.each_near(i, 0, [&](uint32_t point, const _pen_point& p) {
        EXPECT_EQ(p.x, points[point].x);
        near.push_back(point);
        return false;
      });
      std::sort(near.begin(), near.end());
      ASSERT_TRUE(std::adjacent_find(near.begin(), near.end()) == near.end()) << name;
      ASSERT_FALSE(std::binary_search(near.begin(), near.end(), i)) << name;
      const double reach = 0.999 * grid.reach();
      for (uint32_t j = 0; j < points.size(); ++j) {
        const double d = _point_grid::squared_distance(points[j], points[i].x, points[i].y);
        if (j != i && d < reach * reach) {
          ASSERT_TRUE(std::binary_search(near.begin(), near.end(), j)) << name << ", " << i;
        }
      }
    }
    // Asked for at least 20, a point finds 20 (or all others), and a visit that returns true is
    // the last.
    for (uint32_t i = 0; i < points.size(); i += 97) {
      unsigned visits = 0, stopped = 0;
      grid.each_near(i, 20, [&](uint32_t, const _pen_point&) { return ++visits, false; });
      EXPECT_GE(visits, std::min<size_t>(20, points.size() - 1)) << name;
      grid.each_near(i, 20, [&](uint32_t, const _pen_point&) { return ++stopped == 1; });
      EXPECT_EQ(stopped, std::min(visits, 1u)) << name;
    }
  }
}

// Without time to improve, the path is nearest-first, each step to the nearest dot still left
// (ties to the lower index), and says it is unsettled.
TEST(PenOrder, WithoutTimeThePathIsNearestFirst) {
  for (const auto& [name, points] : clouds()) {
    std::vector<bool> removed(points.size(), false);
    std::vector<uint32_t> expected;
    double x = 0.0, y = 0.0;
    for (uint32_t next; (next = nearest_of_all(points, removed, x, y)) != NONE;) {
      expected.push_back(next);
      removed[next] = true;
      x = points[next].x;
      y = points[next].y;
    }
    _pen_travel travel;
    EXPECT_EQ(pen_order(points, {0.0f, 0.0f}, 0.0, travel), expected) << name;
    EXPECT_EQ(travel.settled, points.size() < 4) << name;
    EXPECT_EQ(travel.improved, travel.nearest) << name;
  }
}

bool is_permutation_of_all(std::vector<uint32_t> order, size_t n) {
  std::sort(order.begin(), order.end());
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] != i) return false;
  return order.size() == n;
}

// The improvement visits every dot once and shortens scattered paths, and reports its travel.
TEST(PenOrder, ImprovementShortensThePath) {
  // On a line, from 0: nearest first goes 0, 1, -1.25, 3.5 (1 + 2.25 + 4.75 = 8); moving -1.25
  // to the front gives -1.25, 0, 1, 3.5, the shortest open path (4.75).
  const std::vector<_pen_point> line = {{0, 0}, {1, 0}, {-1.25f, 0}, {3.5f, 0}};
  _pen_travel travel;
  pen_order(line, {0, 0}, 10.0, travel);
  EXPECT_DOUBLE_EQ(travel.nearest, 8.0);
  EXPECT_DOUBLE_EQ(travel.improved, 4.75);
  for (const auto& [name, points] : clouds()) {
    const std::vector<uint32_t> improved = pen_order(points, {0.0f, 0.0f}, 60.0, travel);
    EXPECT_TRUE(is_permutation_of_all(improved, points.size())) << name;
    EXPECT_TRUE(travel.settled) << name;
    EXPECT_NEAR(travel.improved, pen_travel(points, improved), 1e-6 * travel.improved) << name;
    EXPECT_LE(travel.improved, travel.nearest) << name;
    // Scattered points leave nearest-first paths room for improvement; a lattice leaves none.
    if (name == std::string("uniform") || name == std::string("lopsided")) {
      EXPECT_LT(travel.improved, 0.97 * travel.nearest) << name;
    }
  }
}

}  // namespace
}  // namespace stippon
