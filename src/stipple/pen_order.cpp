#include "stipple/pen_order.h"

#include <algorithm>
#include <cmath>

namespace stippon {

namespace {

// A strip's height in mean dot spacings: with the sweep, 1.7 travels least on stippled
// photographs.
constexpr double STRIP_SPACINGS = 1.7;
// A reversal must shorten the path (in thousandths of a millimetre) by more than rounding could
// explain.
constexpr double LEAST_GAIN = 1e-9;

}  // namespace

double pen_distance(_pen_point a, _pen_point b) {
  const double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y);
  return std::sqrt(dx * dx + dy * dy);
}

// Never so low that there would be more strips than dots.
double strip_height(size_t dots, double width, double height) {
  const double n = double(std::max<size_t>(dots, 1));
  const double spacing = std::sqrt(width * height / n);
  return spacing > 0.0 ? std::max(STRIP_SPACINGS * spacing, height / n) : 1.0;
}

// The runs are merged pairwise, each merge keeping equal dots in their order.
void order_strip(std::vector<_pen_dot>& strip, bool backward, std::vector<size_t>& ends) {
  const auto by_x = [](const _pen_dot& a, const _pen_dot& b) { return a.at.x < b.at.x; };
  ends.clear();
  for (size_t i = 0; i < strip.size(); ++i)
    if (i + 1 == strip.size() || by_x(strip[i + 1], strip[i])) ends.push_back(i + 1);
  const auto first = strip.begin();
  while (ends.size() > 1) {
    // The run before the r-th ends at ends[r - 1], not yet overwritten as kept <= r / 2.
    size_t kept = 0;
    for (size_t r = 0; r < ends.size(); r += 2) {
      if (r + 1 < ends.size())
        std::inplace_merge(first + ptrdiff_t(r > 0 ? ends[r - 1] : 0), first + ptrdiff_t(ends[r]),
                           first + ptrdiff_t(ends[r + 1]), by_x);
      ends[kept++] = ends[std::min(r + 1, ends.size() - 1)];
    }
    ends.resize(kept);
  }
  if (backward) std::reverse(strip.begin(), strip.end());
}

// The step at i needs the dots up to i + 4 and moves none before i + 1: once it is made, the dot
// at i and the edge that leaves it are final.
void _path_sweep::add(std::span<const _pen_dot> dots, std::vector<_pen_dot>& out) {
  for (const _pen_dot& dot : dots) {
    if (!pending.empty()) {
      edge.push_back(pen_distance(pending.back().at, dot.at));
      given += edge.back();
    }
    pending.push_back(dot);
  }
  size_t i = 0;
  for (; i + 4 < pending.size(); ++i) step(i, true);
  hand_out(i, out);
}

// The last step has the stretch of two only.
void _path_sweep::finish(std::vector<_pen_dot>& out) {
  if (pending.size() == 4) step(0, false);
  hand_out(pending.size(), out);
}

void _path_sweep::hand_out(size_t count, std::vector<_pen_dot>& out) {
  const size_t edges = std::min(count, edge.size());
  for (size_t i = 0; i < edges; ++i) handed_out += edge[i];
  out.insert(out.end(), pending.begin(), pending.begin() + ptrdiff_t(count));
  pending.erase(pending.begin(), pending.begin() + ptrdiff_t(count));
  edge.erase(edge.begin(), edge.begin() + ptrdiff_t(edges));
}

void _path_sweep::step(size_t i, bool both) {
  if (!reverse_if_shorter(i, i + 2) && both) reverse_if_shorter(i, i + 3);
}

// Reversing the stretch from i + 1 to j replaces the edges (i, i + 1) and (j, j + 1) by (i, j)
// and (i + 1, j + 1); the edges between keep their lengths in the reverse order.
bool _path_sweep::reverse_if_shorter(size_t i, size_t j) {
  const double ac = pen_distance(pending[i].at, pending[j].at);
  const double bd = pen_distance(pending[i + 1].at, pending[j + 1].at);
  if (edge[i] + edge[j] - ac - bd <= LEAST_GAIN) return false;
  std::reverse(pending.begin() + ptrdiff_t(i + 1), pending.begin() + ptrdiff_t(j + 1));
  std::reverse(edge.begin() + ptrdiff_t(i + 1), edge.begin() + ptrdiff_t(j));
  edge[i] = ac;
  edge[j] = bd;
  return true;
}

}  // namespace stippon
