#include "stipple/dot_outline.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "stipple/dot_placement.h"

namespace stippon {

namespace {

constexpr float PAPER = 255.0f;
// Half the ink: the line a pen follows round the dot.
constexpr float HALF_INK = 127.5f;
constexpr uint32_t NO_EDGE = UINT32_MAX;

// The cell's samples framed by a ring of paper, so that every traced line closes inside the frame:
// value(a, b) for a, b in [-1, n].
class _framed_cell {
 public:
  _framed_cell(const _image& sheet, uint64_t cell_row, uint64_t cell_column, unsigned n)
      : side(n + 2), values(size_t(side) * side, PAPER) {
    const uint64_t rows = filled_rows(sheet);
    for (unsigned i = 0; i < n && cell_row + i < rows; ++i)
      for (unsigned j = 0; j < n && cell_column + j < sheet.width; ++j)
        values[size_t(i + 1) * side + j + 1] =
            sheet.samples[size_t(cell_row + i) * sheet.width + cell_column + j];
  }

  unsigned frame() const { return side; }
  float value(int a, int b) const { return values[size_t(a + 1) * side + size_t(b + 1)]; }
  bool inked(int a, int b) const { return value(a, b) < HALF_INK; }
  // Edges between neighbouring samples: along a row from (a, b) to (a, b + 1), or up a column
  // from (a, b) to (a + 1, b).
  uint32_t row_edge(int a, int b) const { return uint32_t((a + 1) * int(side) + b + 1); }
  uint32_t column_edge(int a, int b) const { return uint32_t(side * side) + row_edge(a, b); }
  uint32_t edges() const { return 2 * side * side; }
  // Where the ink crosses half strength on an edge.
  _outline_point crossing(uint32_t edge) const {
    const bool up = edge >= side * side;
    const uint32_t index = up ? edge - side * side : edge;
    const int a = int(index / side) - 1;
    const int b = int(index % side) - 1;
    const float from = value(a, b);
    const float to = up ? value(a + 1, b) : value(a, b + 1);
    const double t = (double(HALF_INK) - from) / (double(to) - from);
    return up ? _outline_point{b + 0.5, a + 0.5 + t} : _outline_point{b + 0.5 + t, a + 0.5};
  }

 private:
  unsigned side;
  std::vector<float> values;
};

// Marching squares: in each square of four neighbouring samples, a line from every edge where the
// ink leaves (going round the square counter-clockwise) to an edge where it comes back, so that
// the ink always lies on the left. A square with ink at two opposite corners joins them when its
// centre is inked, and parts them otherwise.
std::vector<uint32_t> trace_lines(const _framed_cell& cell, int n) {
  std::vector<uint32_t> next(cell.edges(), NO_EDGE);
  for (int a = -1; a < n; ++a)
    for (int b = -1; b < n; ++b) {
      const bool ink[4] = {cell.inked(a, b), cell.inked(a, b + 1), cell.inked(a + 1, b + 1),
                           cell.inked(a + 1, b)};
      if (ink[0] == ink[1] && ink[1] == ink[2] && ink[2] == ink[3]) continue;
      // The edges counter-clockwise: bottom, right, top, left; edge k runs from corner k.
      const uint32_t edge[4] = {cell.row_edge(a, b), cell.column_edge(a, b + 1),
                                cell.row_edge(a + 1, b), cell.column_edge(a, b)};
      const bool saddle = ink[0] == ink[2] && ink[1] == ink[3];
      const float mean = (cell.value(a, b) + cell.value(a, b + 1) + cell.value(a + 1, b + 1) +
                          cell.value(a + 1, b)) /
                         4.0f;
      const int step = saddle && mean >= HALF_INK ? 3 : 1;  // parted: back to the previous edge
      for (int k = 0; k < 4; ++k) {
        if (!ink[k] || ink[(k + 1) % 4]) continue;  // not an edge where the ink leaves
        int back = (k + step) % 4;
        while (!(!ink[back] && ink[(back + 1) % 4])) back = (back + step) % 4;
        next[edge[k]] = edge[back];
      }
    }
  return next;
}

double squared_distance_to_line(_outline_point p, _outline_point a, _outline_point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length = dx * dx + dy * dy;
  const double px = p.x - a.x, py = p.y - a.y;
  if (length == 0.0) return px * px + py * py;
  const double cross = dx * py - dy * px;
  return cross * cross / length;
}

// Douglas-Peucker between two kept points of a closed ring (indices taken modulo its size).
void simplify_span(const std::vector<_outline_point>& ring, size_t first, size_t last,
                   double tolerance, std::vector<bool>& kept) {
  const size_t size = ring.size();
  std::vector<std::pair<size_t, size_t>> spans = {{first, last}};
  while (!spans.empty()) {
    const auto [from, to] = spans.back();
    spans.pop_back();
    double farthest = tolerance * tolerance;
    size_t chosen = from;
    for (size_t i = from + 1; i < to; ++i) {
      const double d = squared_distance_to_line(ring[i % size], ring[from % size], ring[to % size]);
      if (d > farthest) {
        farthest = d;
        chosen = i;
      }
    }
    if (chosen == from) continue;
    kept[chosen % size] = true;
    spans.push_back({from, chosen});
    spans.push_back({chosen, to});
  }
}

}  // namespace

_dot_outline _dot_outline::trace(const _image& sheet, uint64_t cell_row, uint64_t cell_column,
                                 unsigned n, double tolerance, double least_area) {
  _dot_outline outline;
  const _framed_cell cell(sheet, cell_row, cell_column, n);
  double sum = 0.0, sum_x = 0.0, sum_y = 0.0;
  for (int a = 0; a < int(n); ++a)
    for (int b = 0; b < int(n); ++b) {
      const double ink = std::clamp((double(PAPER) - cell.value(a, b)) / PAPER, 0.0, 1.0);
      sum += ink;
      sum_x += ink * (b + 0.5);
      sum_y += ink * (a + 0.5);
    }
  outline.ink_area = sum;
  outline.ink_centre =
      sum > 0.0 ? _outline_point{sum_x / sum, sum_y / sum} : _outline_point{n / 2.0, n / 2.0};

  std::vector<uint32_t> next = trace_lines(cell, int(n));
  std::vector<_outline_point> ring;
  for (uint32_t start = 0; start < next.size(); ++start) {
    if (next[start] == NO_EDGE) continue;
    ring.clear();
    for (uint32_t edge = start; next[edge] != NO_EDGE;) {
      ring.push_back(cell.crossing(edge));
      edge = std::exchange(next[edge], NO_EDGE);
    }
    outline.add_ring(ring, tolerance, least_area);
  }
  return outline;
}

void _dot_outline::add_ring(const std::vector<_outline_point>& ring, double tolerance,
                            double least_area) {
  if (ring.size() < 3 || std::abs(area(ring)) < least_area) return;
  // Anchored at its first point and the point farthest from it, the ring is simplified as two
  // open lines.
  size_t far = 0;
  double farthest = -1.0;
  for (size_t i = 1; i < ring.size(); ++i) {
    const double dx = ring[i].x - ring[0].x, dy = ring[i].y - ring[0].y;
    if (dx * dx + dy * dy > farthest) {
      farthest = dx * dx + dy * dy;
      far = i;
    }
  }
  std::vector<bool> kept(ring.size(), false);
  kept[0] = kept[far] = true;
  simplify_span(ring, 0, far, tolerance, kept);
  simplify_span(ring, far, ring.size(), tolerance, kept);
  const size_t start = corners.size();
  for (size_t i = 0; i < ring.size(); ++i)
    if (kept[i]) corners.push_back(ring[i]);
  // A sliver reduced to a line draws nothing.
  if (corners.size() - start < 3) {
    corners.resize(start);
    return;
  }
  ring_starts.push_back(uint32_t(start));
}

std::span<const _outline_point> _dot_outline::ring(size_t index) const {
  const size_t end = index + 1 < ring_starts.size() ? ring_starts[index + 1] : corners.size();
  return std::span<const _outline_point>(corners).subspan(ring_starts[index],
                                                          end - ring_starts[index]);
}

double _dot_outline::area(std::span<const _outline_point> ring) {
  double twice = 0.0;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    twice += ring[j].x * ring[i].y - ring[i].x * ring[j].y;
  return twice / 2.0;
}

}  // namespace stippon
