#include "tones/tone_lookup.h"

#include <cmath>

namespace stippon {

namespace {

// The table row of a sample: nearest level, clamped; NaN reads as black.
inline int row_of(float sample) {
  if (!(sample > 0.0f)) return 0;
  if (sample >= 255.0f) return 255;
  return static_cast<int>(std::lround(sample));
}

}  // namespace

_tone_lookup::_tone_lookup() : identity_(true) {
  for (int i = 0; i < SIZE; ++i) levels_[i] = static_cast<float>(i);
}

_tone_lookup::_tone_lookup(const std::array<float, SIZE>& levels)
    : levels_(levels), identity_(false) {}

void _tone_lookup::apply(_image& image) const {
  if (identity_) return;
  for (float& sample : image.samples) sample = levels_[row_of(sample)];
}

}  // namespace stippon
