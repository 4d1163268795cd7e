#pragma once

#include <array>

#include "image/image.h"

namespace stippon {

// A grey-level mapping as a 256-entry table: sample level 0..255 -> new level 0..255. A table
// built as the identity says so, so that the caller can skip it and leave its raster untouched
// to the bit.
class _tone_lookup {
 public:
  static constexpr int SIZE = 256;

  // The identity.
  _tone_lookup();
  // The given levels; never reported as the identity, even when the table happens to be one.
  explicit _tone_lookup(const std::array<float, SIZE>& levels);

  bool is_identity() const { return identity_; }
  float operator[](int level) const { return levels_[level]; }
  const std::array<float, SIZE>& levels() const { return levels_; }

  // Every sample rounded to the nearest level (clamped to 0..255, NaN as 0) and replaced by the
  // table's entry. The identity leaves the raster as it is: samples keep any fraction.
  void apply(_image& image) const;

 private:
  std::array<float, SIZE> levels_;
  bool identity_;
};

}  // namespace stippon
