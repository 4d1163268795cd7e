#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace stippon {

// A point of a pen's path on the page, in millimetres.
struct _pen_point {
  float x = 0.0f;
  float y = 0.0f;
};

// The points of a print sorted into square cells of about two points each, and the cells into
// blocks of 8 x 8 cells, to find a point's nearest neighbours without looking at the rest. Points
// can be removed, after which they are no longer found: a search that finds its neighbourhood
// emptied skips whole blocks of empty cells.
//
// Distances are compared in double precision, equal ones by the points' indices, so that a search
// gives the same point as comparing against every point would.
class _point_grid {
 public:
  static constexpr uint32_t NONE = UINT32_MAX;

  // The points must outlive the grid.
  explicit _point_grid(std::span<const _pen_point> points);

  size_t size() const { return points.size(); }
  size_t remaining() const { return left; }
  // The nearest point still in the grid to (x, y); NONE once all are removed.
  uint32_t nearest(double x, double y) const;
  // Takes a point out of the grid.
  void remove(uint32_t point);
  // Every point nearer to `point` than this is found by each_near.
  double reach() const { return cell_side; }
  // Calls stop = visit(other, its position) for the other points, removed ones included, of the
  // 3 x 3 cells around the point's own, and of rings of cells further out until at least `least`
  // points were visited (so that a point of a sparse part finds some), until a call returns true.
  template <class Visit>
  void each_near(uint32_t point, unsigned least, Visit&& visit) const {
    const int64_t cx = cell_of(points[point].x, low_x, columns);
    const int64_t cy = cell_of(points[point].y, low_y, rows);
    unsigned seen = 0;
    // The points of the cells [x0, x1] of row y, clipped to the grid: true to stop.
    const auto cells = [&](int64_t y, int64_t x0, int64_t x1) {
      if (y < 0 || y >= int64_t(rows)) return false;
      x0 = x0 < 0 ? 0 : x0;
      x1 = x1 >= int64_t(columns) ? int64_t(columns) - 1 : x1;
      if (x0 > x1) return false;
      const size_t row = size_t(y) * columns;
      for (uint32_t m = cell_start[row + x0]; m < cell_start[row + x1 + 1]; ++m)
        if (members[m] != point && (++seen, visit(members[m], placed[m]))) return true;
      return false;
    };
    for (int64_t y = cy - 1; y <= cy + 1; ++y)
      if (cells(y, cx - 1, cx + 1)) return;
    for (int64_t r = 2; seen < least; ++r) {
      if (cx - r < 0 && cx + r >= int64_t(columns) && cy - r < 0 && cy + r >= int64_t(rows)) return;
      if (cells(cy - r, cx - r, cx + r) || cells(cy + r, cx - r, cx + r)) return;
      for (int64_t y = cy - r + 1; y < cy + r; ++y)
        if (cells(y, cx - r, cx - r) || cells(y, cx + r, cx + r)) return;
    }
  }

  static double squared_distance(const _pen_point& p, double x, double y) {
    const double dx = double(p.x) - x, dy = double(p.y) - y;
    return dx * dx + dy * dy;
  }

 private:
  // Nothing found yet is infinitely far, so that any point beats it.
  struct _best {
    double distance = std::numeric_limits<double>::infinity();
    uint32_t point = NONE;
    bool beats(double d, uint32_t p) const { return d < distance || (d == distance && p < point); }
  };

  uint32_t cell_of(double value, double low, uint32_t cells) const;
  // The least squared distance from (x, y) to the square of cells or blocks (cx, cy).
  double squared_distance_to(uint32_t cx, uint32_t cy, double side, double x, double y) const;
  void scan_cell(uint32_t cell, double x, double y, _best& best) const;
  void scan_block(uint32_t bx, uint32_t by, double x, double y, _best& best) const;
  // The least distance from (x, y), inside the square of cells or blocks [low, high] of the given
  // side, to anything outside it.
  double outside_square(double x, double y, int64_t low_x, int64_t high_x, int64_t low_y,
                        int64_t high_y, double side) const;
  template <class Visit>
  bool ring(int64_t cx, int64_t cy, int64_t r, uint32_t columns, uint32_t rows,
            Visit&& visit) const;

  std::span<const _pen_point> points;
  double low_x = 0.0, low_y = 0.0, cell_side = 1.0;
  uint32_t columns = 1, rows = 1, block_columns = 1, block_rows = 1;
  std::vector<uint32_t> cell_start;   // cells + 1 entries: the cell's slice of `members`
  std::vector<uint32_t> cell_count;   // points of the cell still in the grid, first in its slice
  std::vector<uint32_t> block_count;  // points of the block still in the grid
  std::vector<uint32_t> members;
  // The points again in the order of `members`, so that a search reads each cell's points from
  // one place rather than from all over the page.
  std::vector<_pen_point> placed;
  std::vector<uint32_t> slot;  // where each point sits in `members`
  size_t left = 0;
};

}  // namespace stippon
