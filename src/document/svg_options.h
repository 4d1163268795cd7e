#pragma once

namespace stippon {

// How an SVG print draws each dot.
enum _svg_dots {
  svg_shapes = 0,  // the dot's own outline, filled
  svg_circles,     // a filled circle of the dot's area
  svg_points,      // one touch of the pen: a very short stroke
};

inline constexpr double DEFAULT_PEN_WIDTH_MM = 0.3;
// Time spent shortening the pen's path through the circles or points of a print, after the
// nearest-neighbour path that comes first: a print of a few hundred thousand dots is done in
// less, a million dots take it all (a pen spends hours on those).
inline constexpr double DEFAULT_ORDER_SECONDS = 0.5;

struct _svg_options {
  _svg_dots dots = svg_shapes;
  double pen_width = DEFAULT_PEN_WIDTH_MM;  // millimetres, the stroke of svg_points
  double order_seconds = DEFAULT_ORDER_SECONDS;
};

}  // namespace stippon
