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

// The pen's travel between dots (from each dot to the next, in the points' thousandths of a
// millimetre) in the three orders a pen path goes through.
struct _pen_travel {
  double drawn = 0.0;       // the order the stippling drew the dots in: row by row
  double serpentine = 0.0;  // strips across the page, taken left to right and back in turn
  double improved = 0.0;    // after the sweeps that reverse short stretches
};

// The travel of a pen visiting the points in their own order.
double pen_travel(std::span<const _pen_point> points);
// The travel of a pen visiting the points in this order.
double pen_travel(std::span<const _pen_point> points, std::span<const uint32_t> order);

// A height for strips of the points: 1.7 times their mean spacing over the box around them
// (lower strips cross the page more often, higher ones zigzag more within), at least the box's
// height over their count; 1 when they have no spacing.
double strip_height(std::span<const _pen_point> points);

// The points cut into strips across the page of this height (positive), from the topmost point:
// the first strip from left to right, the next from right to left, and so on. The points of a
// strip are ordered by x, then by index (both reversed in every other strip). There are never
// more strips than points: points beyond are taken with the last strip.
std::vector<uint32_t> serpentine_order(std::span<const _pen_point> points, double height);

// Sweeps along the path `passes` times, reversing each stretch of two or three points whose
// reversal shortens it (this straightens the zigzag within a strip). Stops early when a sweep
// changes nothing; returns the reversals made.
size_t improve_order(std::span<const _pen_point> points, std::vector<uint32_t>& order,
                     unsigned passes);

// The order a pen visits the points in: the serpentine order improved by `passes` sweeps;
// travel tells how it went. The work is fixed by the points alone, so the order is the same on
// any machine.
std::vector<uint32_t> pen_order(std::span<const _pen_point> points, unsigned passes,
                                _pen_travel& travel);

}  // namespace stippon
