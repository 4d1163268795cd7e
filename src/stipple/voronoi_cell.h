#pragma once

#include <array>
#include <cstddef>

namespace stippon {

// The power cell of one site within a box, as a convex polygon in coordinates relative to the
// site: the box, cut by the power bisector of every other site offered, the points x with
// |x|^2 - w <= |x - d|^2 - w_d for the site's weight w and the other's w_d at offset d. With equal
// weights that is the Voronoi cell. Sites offered in any order give the same cell, up to rounding.
class _voronoi_cell {
 public:
  static constexpr size_t MAX_CORNERS = 48;

  // The box [low_x, high_x] x [low_y, high_y] around the site, which lies inside it.
  void reset(double low_x, double low_y, double high_x, double high_y);
  // Keeps the points on the site's side of the power bisector of the site at offset (dx, dy),
  // whose weight is w - difference; false when that leaves the cell as it was. A site at the same
  // place cuts nothing.
  bool cut(double dx, double dy, double difference = 0.0);

  size_t corners() const { return count_; }
  double x(size_t i) const { return x_[side_][i]; }
  double y(size_t i) const { return y_[side_][i]; }
  // The squared distance from the site to the farthest corner.
  double reach_squared() const;
  double area() const;

 private:
  // Two sets of corners: a cut writes the other set and turns to it.
  std::array<double, MAX_CORNERS> x_[2]{};
  std::array<double, MAX_CORNERS> y_[2]{};
  size_t side_ = 0;
  size_t count_ = 0;
};

}  // namespace stippon
