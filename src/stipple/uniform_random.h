#pragma once

#include <cstdint>

namespace stippon {

// 2^-31: turns a glibc random() result (0 .. 2^31 - 1) into [0, 1).
inline constexpr float RANDOM_UNIT = 4.656612873077393e-10f;

// One uniform variable of the stippling walks: low + scale * drawn in single precision, for a
// draw of a glibc random() sequence.
struct _uniform_random {
  float low = 0.0f;
  float high = 1.0f;
  float scale = RANDOM_UNIT;

  // Sets [low, high) and scale = (high - low) * 2^-31, in single precision.
  void set_range(float new_low, float new_high);
  // The one formula of every draw: low + scale * float(drawn), in single precision.
  float at(long drawn) const { return low + scale * static_cast<float>(drawn); }
};

}  // namespace stippon
