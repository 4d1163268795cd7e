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

std::string _levels::problem(float black, float white, float gamma) {
  const auto in_range = [](float v) { return v >= 0.0f && v <= LEVEL_MAX; };
  if (!in_range(black)) return "The black point must lie between 0 and 255";
  if (!in_range(white)) return "The white point must lie between 0 and 255";
  if (!(white > black)) return "The white point must be above the black point";
  if (!(gamma >= GAMMA_MIN && gamma <= GAMMA_MAX)) return "The gamma must lie between 0.1 and 10";
  return {};
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
