#include "stipple/dot_inks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace stippon {

namespace {

// Below this coverage a place has almost no dots: their ink hardly shows, and dividing by the
// coverage would only magnify rounding.
constexpr float LEAST_COVERAGE = 1.0f / 64.0f;

float to_linear(float v) {
  v /= 255.0f;
  return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

unsigned char to_srgb(float v) {
  v = std::clamp(v, 0.0f, 1.0f);
  const float s = v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
  return static_cast<unsigned char>(std::lround(s * 255.0f));
}

}  // namespace

void dot_inks(const _image& grey, _texture& colours) {
  std::array<float, 256> linear{};
  for (int v = 0; v < 256; ++v) linear[size_t(v)] = to_linear(float(v));
  const size_t n = std::min(grey.samples.size(), colours.texels.size());
  for (size_t i = 0; i < n; ++i) {
    const float coverage = 1.0f - linear[size_t(std::clamp(grey.samples[i], 0.0f, 255.0f))];
    if (coverage < LEAST_COVERAGE) continue;
    _pixel& p = colours.texels[i];
    const float paper = 1.0f - coverage;
    float t[3] = {linear[p.r], linear[p.g], linear[p.b]};
    const float low = std::min({t[0], t[1], t[2]});
    if (low < paper)
      for (float& v : t) v += paper - low;
    unsigned char* c[3] = {&p.r, &p.g, &p.b};
    for (int k = 0; k < 3; ++k) *c[k] = to_srgb((t[k] - paper) / coverage);
  }
}

}  // namespace stippon
