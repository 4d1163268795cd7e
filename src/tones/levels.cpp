#include "tones/levels.h"

#include <algorithm>
#include <cmath>

namespace stippon {

namespace {

constexpr float LEVEL_MAX = 255.0f;

float clamp_or(float value, float low, float high, float fallback) {
  return std::isfinite(value) ? std::clamp(value, low, high) : fallback;
}

}  // namespace

_levels::_levels(float black, float white, float gamma)
    : black_(clamp_or(black, 0.0f, LEVEL_MAX, 0.0f)),
      white_(clamp_or(white, 0.0f, LEVEL_MAX, LEVEL_MAX)),
      gamma_(std::isnan(gamma) ? 1.0f : std::clamp(gamma, GAMMA_MIN, GAMMA_MAX)) {}

bool _levels::is_identity() const {
  return black_ == 0.0f && white_ == LEVEL_MAX && gamma_ == 1.0f;
}

double _levels::normalized(double level) const {
  const double b = black_;
  const double w = white_;
  double x = 0.0;
  if (w <= b)
    x = level > b ? 1.0 : 0.0;
  else
    x = std::clamp((level - b) / (w - b), 0.0, 1.0);
  return gamma_ == 1.0f ? x : std::pow(x, 1.0 / double(gamma_));
}

_tone_lookup _levels::lookup() const {
  if (is_identity()) return _tone_lookup();
  std::array<float, _tone_lookup::SIZE> table{};
  for (int i = 0; i < _tone_lookup::SIZE; ++i)
    table[i] = static_cast<float>(std::round(LEVEL_MAX * normalized(i)));
  return _tone_lookup(table);
}

}  // namespace stippon
