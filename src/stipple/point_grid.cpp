#include "stipple/point_grid.h"

#include <algorithm>
#include <cmath>

namespace stippon {

namespace {

constexpr double POINTS_PER_CELL = 2.0;
constexpr int64_t BLOCK = 8;  // cells along a block's side
// Rings of cells searched one by one before the search moves on to rings of blocks, which skip
// the emptied parts of the page.
constexpr int64_t NEAR_RINGS = BLOCK;
// No more cells than this many per point, whatever the shape of the cloud.
constexpr double MOST_CELLS_PER_POINT = 4.0;
// A point is sorted into its cell by a division that can round across the cell's edge: the
// bounds of a cell are taken this fraction of a side wider.
constexpr double EDGE_SLACK = 1e-9;

}  // namespace

_point_grid::_point_grid(std::span<const _pen_point> points) : points(points), left(points.size()) {
  const size_t n = points.size();
  double high_x = 0.0, high_y = 0.0;
  if (n > 0) {
    low_x = high_x = points[0].x;
    low_y = high_y = points[0].y;
  }
  for (const _pen_point& p : points) {
    low_x = std::min(low_x, double(p.x));
    high_x = std::max(high_x, double(p.x));
    low_y = std::min(low_y, double(p.y));
    high_y = std::max(high_y, double(p.y));
  }
  const double width = high_x - low_x, height = high_y - low_y;
  // Points along a line have no area: their cells are then spread along its length.
  cell_side = std::sqrt(POINTS_PER_CELL * width * height / double(std::max<size_t>(n, 1)));
  if (!(cell_side > 0.0))
    cell_side = POINTS_PER_CELL * std::max(width, height) / double(std::max<size_t>(n, 1));
  if (!(cell_side > 0.0)) cell_side = 1.0;
  const double most_cells = MOST_CELLS_PER_POINT * double(n) + double(BLOCK * BLOCK);
  while ((std::floor(width / cell_side) + 1) * (std::floor(height / cell_side) + 1) > most_cells)
    cell_side *= 2.0;
  columns = uint32_t(std::floor(width / cell_side)) + 1;
  rows = uint32_t(std::floor(height / cell_side)) + 1;
  block_columns = uint32_t((columns + BLOCK - 1) / BLOCK);
  block_rows = uint32_t((rows + BLOCK - 1) / BLOCK);

  const size_t cells = size_t(columns) * rows;
  cell_start.assign(cells + 1, 0);
  cell_count.assign(cells, 0);
  block_count.assign(size_t(block_columns) * block_rows, 0);
  std::vector<uint32_t> cell_of_point(n);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t cx = cell_of(points[i].x, low_x, columns);
    const uint32_t cy = cell_of(points[i].y, low_y, rows);
    cell_of_point[i] = cy * columns + cx;
    ++cell_count[cell_of_point[i]];
    ++block_count[(cy / BLOCK) * block_columns + cx / BLOCK];
  }
  for (size_t c = 0; c < cells; ++c) cell_start[c + 1] = cell_start[c] + cell_count[c];
  members.resize(n);
  placed.resize(n);
  slot.resize(n);
  std::vector<uint32_t> filled(cell_start.begin(), cell_start.end() - 1);
  for (size_t i = 0; i < n; ++i) {
    slot[i] = filled[cell_of_point[i]]++;
    members[slot[i]] = uint32_t(i);
    placed[slot[i]] = points[i];
  }
}

uint32_t _point_grid::cell_of(double value, double low, uint32_t cells) const {
  const double index = std::floor((value - low) / cell_side);
  if (!(index > 0.0)) return 0;
  return index >= double(cells - 1) ? cells - 1 : uint32_t(index);
}

double _point_grid::squared_distance_to(uint32_t cx, uint32_t cy, double side, double x,
                                        double y) const {
  const double slack = side * EDGE_SLACK;
  const double left = low_x + cx * side - slack, bottom = low_y + cy * side - slack;
  const double wide = side + 2.0 * slack;
  const double dx = std::max({left - x, 0.0, x - (left + wide)});
  const double dy = std::max({bottom - y, 0.0, y - (bottom + wide)});
  return dx * dx + dy * dy;
}

void _point_grid::scan_cell(uint32_t cell, double x, double y, _best& best) const {
  const uint32_t first = cell_start[cell], end = first + cell_count[cell];
  for (uint32_t m = first; m < end; ++m) {
    const double d = squared_distance(placed[m], x, y);
    if (best.beats(d, members[m])) best = {d, members[m]};
  }
}

void _point_grid::scan_block(uint32_t bx, uint32_t by, double x, double y, _best& best) const {
  const uint32_t first_x = bx * BLOCK, last_x = std::min<uint32_t>(first_x + BLOCK, columns);
  const uint32_t first_y = by * BLOCK, last_y = std::min<uint32_t>(first_y + BLOCK, rows);
  for (uint32_t cy = first_y; cy < last_y; ++cy)
    for (uint32_t cx = first_x; cx < last_x; ++cx)
      if (cell_count[size_t(cy) * columns + cx] > 0 &&
          squared_distance_to(cx, cy, cell_side, x, y) <= best.distance)
        scan_cell(cy * columns + cx, x, y, best);
}

double _point_grid::outside_square(double x, double y, int64_t low_x_index, int64_t high_x_index,
                                   int64_t low_y_index, int64_t high_y_index, double side) const {
  const double left = x - (low_x + double(low_x_index) * side);
  const double right = low_x + double(high_x_index + 1) * side - x;
  const double bottom = y - (low_y + double(low_y_index) * side);
  const double top = low_y + double(high_y_index + 1) * side - y;
  return std::max(0.0, std::min(std::min(left, right), std::min(bottom, top)) - side * EDGE_SLACK);
}

// Visits the cells (or blocks) at Chebyshev distance r from (cx, cy) that lie on the grid; false
// when none does, as then no ring further out does either.
template <class Visit>
bool _point_grid::ring(int64_t cx, int64_t cy, int64_t r, uint32_t across, uint32_t down,
                       Visit&& visit) const {
  const int64_t x0 = cx - r, x1 = cx + r, y0 = cy - r, y1 = cy + r;
  if (x0 < 0 && x1 >= across && y0 < 0 && y1 >= down) return false;
  const int64_t first_x = std::max<int64_t>(x0, 0), last_x = std::min<int64_t>(x1, across - 1);
  const int64_t first_y = std::max<int64_t>(y0 + 1, 0),
                last_y = std::min<int64_t>(y1 - 1, down - 1);
  for (const int64_t y : {y0, y1}) {
    if (y < 0 || y >= down) continue;
    for (int64_t x = first_x; x <= last_x; ++x) visit(uint32_t(x), uint32_t(y));
    if (r == 0) return true;
  }
  for (const int64_t x : {x0, x1})
    if (x >= 0 && x < across)
      for (int64_t y = first_y; y <= last_y; ++y) visit(uint32_t(x), uint32_t(y));
  return true;
}

uint32_t _point_grid::nearest(double x, double y) const {
  if (left == 0) return NONE;
  const int64_t cx = cell_of(x, low_x, columns), cy = cell_of(y, low_y, rows);
  _best best;
  // Done once nothing outside the square already searched can be as near as the best: a point
  // at exactly that distance might still win on its index.
  const auto settled = [&](int64_t c_x, int64_t c_y, int64_t r, double side) {
    if (best.point == NONE || r == 0) return false;
    const double bound =
        outside_square(x, y, c_x - r + 1, c_x + r - 1, c_y - r + 1, c_y + r - 1, side);
    return bound * bound > best.distance;
  };
  for (int64_t r = 0; r <= NEAR_RINGS; ++r) {
    if (settled(cx, cy, r, cell_side)) return best.point;
    const bool on_grid = ring(cx, cy, r, columns, rows, [&](uint32_t c_x, uint32_t c_y) {
      const uint32_t cell = c_y * columns + c_x;
      if (cell_count[cell] > 0 && squared_distance_to(c_x, c_y, cell_side, x, y) <= best.distance)
        scan_cell(cell, x, y, best);
    });
    if (!on_grid) return best.point;
  }
  const int64_t bx = cx / BLOCK, by = cy / BLOCK;
  for (int64_t r = 0;; ++r) {
    if (settled(bx, by, r, cell_side * double(BLOCK))) return best.point;
    const bool on_grid =
        ring(bx, by, r, block_columns, block_rows, [&](uint32_t b_x, uint32_t b_y) {
          if (block_count[size_t(b_y) * block_columns + b_x] > 0 &&
              (best.point == NONE ||
               squared_distance_to(b_x, b_y, cell_side * double(BLOCK), x, y) <= best.distance))
            scan_block(b_x, b_y, x, y, best);
        });
    if (!on_grid) return best.point;
  }
}

void _point_grid::remove(uint32_t point) {
  const uint32_t cx = cell_of(points[point].x, low_x, columns);
  const uint32_t cy = cell_of(points[point].y, low_y, rows);
  const uint32_t cell = cy * columns + cx;
  const uint32_t at = slot[point];
  if (at >= cell_start[cell] + cell_count[cell]) return;  // removed already
  const uint32_t last = cell_start[cell] + cell_count[cell] - 1;
  std::swap(members[at], members[last]);
  std::swap(placed[at], placed[last]);
  slot[members[at]] = at;
  slot[members[last]] = last;
  --cell_count[cell];
  --block_count[(cy / BLOCK) * block_columns + cx / BLOCK];
  --left;
}

}  // namespace stippon
