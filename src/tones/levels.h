#pragma once

#include <string>

#include "tones/tone_lookup.h"

namespace stippon {

// Levels and gamma: the black point B and white point W stretch [B, W] over the whole range,
// then gamma G bends the middle greys: out = clamp((in - B) / (W - B), 0, 1) ^ (1 / G), so G
// above 1 lightens them. (0, 255, 1) is the identity.
//
// Values out of range are not refused here but brought to the nearest meaningful setting, so
// that a slider dragged past its partner still gives a picture: the points are clamped to
// 0..255, gamma to GAMMA_MIN..GAMMA_MAX, and a white point at or below the black point makes a
// hard threshold at B (at or below B black, above it white), the limit of W coming down to B.
class _levels {
 public:
  static constexpr float GAMMA_MIN = 0.1f;
  static constexpr float GAMMA_MAX = 10.0f;

  _levels() = default;
  _levels(float black, float white, float gamma);

  float black() const { return black_; }
  float white() const { return white_; }
  float gamma() const { return gamma_; }
  bool operator==(const _levels&) const = default;
  bool is_identity() const;

  // The mapped level of an input level, on 0..1 (0 black), before any rounding.
  double normalized(double level) const;
  // The mapping on 0..255, rounded to whole levels; the identity reports itself as such.
  _tone_lookup lookup() const;

 private:
  float black_ = 0.0f;
  float white_ = 255.0f;
  float gamma_ = 1.0f;
};

}  // namespace stippon
