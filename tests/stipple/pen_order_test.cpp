// The pen's path through the dots: strips ordered by merging against a plain sort, and the sweep
// that straightens the path, handed over in pieces, against one over the whole path.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "stipple/pen_order.h"

namespace stippon {
namespace {

// Named strips of dots in thousandths of a millimetre, each tagged with its index.
std::vector<std::pair<const char*, std::vector<_pen_dot>>> strips() {
  std::mt19937 random(7);
  const auto unit = [&](int32_t scale) { return int32_t(random() % uint32_t(scale)); };
  std::vector<_pen_dot> rows, scattered, column, ties, off_page;
  // As the stippling draws a strip: a few rows, each from left to right.
  for (int32_t row = 0; row < 6; ++row)
    for (int32_t x = unit(900); x < 100000; x += 400 + unit(1500))
      rows.push_back({{x, 200 * row + unit(100)}, 0});
  for (int i = 0; i < 3000; ++i) scattered.push_back({{unit(100000), unit(1000)}, 0});
  for (int i = 0; i < 50; ++i) column.push_back({{3000, 20 * i}, 0});
  // Equal x in every row: equal dots keep their order.
  for (int i = 0; i < 300; ++i) ties.push_back({{1000 * (i % 30), 100 * (i / 30)}, 0});
  for (int i = 0; i < 800; ++i) off_page.push_back({{unit(20000) - 500, unit(1000) - 500}, 0});
  std::vector<std::pair<const char*, std::vector<_pen_dot>>> named = {
      {"rows", rows}, {"scattered", scattered},   {"column", column},
      {"ties", ties}, {"off the page", off_page}, {"one dot", {{{5, 5}, 0}}},
      {"no dots", {}}};
  for (auto& [name, dots] : named)
    for (uint32_t i = 0; i < dots.size(); ++i) dots[i].tag = i;
  return named;
}

std::vector<uint32_t> tags(const std::vector<_pen_dot>& dots) {
  std::vector<uint32_t> found;
  for (const _pen_dot& dot : dots) found.push_back(dot.tag);
  return found;
}

TEST(PenOrder, StripsAreOrderedAsAPlainSortOrdersThem) {
  std::vector<size_t> ends;
  for (const auto& [name, dots] : strips())
    for (const bool backward : {false, true}) {
      std::vector<_pen_dot> expected = dots;
      std::stable_sort(expected.begin(), expected.end(),
                       [](const _pen_dot& a, const _pen_dot& b) { return a.at.x < b.at.x; });
      if (backward) std::reverse(expected.begin(), expected.end());
      std::vector<_pen_dot> ordered = dots;
      order_strip(ordered, backward, ends);
      EXPECT_EQ(tags(ordered), tags(expected)) << name << (backward ? ", backward" : "");
    }
  // By hand: two rows of a strip, each from left to right, and an equal x in both.
  std::vector<_pen_dot> strip = {{{1, 0}, 0}, {{4, 0}, 1}, {{9, 0}, 2},
                                 {{2, 5}, 3}, {{4, 5}, 4}, {{7, 5}, 5}};
  order_strip(strip, false, ends);
  EXPECT_EQ(tags(strip), (std::vector<uint32_t>{0, 3, 1, 4, 5, 2}));
  order_strip(strip, true, ends);
  EXPECT_EQ(tags(strip), (std::vector<uint32_t>{2, 5, 4, 1, 3, 0}));
}

double travel(const std::vector<_pen_dot>& dots) {
  double length = 0.0;
  for (size_t i = 1; i < dots.size(); ++i) length += pen_distance(dots[i - 1].at, dots[i].at);
  return length;
}

// The plain sweep over a whole path: at each i, reverse i + 1 to i + 2, or else i + 1 to i + 3,
// when that shortens the path; the stretch must end before the path's last dot.
void sweep_whole(std::vector<_pen_dot>& path) {
  const auto shorter = [&](size_t i, size_t j) {
    const _pen_point a = path[i].at, b = path[i + 1].at, c = path[j].at, d = path[j + 1].at;
    if (pen_distance(a, b) + pen_distance(c, d) - pen_distance(a, c) - pen_distance(b, d) <= 1e-9)
      return false;
    std::reverse(path.begin() + long(i) + 1, path.begin() + long(j) + 1);
    return true;
  };
  for (size_t i = 0; i + 3 < path.size(); ++i)
    if (!shorter(i, i + 2) && i + 4 < path.size()) shorter(i, i + 3);
}

TEST(PenOrder, SweepInPiecesIsTheSweepOverTheWholePath) {
  // On a line: 0, 2, 1, 3 travels 2 + 1 + 2; reversing the middle two gives 1 + 1 + 1. Along
  // 0, 3, 2, 1, 4 the stretch of three is reversed.
  const std::vector<std::pair<std::vector<int32_t>, std::vector<int32_t>>> lines = {
      {{0, 2, 1, 3}, {0, 1, 2, 3}}, {{0, 3, 2, 1, 4}, {0, 1, 2, 3, 4}}, {{0, 1, 2}, {0, 1, 2}}};
  for (const auto& [given, swept] : lines) {
    std::vector<_pen_dot> path, out;
    for (const int32_t x : given) path.push_back({{x, 0}, uint32_t(x)});
    _path_sweep sweep;
    sweep.add(path, out);
    sweep.finish(out);
    std::vector<uint32_t> expected(swept.begin(), swept.end());
    EXPECT_EQ(tags(out), expected);
    EXPECT_DOUBLE_EQ(sweep.length_out(), double(given.size() - 1));
    EXPECT_DOUBLE_EQ(sweep.length_given(), travel(path));
  }

  for (const auto& [name, dots] : strips()) {
    std::vector<_pen_dot> path = dots;
    std::vector<size_t> ends;
    order_strip(path, false, ends);
    std::vector<_pen_dot> whole = path;
    sweep_whole(whole);
    for (const size_t piece : {size_t(1), size_t(3), size_t(7), size_t(1000)}) {
      _path_sweep sweep;
      std::vector<_pen_dot> out;
      for (size_t at = 0; at < path.size(); at += piece)
        sweep.add(std::span(path).subspan(at, std::min(piece, path.size() - at)), out);
      sweep.finish(out);
      EXPECT_EQ(tags(out), tags(whole)) << name << ", pieces of " << piece;
      EXPECT_NEAR(sweep.length_given(), travel(path), 1e-9 * travel(path)) << name;
      EXPECT_NEAR(sweep.length_out(), travel(whole), 1e-9 * travel(whole)) << name;
    }
    EXPECT_LE(travel(whole), travel(path)) << name;
    if (name == std::string("rows")) {
      EXPECT_LT(travel(whole), 0.97 * travel(path)) << name;
    }
  }
}

}  // namespace
}  // namespace stippon
