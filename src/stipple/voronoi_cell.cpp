#include "stipple/voronoi_cell.h"

#include <algorithm>

namespace stippon {

void _voronoi_cell::reset(double low_x, double low_y, double high_x, double high_y) {
  side_ = 0;
  double* x = x_[0].data();
  double* y = y_[0].data();
  x[0] = low_x, y[0] = low_y;
  x[1] = high_x, y[1] = low_y;
  x[2] = high_x, y[2] = high_y;
  x[3] = low_x, y[3] = high_y;
  count_ = 4;
}

// One pass of polygon clipping against the half-plane x . d <= (|d|^2 + difference) / 2. A convex
// polygon gains at most one corner a cut; a cut that would overflow the corners is dropped,
// leaving the cell a little large, which no cell of real dots comes near.
bool _voronoi_cell::cut(double dx, double dy, double difference) {
  const double distance = dx * dx + dy * dy;
  if (!(distance > 0.0) || count_ + 1 > MAX_CORNERS) return false;
  const double limit = 0.5 * (distance + difference);
  const double* x = x_[side_].data();
  const double* y = y_[side_].data();
  // How far each corner lies beyond the bisector; a bisector that misses the cell leaves it.
  std::array<double, MAX_CORNERS> beyond;
  double most = 0.0;
  for (size_t i = 0; i < count_; ++i) {
    beyond[i] = x[i] * dx + y[i] * dy - limit;
    most = std::max(most, beyond[i]);
  }
  if (!(most > 0.0)) return false;
  double* out_x = x_[1 - side_].data();
  double* out_y = y_[1 - side_].data();
  size_t kept = 0;
  const auto keep = [&](double cx, double cy) {
    out_x[kept] = cx;
    out_y[kept] = cy;
    ++kept;
  };
  for (size_t i = 0, j = count_ - 1; i < count_; j = i++) {
    const bool inside = beyond[i] <= 0.0;
    // A corner on the bisector is its own crossing: no second corner in the same place.
    if ((beyond[j] < 0.0 && beyond[i] > 0.0) || (beyond[j] > 0.0 && beyond[i] < 0.0)) {
      const double t = beyond[j] / (beyond[j] - beyond[i]);
      keep(x[j] + t * (x[i] - x[j]), y[j] + t * (y[i] - y[j]));
    }
    if (inside) keep(x[i], y[i]);
  }
  side_ = 1 - side_;
  count_ = kept;
  return true;
}

double _voronoi_cell::reach_squared() const {
  const double* x = x_[side_].data();
  const double* y = y_[side_].data();
  double reach = 0.0;
  for (size_t i = 0; i < count_; ++i) reach = std::max(reach, x[i] * x[i] + y[i] * y[i]);
  return reach;
}

double _voronoi_cell::area() const {
  if (count_ < 3) return 0.0;
  const double* x = x_[side_].data();
  const double* y = y_[side_].data();
  double twice = 0.0;
  for (size_t i = 0, j = count_ - 1; i < count_; j = i++) twice += x[j] * y[i] - x[i] * y[j];
  return 0.5 * twice;
}

}  // namespace stippon
