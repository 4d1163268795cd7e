#pragma once

namespace stippon {

// How an SVG print draws each dot.
enum _svg_dots {
  svg_shapes = 0,  // the dot's own outline, filled
  svg_circles,     // a filled circle of the dot's area
  svg_points,      // one touch of the pen: a very short stroke
};

inline constexpr double DEFAULT_PEN_WIDTH_MM = 0.3;

struct _svg_options {
  _svg_dots dots = svg_shapes;
  double pen_width = DEFAULT_PEN_WIDTH_MM;  // millimetres, the stroke of svg_points
  // Measures the pen's travel between circles or points in each order of its path (a pass over
  // the dots more), to report how well the path is ordered.
  bool measure_travel = false;
};

}  // namespace stippon
