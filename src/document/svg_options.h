#pragma once

namespace stippon {

// How an SVG print draws each dot.
enum _svg_dots {
  svg_shapes = 0,  // the dot's own outline, filled
  svg_circles,     // a filled circle of the dot's area
  svg_points,      // one touch of the pen: a very short stroke
};

inline constexpr double DEFAULT_PEN_WIDTH_MM = 0.3;
// Sweeps along the pen's path through the circles or points of a print that straighten it: a
// fixed amount of work, so that a print is the same on every machine. The first sweep shortens
// the path by about 4 %, a second by well under 1 % more.
inline constexpr unsigned DEFAULT_ORDER_PASSES = 1;

struct _svg_options {
  _svg_dots dots = svg_shapes;
  double pen_width = DEFAULT_PEN_WIDTH_MM;  // millimetres, the stroke of svg_points
  unsigned order_passes = DEFAULT_ORDER_PASSES;
};

}  // namespace stippon
