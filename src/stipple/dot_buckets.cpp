#include "stipple/dot_buckets.h"

namespace stippon {

void _dot_buckets::fill(const std::vector<double>& xs, const std::vector<double>& ys) {
  const size_t count = xs.size();
  std::fill(start_.begin(), start_.end(), 0u);
  bucket_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    bucket_[i] = uint32_t(size_t(row_of(ys[i])) * width_ + size_t(column_of(xs[i])));
    ++start_[bucket_[i] + 1];
  }
  for (size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
  ids_.resize(count);
  xs_.resize(count);
  ys_.resize(count);
  // start_[b] serves as the next free place of bucket b, and is restored after.
  for (size_t i = 0; i < count; ++i) {
    const uint32_t at = start_[bucket_[i]]++;
    ids_[at] = uint32_t(i);
    xs_[at] = xs[i];
    ys_[at] = ys[i];
  }
  for (size_t b = start_.size() - 1; b > 0; --b) start_[b] = start_[b - 1];
  start_[0] = 0;
}

}  // namespace stippon
