#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace stippon {

// Dots binned by the grid square they lie in (a counting sort of their indices), their places
// copied in bucket order so that the dots of a row of buckets are read together.
class _dot_buckets {
 public:
  _dot_buckets(unsigned width, unsigned height)
      : width_(width), height_(height), start_(size_t(width) * height + 1) {}

  // The bucket row or column of a place; places beyond the grid fall in its edge buckets.
  int row_of(double y) const { return std::clamp(int(y), 0, int(height_) - 1); }
  int column_of(double x) const { return std::clamp(int(x), 0, int(width_) - 1); }

  // Bins dot i at (xs[i], ys[i]), in index order within each bucket.
  void fill(const std::vector<double>& xs, const std::vector<double>& ys);

  // Calls visit(x, y, dot) for the dots of the buckets in rows [bottom, top] and columns
  // [left, right], clipped to the grid, row by row.
  template <class Visit>
  void each_in(int bottom, int top, int left, int right, Visit&& visit) const {
    bottom = std::max(bottom, 0);
    left = std::max(left, 0);
    top = std::min(top, int(height_) - 1);
    right = std::min(right, int(width_) - 1);
    if (left > right) return;
    for (int r = bottom; r <= top; ++r) {
      const size_t row = size_t(r) * width_;
      const uint32_t end = start_[row + size_t(right) + 1];
      for (uint32_t k = start_[row + size_t(left)]; k < end; ++k) visit(xs_[k], ys_[k], ids_[k]);
    }
  }

 private:
  unsigned width_;
  unsigned height_;
  std::vector<uint32_t> start_;  // bucket b holds [start_[b], start_[b + 1])
  std::vector<uint32_t> bucket_;
  std::vector<uint32_t> ids_;
  std::vector<double> xs_;
  std::vector<double> ys_;
};

}  // namespace stippon
