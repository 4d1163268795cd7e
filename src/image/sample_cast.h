#pragma once

#include <cmath>
#include <cstddef>
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

// low_byte of count samples. Within (-2^31, 2^31) a 32-bit truncation has the same low byte and
// vectorises; a run holding any other sample keeps the per-sample rule.
inline void low_bytes(const float* samples, size_t count, unsigned char* bytes) {
  constexpr float INT32_LIMIT = 2147483648.0f;
  int outside = 0;
#pragma omp simd reduction(| : outside)
  for (size_t i = 0; i < count; ++i) outside |= !(std::fabs(samples[i]) < INT32_LIMIT);
  if (outside != 0) {
    for (size_t i = 0; i < count; ++i) bytes[i] = low_byte(samples[i]);
    return;
  }
#pragma omp simd
  for (size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<unsigned char>(static_cast<int32_t>(samples[i]));
}

}  // namespace stippon
