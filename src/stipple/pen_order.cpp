#include "stipple/pen_order.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numeric>

namespace stippon {

namespace {

using _clock = std::chrono::steady_clock;

constexpr uint32_t NONE = _point_grid::NONE;
// The longest stretch of the path a move may reverse or shift: longer ones cost more to make
// than they are likely to save.
constexpr int64_t LONGEST_SHIFT = 50000;
constexpr int64_t LONGEST_SEGMENT = 3;  // points an Or-opt move carries
// The points a move is tried with: those of the cells around a point, and at least this many.
constexpr unsigned LEAST_NEAR = 6;
// A move must shorten the path by more than rounding could explain.
constexpr double LEAST_GAIN = 1e-9;
constexpr unsigned CLOCK_INTERVAL = 256;  // points examined between looks at the clock

class _path_improver {
 public:
  // The points near each point are taken from the grid of the points.
  _path_improver(std::span<const _pen_point> points, const _point_grid& grid,
                 std::vector<uint32_t>& tour)
      : points(points),
        grid(grid),
        tour(tour),
        n(int64_t(tour.size())),
        position(points.size(), 0),
        queued(points.size(), 0) {
    for (int64_t i = 0; i < n; ++i) {
      position[tour[i]] = uint32_t(i);
      push(tour[i]);
    }
  }

  bool run(_clock::time_point deadline) {
    for (unsigned examined = 0; !queue.empty(); ++examined) {
      if (examined % CLOCK_INTERVAL == 0 && _clock::now() >= deadline) return false;
      const uint32_t a = queue.front();
      queue.pop_front();
      queued[a] = 0;
      if (two_opt(a) || or_opt(a)) push(a);
    }
    return true;
  }

 private:
  double distance(uint32_t a, uint32_t b) const {
    if (a == NONE || b == NONE) return 0.0;  // an end of the path has nothing beyond it
    return std::sqrt(_point_grid::squared_distance(points[a], points[b].x, points[b].y));
  }
  uint32_t at(int64_t i) const { return i < 0 || i >= n ? NONE : tour[size_t(i)]; }
  void push(uint32_t point) {
    if (point == NONE || queued[point]) return;
    queued[point] = 1;
    queue.push_back(point);
  }
  void push_all(std::initializer_list<uint32_t> changed) {
    for (const uint32_t point : changed) push(point);
  }
  void place(int64_t i, uint32_t point) {
    tour[size_t(i)] = point;
    position[point] = uint32_t(i);
  }

  // Reverses the path from position `from` to `to`, both included.
  void reverse(int64_t from, int64_t to) {
    for (; from < to; ++from, --to) {
      const uint32_t point = tour[size_t(from)];
      place(from, tour[size_t(to)]);
      place(to, point);
    }
  }

  // For a and a near point c: the two ways to join them by reversing the stretch between them.
  // Only points nearer to a than its neighbours on the path can make the path shorter (the gain
  // criterion).
  bool two_opt(uint32_t a) {
    const int64_t i = position[a];
    const double reach = std::max(distance(a, at(i + 1)), distance(a, at(i - 1)));
    const double x = points[a].x, y = points[a].y;
    bool moved = false;
    grid.each_near(a, LEAST_NEAR, [&](uint32_t c, const _pen_point& p) {
      const double squared = _point_grid::squared_distance(p, x, y);
      return squared < reach * reach && (moved = join(i, position[c], std::sqrt(squared)));
    });
    return moved;
  }

  bool join(int64_t i, int64_t j, double joined) {
    const int64_t low = std::min(i, j), high = std::max(i, j);
    if (high - low < 2 || high - low > LONGEST_SHIFT) return false;
    const uint32_t first = tour[size_t(low)], last = tour[size_t(high)];
    // (first, after first) and (last, after last) become (first, last), (after, after).
    const uint32_t after_first = at(low + 1), after_last = at(high + 1);
    if (distance(first, after_first) + distance(last, after_last) - joined -
            distance(after_first, after_last) >
        LEAST_GAIN) {
      reverse(low + 1, high);
      push_all({first, after_first, last, after_last});
      return true;
    }
    // (before first, first) and (before last, last) become (before, before), (first, last).
    const uint32_t before_first = at(low - 1), before_last = at(high - 1);
    if (distance(before_first, first) + distance(before_last, last) -
            distance(before_first, before_last) - joined >
        LEAST_GAIN) {
      reverse(low, high - 1);
      push_all({first, before_first, last, before_last});
      return true;
    }
    return false;
  }

  // The stretches of one to three points that begin or end at a, each tried beside a point near
  // one of its ends, either way round.
  bool or_opt(uint32_t a) {
    const int64_t i = position[a];
    for (int64_t length = 1; length <= LONGEST_SEGMENT; ++length)
      for (const int64_t p : {i, i - length + 1}) {
        if (p < 0 || p + length > n || (length == 1 && p != i)) continue;
        if (or_opt_segment(p, p + length - 1)) return true;
        if (length == 1) break;
      }
    return false;
  }

  bool or_opt_segment(int64_t p, int64_t q) {
    const uint32_t first = tour[size_t(p)], last = tour[size_t(q)];
    const double saved =
        distance(at(p - 1), first) + distance(last, at(q + 1)) - distance(at(p - 1), at(q + 1));
    if (saved <= LEAST_GAIN) return false;
    bool moved = false;
    for (const uint32_t end : {first, last}) {
      const double x = points[end].x, y = points[end].y;
      if (!moved)
        grid.each_near(end, LEAST_NEAR, [&](uint32_t c, const _pen_point& near) {
          // The new edge to the near point must be shorter than what leaving saves.
          return _point_grid::squared_distance(near, x, y) < saved * saved &&
                 (moved = insert(p, q, position[c], saved));
        });
    }
    return moved;
  }

  // Positions [p, q] between j and the point after it, or the point before it.
  bool insert(int64_t p, int64_t q, int64_t j, double saved) {
    const uint32_t first = tour[size_t(p)], last = tour[size_t(q)];
    for (const int64_t r : {j, j - 1}) {  // between r and r + 1
      if ((r >= p - 1 && r <= q) || std::abs(r - p) > LONGEST_SHIFT) continue;
      const uint32_t u = at(r), v = at(r + 1);
      const double gap = distance(u, v);
      const double forward = distance(u, first) + distance(last, v) - gap;
      const double backward = distance(u, last) + distance(first, v) - gap;
      if (saved - std::min(forward, backward) <= LEAST_GAIN) continue;
      const uint32_t before = at(p - 1), after = at(q + 1);
      move_segment(p, q, r, backward < forward);
      push_all({before, after, first, last, u, v});
      return true;
    }
    return false;
  }

  // Moves positions [p, q] to lie between positions r and r + 1 (outside [p - 1, q]).
  void move_segment(int64_t p, int64_t q, int64_t r, bool reversed) {
    const int64_t length = q - p + 1;
    uint32_t segment[LONGEST_SEGMENT];
    for (int64_t k = 0; k < length; ++k) segment[k] = tour[size_t(reversed ? q - k : p + k)];
    int64_t start = 0;
    if (r > q) {
      for (int64_t k = q + 1; k <= r; ++k) place(k - length, tour[size_t(k)]);
      start = r - length + 1;
    } else {
      for (int64_t k = p - 1; k > r; --k) place(k + length, tour[size_t(k)]);
      start = r + 1;
    }
    for (int64_t k = 0; k < length; ++k) place(start + k, segment[k]);
  }

  std::span<const _pen_point> points;
  const _point_grid& grid;
  std::vector<uint32_t>& tour;
  int64_t n;
  std::vector<uint32_t> position;
  std::deque<uint32_t> queue;
  std::vector<unsigned char> queued;
};

}  // namespace

double pen_travel(std::span<const _pen_point> points, std::span<const uint32_t> order) {
  double travel = 0.0;
  for (size_t i = 1; i < order.size(); ++i)
    travel += std::sqrt(_point_grid::squared_distance(points[order[i - 1]], points[order[i]].x,
                                                      points[order[i]].y));
  return travel;
}

namespace {

std::vector<uint32_t> nearest_first(std::span<const _pen_point> points, _point_grid& grid,
                                    _pen_point start) {
  std::vector<uint32_t> order;
  order.reserve(points.size());
  for (uint32_t next = grid.nearest(start.x, start.y); next != NONE;
       next = grid.nearest(points[next].x, points[next].y)) {
    order.push_back(next);
    grid.remove(next);
  }
  return order;
}

}  // namespace

std::vector<uint32_t> nearest_neighbour_order(std::span<const _pen_point> points,
                                              _pen_point start) {
  _point_grid grid(points);
  return nearest_first(points, grid, start);
}

bool improve_order(std::span<const _pen_point> points, std::vector<uint32_t>& order,
                   _clock::time_point deadline) {
  if (order.size() < 4) return true;
  const _point_grid grid(points);
  return _path_improver(points, grid, order).run(deadline);
}

// One grid serves both: the nearest-neighbour path empties it, and the improvement reads every
// point of its cells, emptied or not.
std::vector<uint32_t> pen_order(std::span<const _pen_point> points, _pen_point start,
                                double seconds, _pen_travel& travel) {
  std::vector<uint32_t> drawn(points.size());
  std::iota(drawn.begin(), drawn.end(), 0u);
  travel.drawn = pen_travel(points, drawn);
  _point_grid grid(points);
  std::vector<uint32_t> order = nearest_first(points, grid, start);
  travel.nearest = pen_travel(points, order);
  const _clock::time_point deadline =
      _clock::now() + std::chrono::duration_cast<_clock::duration>(
                          std::chrono::duration<double>(std::max(seconds, 0.0)));
  travel.settled =
      order.size() < 4 || (seconds > 0.0 && _path_improver(points, grid, order).run(deadline));
  travel.improved = pen_travel(points, order);
  return order;
}

}  // namespace stippon
