#include "stipple/darkness_field.h"

#include <algorithm>

#include "stipple/dot_placement.h"

namespace stippon {

namespace {

constexpr double WHITE = 255.0;
constexpr float EVEN_DARKNESS = 0.5f;

}  // namespace

_darkness_field::_darkness_field(const _image& tones, unsigned width, unsigned height)
    : width_(width),
      height_(height),
      last_x_(width > 0 ? width - 1.0 : 0.0),
      last_y_(height > 0 ? height - 1.0 : 0.0),
      darkness_(size_t(width) * height, EVEN_DARKNESS),
      weights_(size_t(width) * height, EVEN_DARKNESS * EVEN_DARKNESS) {
  if (tones.width != width || filled_rows(tones) < height) return;
  for (size_t i = 0; i < darkness_.size(); ++i) {
    const double darkness = (WHITE - double(tones.samples[i])) / WHITE;
    // NaN samples count as white.
    const double clamped = darkness > 0.0 ? std::min(darkness, 1.0) : 0.0;
    darkness_[i] = float(clamped);
    weights_[i] = float(clamped * clamped);
  }
}

}  // namespace stippon
