#pragma once

// The per-sample rules that merge a dot into the ground it falls on: the banded print merges every
// dot through them, one sheet row at a time. The black-and-white rule thresholds the product for
// monochrome printers; otherwise the dot darkens the ground by product or keeps the darker of the
// two. Colour dots are inked through a ramp and merge per channel, the alpha left alone.

#include <algorithm>

#include "image/pixel.h"
#include "image/sample_cast.h"

namespace stippon {

struct _merge_product {
  float operator()(float ground, float dot) const { return (dot * ground) / 255.0f; }
};
struct _merge_minimum {
  float operator()(float ground, float dot) const { return ground > dot ? dot : ground; }
};
class _merge_black_white {
 public:
  explicit _merge_black_white(unsigned short black_level)
      : black_level_(black_level), least_white_(float(black_level) * 255.0f) {}

  float operator()(float ground, float dot) const {
    const float product = (dot * ground) / 255.0f;
    const auto level = static_cast<unsigned short>(truncate_sample(product));
    return level < black_level_ ? 0.0f : 255.0f;
  }

  // Products dot x ground in [0, PRODUCT_LIMIT) give levels of 0 to 65535 without wrapping; of
  // those, the ones below least_white() are painted black. Division rounds monotonically, and
  // black level x 255 (exact) divides back to the black level, while the float below it is
  // smaller by at least 128 units in the last place of the level: more than half a unit once
  // divided by 255, so its quotient rounds below the level.
  static constexpr float PRODUCT_LIMIT = 255.0f * 65535.0f;
  float least_white() const { return least_white_; }

 private:
  unsigned short black_level_;
  float least_white_;
};

// The black and white rule where every product dot x ground lies in [0, PRODUCT_LIMIT), as it
// does when sheet and ground samples all lie in [0, 255].
struct _merge_black_white_in_range {
  float least_white;
  float operator()(float ground, float dot) const {
    return dot * ground < least_white ? 0.0f : 255.0f;
  }
};

// The product of two bytes is exact in single precision and never lies within rounding distance
// of a multiple of 255, so integer division truncates exactly as the float-product /
// double-division rule does.
struct _ink_product {
  void operator()(_pixel& texel, _pixel ink) const {
    texel.r = static_cast<unsigned char>(unsigned(texel.r) * ink.r / 255u);
    texel.g = static_cast<unsigned char>(unsigned(texel.g) * ink.g / 255u);
    texel.b = static_cast<unsigned char>(unsigned(texel.b) * ink.b / 255u);
  }
};
struct _ink_minimum {
  void operator()(_pixel& texel, _pixel ink) const {
    texel.r = std::min(texel.r, ink.r);
    texel.g = std::min(texel.g, ink.g);
    texel.b = std::min(texel.b, ink.b);
  }
};

// One sheet row merged into count samples of the ground. The ground never overlaps the sheet and
// each sample merges alone, so the row is vectorised; every lane does the per-sample IEEE
// arithmetic, so the samples are those of the rule.
template <class Merge>
inline void merge_span(float* ground, const float* dot, unsigned count, Merge merge) {
#pragma omp simd
  for (unsigned j = 0; j < count; ++j) ground[j] = merge(ground[j], dot[j]);
}

// Black and white: rows whose products all lie in [0, PRODUCT_LIMIT) (every row, with sheets and
// grounds of bytes) compare the product alone, with no division; any other row keeps the rule.
inline void merge_span(float* ground, const float* dot, unsigned count,
                       const _merge_black_white& merge) {
  int outside = 0;
#pragma omp simd reduction(| : outside)
  for (unsigned j = 0; j < count; ++j) {
    const float product = dot[j] * ground[j];
    outside |= !((product >= 0.0f) & (product < _merge_black_white::PRODUCT_LIMIT));
  }
  if (outside != 0) {
    for (unsigned j = 0; j < count; ++j) ground[j] = merge(ground[j], dot[j]);
    return;
  }
  merge_span(ground, dot, count, _merge_black_white_in_range{merge.least_white()});
}

// One sheet row inked through a ramp of 256 colours into count texels.
template <class Ink>
inline void ink_span(_pixel* ground, const float* dot, unsigned count, const _pixel* ramp,
                     Ink ink) {
  for (unsigned j = 0; j < count; ++j) ink(ground[j], ramp[low_byte(dot[j])]);
}

}  // namespace stippon
