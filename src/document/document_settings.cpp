#include "document/document_settings.h"

#include <algorithm>
#include <cmath>

#include "stipple/dot_library.h"
#include "tones/tone_table.h"

namespace stippon {

namespace {

constexpr float LEVEL_MAX = 255.0f;

// The stippler indexes the dot sheet row with a size: only loaded sizes may reach it. A minimum
// above its maximum takes the maximum.
void order_pair(unsigned short& min, unsigned short& max) {
  const auto loaded = [](unsigned short size) {
    return static_cast<unsigned short>(std::clamp<int>(size, DOT_SIZE_MIN, DOT_SIZE_MAX));
  };
  max = loaded(max);
  min = std::min(loaded(min), max);
}

bool positive(float value) {
  return std::isfinite(value) && value > 0.0f;
}

}  // namespace

_document_settings _document_settings::normalised() const {
  _document_settings s = *this;
  _stipple_settings& p = s.stipple;
  order_pair(p.low_density_min, p.low_density_max);
  order_pair(p.high_density_min, p.high_density_max);
  if (!positive(p.scale_factor)) p.scale_factor = _stipple_settings().scale_factor;
  if (!positive(s.width)) s.width = 0.0f;
  p.black_white = s.device == device_black_white;
  if (s.device == device_grayscale || s.tone < 0 || s.tone >= TONE_COUNT) s.tone = 0;
  const _levels& levels = s.tone_match.levels;
  if (!(levels.white() > levels.black())) {
    const float black = std::min(levels.black(), LEVEL_MAX - 1.0f);
    s.tone_match.levels = _levels(black, black + 1.0f, levels.gamma());
  }
  return s;
}

}  // namespace stippon
