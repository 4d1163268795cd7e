#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "stipple/point_grid.h"

namespace stippon {

// The pen's travel between dots (from each dot to the next, in millimetres) in the three orders
// a pen path goes through.
struct _pen_travel {
  double drawn = 0.0;     // the order the stippling drew the dots in: row by row
  double nearest = 0.0;   // each dot followed by the nearest one not yet visited
  double improved = 0.0;  // after moving and reversing stretches of the path
  bool settled = false;   // the improvement stopped because no move shortened the path
};

// The travel of a pen visiting the points in this order, from each to the next.
double pen_travel(std::span<const _pen_point> points, std::span<const uint32_t> order);

// From the point nearest to `start`, each next point the nearest one not yet visited (equal
// distances going to the lower index).
std::vector<uint32_t> nearest_neighbour_order(std::span<const _pen_point> points, _pen_point start);

// Shortens the open path `order` with 2-opt moves (reversing a stretch) and Or-opt moves
// (moving one to three points elsewhere, either way round), each trying only the points of the
// grid cells around a point (at least a few), until no move helps or the deadline passes. Moves
// that would shift more than a bounded stretch of the path are not tried, so each costs little.
// True when no move helped.
bool improve_order(std::span<const _pen_point> points, std::vector<uint32_t>& order,
                   std::chrono::steady_clock::time_point deadline);

// The order a pen visits the points in: the nearest-neighbour order from `start`, then improved
// for at most `seconds` (none for 0); travel tells how it went (drawn: the points as given).
std::vector<uint32_t> pen_order(std::span<const _pen_point> points, _pen_point start,
                                double seconds, _pen_travel& travel);

}  // namespace stippon
