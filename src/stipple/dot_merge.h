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
struct _merge_black_white {
  unsigned short black_level;
  float operator()(float ground, float dot) const {
    const float product = (dot * ground) / 255.0f;
    const auto level = static_cast<unsigned short>(truncate_sample(product));
    return level < black_level ? 0.0f : 255.0f;
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

// One sheet row merged into count samples of the ground.
template <class Merge>
inline void merge_span(float* ground, const float* dot, unsigned count, Merge merge) {
  for (unsigned j = 0; j < count; ++j) ground[j] = merge(ground[j], dot[j]);
}

// One sheet row inked through a ramp of 256 colours into count texels.
template <class Ink>
inline void ink_span(_pixel* ground, const float* dot, unsigned count, const _pixel* ramp,
                     Ink ink) {
  for (unsigned j = 0; j < count; ++j) ink(ground[j], ramp[low_byte(dot[j])]);
}

}  // namespace stippon
