#pragma once

#include <cmath>
#include <cstdint>

namespace stippon {

// Float-to-integer truncation toward zero, as a C cast does for in-range values, but defined for
// every input: NaN and magnitudes beyond 64 bits give 0 instead of undefined behaviour.
inline int64_t truncate_sample(float value) {
  if (!(std::fabs(value) < 9.2e18f)) return 0;
  return static_cast<int64_t>(value);
}

// The low eight bits of the truncated sample: 255.9 -> 255, 256.0 -> 0, -1.0 -> 255.
inline unsigned char low_byte(float value) {
  return static_cast<unsigned char>(static_cast<uint64_t>(truncate_sample(value)) & 0xffu);
}

}  // namespace stippon
