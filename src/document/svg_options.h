#pragma once

#include "print/print_svg.h"

namespace stippon {

inline constexpr double DEFAULT_PEN_WIDTH_MM = 0.3;

struct _svg_options {
  _svg_dots dots = svg_shapes;
  double pen_width = DEFAULT_PEN_WIDTH_MM;  // millimetres, the stroke of svg_points
  // Measures the pen's travel between circles or points in each order of its path (a pass over
  // the dots more), to report how well the path is ordered.
  bool measure_travel = false;
};

}  // namespace stippon
