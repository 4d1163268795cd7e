#include "stipple/pen_order.h"

#include <algorithm>
#include <cmath>

namespace stippon {

namespace {

// A strip's height in mean dot spacings: lower strips cross the page more often, higher ones
// zigzag more within; after the sweeps 1.7 travels least on stippled photographs.
constexpr double STRIP_SPACINGS = 1.7;
// A reversal must shorten the path (in thousandths of a millimetre) by more than rounding could
// explain.
constexpr double LEAST_GAIN = 1e-9;

double distance(const _pen_point& a, const _pen_point& b) {
  const double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y);
  return std::sqrt(dx * dx + dy * dy);
}

// The strips of the points: their count, and the strip of a point.
class _strips {
 public:
  _strips(std::span<const _pen_point> points, double height) : height(height > 0.0 ? height : 1.0) {
    int32_t high = 0;
    if (!points.empty()) low = high = points[0].y;
    for (const _pen_point& p : points) {
      low = std::min(low, p.y);
      high = std::max(high, p.y);
    }
    // Up to a strip per point first, so that strip() clamps nothing below the lowest point.
    count = uint32_t(points.size()) + 1;
    count = strip(high) + 1;
  }

  uint32_t strips() const { return count; }
  uint32_t of(const _pen_point& p) const { return strip(p.y); }

 private:
  // Never more strips than points, whatever the height: points further down join the last.
  uint32_t strip(int32_t y) const {
    return uint32_t(std::min(std::floor((double(y) - low) / height), double(count - 1)));
  }

  double height;
  int32_t low = 0;
  uint32_t count = 1;
};

// Sorts [first, last) by merging its ascending runs pairwise. A strip holds a run for each row of
// the stippling, which draws every row from left to right: a few merges put it in order where a
// sort would compare each point many times. `ends` is room for the ends of the runs.
template <class Iterator, class Less>
void merge_runs(Iterator first, Iterator last, Less less, std::vector<size_t>& ends) {
  ends.clear();
  for (Iterator at = first; at != last; ++at)
    if (at + 1 == last || less(*(at + 1), *at)) ends.push_back(size_t(at + 1 - first));
  while (ends.size() > 1) {
    // The run before the r-th ends at ends[r - 1], not yet overwritten as kept <= r / 2.
    size_t kept = 0;
    for (size_t r = 0; r < ends.size(); r += 2) {
      if (r + 1 < ends.size())
        std::inplace_merge(first + (r > 0 ? ends[r - 1] : 0), first + ends[r], first + ends[r + 1],
                           less);
      ends[kept++] = ends[std::min(r + 1, ends.size() - 1)];
    }
    ends.resize(kept);
  }
}

}  // namespace

double pen_travel(std::span<const _pen_point> points) {
  double travel = 0.0;
  for (size_t i = 1; i < points.size(); ++i) travel += distance(points[i - 1], points[i]);
  return travel;
}

double pen_travel(std::span<const _pen_point> points, std::span<const uint32_t> order) {
  double travel = 0.0;
  for (size_t i = 1; i < order.size(); ++i)
    travel += distance(points[order[i - 1]], points[order[i]]);
  return travel;
}

double strip_height(std::span<const _pen_point> points) {
  if (points.empty()) return 1.0;
  int32_t left = points[0].x, right = left, low = points[0].y, high = low;
  for (const _pen_point& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    low = std::min(low, p.y);
    high = std::max(high, p.y);
  }
  const double width = double(right) - left, depth = double(high) - low;
  const double n = double(points.size());
  // Points along a line have no area: their spacing is then taken along its length.
  double spacing = std::sqrt(width * depth / n);
  if (!(spacing > 0.0)) spacing = std::max(width, depth) / n;
  return spacing > 0.0 ? std::max(STRIP_SPACINGS * spacing, depth / n) : 1.0;
}

// The points are sorted into their strips by counting, keeping their order, then each strip by
// x.
std::vector<uint32_t> serpentine_order(std::span<const _pen_point> points, double height) {
  const _strips strips(points, height);
  std::vector<uint32_t> start(size_t(strips.strips()) + 1, 0);
  for (const _pen_point& p : points) ++start[strips.of(p) + 1];
  for (size_t s = 1; s < start.size(); ++s) start[s] += start[s - 1];
  std::vector<uint32_t> order(points.size());
  {
    std::vector<uint32_t> filled(start.begin(), start.end() - 1);
    for (uint32_t i = 0; i < points.size(); ++i) order[filled[strips.of(points[i])]++] = i;
  }
  const auto by_x = [&](uint32_t a, uint32_t b) {
    return points[a].x < points[b].x || (points[a].x == points[b].x && a < b);
  };
  std::vector<size_t> ends;
  for (size_t s = 0; s + 1 < start.size(); ++s) {
    const auto first = order.begin() + start[s], last = order.begin() + start[s + 1];
    merge_runs(first, last, by_x, ends);
    if (s % 2 == 1) std::reverse(first, last);
  }
  return order;
}

// Reversing the stretch from i + 1 to j replaces the edges (i, i + 1) and (j, j + 1) by (i, j)
// and (i + 1, j + 1).
size_t improve_order(std::span<const _pen_point> points, std::vector<uint32_t>& order,
                     unsigned passes) {
  const int64_t n = int64_t(order.size());
  size_t reversals = 0;
  // ab: the length of the edge (i, i + 1).
  const auto reverse_if_shorter = [&](int64_t i, int64_t j, double ab) {
    const _pen_point &a = points[order[i]], &b = points[order[i + 1]];
    const _pen_point &c = points[order[j]], &d = points[order[j + 1]];
    if (ab + distance(c, d) - distance(a, c) - distance(b, d) <= LEAST_GAIN) return false;
    std::reverse(order.begin() + i + 1, order.begin() + j + 1);
    ++reversals;
    return true;
  };
  const auto edge = [&](int64_t i) { return distance(points[order[i]], points[order[i + 1]]); };
  for (unsigned pass = 0; pass < passes; ++pass) {
    const size_t before = reversals;
    // Every i but the last has both stretches; the last has the stretch of two only.
    int64_t i = 0;
    for (; i + 4 < n; ++i) {
      const double ab = edge(i);
      if (!reverse_if_shorter(i, i + 2, ab)) reverse_if_shorter(i, i + 3, ab);
    }
    if (i + 3 < n) reverse_if_shorter(i, i + 2, edge(i));
    if (reversals == before) break;
  }
  return reversals;
}

std::vector<uint32_t> pen_order(std::span<const _pen_point> points, unsigned passes,
                                _pen_travel& travel) {
  travel.drawn = pen_travel(points);
  std::vector<uint32_t> order = serpentine_order(points, strip_height(points));
  travel.serpentine = pen_travel(points, order);
  improve_order(points, order, passes);
  travel.improved = pen_travel(points, order);
  return order;
}

}  // namespace stippon
