#pragma once

#include <cstddef>
#include <vector>

#include "image/image.h"

namespace stippon {

// The darkness a grid image asks for (0 white .. 1 black), sample by sample, and the weight that
// relaxation gives it: its square, read bilinearly between sample centres. A centroidal Voronoi
// spread of weight w puts its dots at a density of sqrt(w) in the plane, so the square keeps the
// density of the halftone made from the same image, and with it the tone.
class _darkness_field {
 public:
  // The field of tones over a width x height grid, or an even mid-grey one where tones does not
  // cover the grid.
  _darkness_field(const _image& tones, unsigned width, unsigned height);

  // The darkness of the sample that holds (x, y), in grid units.
  double darkness(double x, double y) const { return darkness_[index(clamp_x(x), clamp_y(y))]; }
  // The weight at (x, y), bilinear between sample centres and constant beyond the outer ones.
  double weight(double x, double y) const {
    const double fx = clamp_x(x - 0.5);
    const double fy = clamp_y(y - 0.5);
    const size_t c0 = size_t(fx);
    const size_t r0 = size_t(fy);
    const size_t c1 = c0 + (c0 + 1 < width_);
    const size_t r1 = r0 + (r0 + 1 < height_);
    const double s = fx - double(c0);
    const double t = fy - double(r0);
    const float* low = weights_.data() + r0 * width_;
    const float* high = weights_.data() + r1 * width_;
    const double a = low[c0] + t * (high[c0] - low[c0]);
    const double b = low[c1] + t * (high[c1] - low[c1]);
    return a + s * (b - a);
  }

 private:
  double clamp_x(double x) const { return x > 0.0 ? (x < last_x_ ? x : last_x_) : 0.0; }
  double clamp_y(double y) const { return y > 0.0 ? (y < last_y_ ? y : last_y_) : 0.0; }
  size_t index(double x, double y) const { return size_t(y) * width_ + size_t(x); }

  unsigned width_;
  unsigned height_;
  double last_x_;
  double last_y_;
  std::vector<float> darkness_;
  std::vector<float> weights_;
};

}  // namespace stippon
