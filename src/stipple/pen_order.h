#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace stippon {

// A point of a pen's path on the page, in thousandths of a millimetre (as a vector file writes
// it, so that the path is ordered by the very positions drawn).
struct _pen_point {
  int32_t x = 0;
  int32_t y = 0;
};

// A dot on a pen's path: where it is drawn, and what its writer needs to draw it.
struct _pen_dot {
  _pen_point at;
  uint32_t tag = 0;
};

// The pen's travel between dots (from each dot to the next, in millimetres) in the three orders
// a pen path goes through.
struct _pen_travel {
  double drawn = 0.0;       // the order the stippling drew the dots in: row by row
  double serpentine = 0.0;  // strips across the page, taken left to right and back in turn
  double improved = 0.0;    // after the sweep that reverses short stretches
};

// The distance between two points, in their thousandths of a millimetre.
double pen_distance(_pen_point a, _pen_point b);

// The height of the strips a pen's path takes across a page of this size (in the points' units)
// holding this many dots: 1.7 times their mean spacing. Lower strips cross the page more often,
// higher ones zigzag more within.
double strip_height(size_t dots, double width, double height);

// Puts the dots of one strip in the order the path takes them: by x, then in their order here
// (the order the stippling drew them); all reversed for a strip taken from right to left. The
// stippling draws every row from left to right, so the dots come as a run per row, which are
// merged. `ends` is room for the ends of the runs.
void order_strip(std::vector<_pen_dot>& strip, bool backward, std::vector<size_t>& ends);

// One sweep along a path handed over in pieces (the strips in turn), reversing each stretch of
// two or three dots whose reversal shortens the path: this straightens the zigzag within a
// strip. A dot comes out once no later reversal can move it. The work is fixed by the dots
// alone, so the path is the same on any machine.
class _path_sweep {
 public:
  // Appends dots to the path, and the dots now final to `out`.
  void add(std::span<const _pen_dot> dots, std::vector<_pen_dot>& out);
  // Appends the rest to `out`: the path is complete.
  void finish(std::vector<_pen_dot>& out);
  // The lengths of the path as it was handed over and of the path handed out so far, in
  // thousandths of a millimetre.
  double length_given() const { return given; }
  double length_out() const { return handed_out; }

 private:
  // The step at pending[i]: the stretches from i + 1 to i + 2, and to i + 3 when `both`.
  void step(size_t i, bool both);
  bool reverse_if_shorter(size_t i, size_t j);
  // Hands out the first `count` dots, and the edges that leave them.
  void hand_out(size_t count, std::vector<_pen_dot>& out);

  std::vector<_pen_dot> pending;  // the dots not yet final, the next step's first
  std::vector<double> edge;       // edge[i]: the length from pending[i] to pending[i + 1]
  double given = 0.0;
  double handed_out = 0.0;
};

}  // namespace stippon
