#include "tones/tone_matcher.h"

#include <cmath>

#include "stipple/dot_library.h"

namespace stippon {

namespace {

constexpr uint64_t FNV_OFFSET = 14695981039346656037ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;

uint64_t mix(uint64_t hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * FNV_PRIME;
  return hash;
}

// The sheets of the sizes stippling can draw, by content: a table reloaded elsewhere in memory
// keeps its calibration, a changed sheet loses it.
uint64_t fingerprint(const _stipple_settings& settings, _image** dots) {
  uint64_t hash = FNV_OFFSET;
  if (dots == nullptr) return hash;
  for (int size = settings.low_density_min; size <= settings.low_density_max && size < DOT_SLOTS;
       ++size) {
    const _image* sheet = dots[size];
    const uint32_t shape[3] = {uint32_t(size), sheet ? sheet->width : 0, sheet ? sheet->height : 0};
    hash = mix(hash, shape, sizeof shape);
    if (sheet != nullptr)
      hash = mix(hash, sheet->samples.data(), sheet->samples.size() * sizeof(float));
  }
  return hash;
}

// sRGB decoding: the linear light of an encoded value on 0..1.
double linear_light(double x) {
  return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
}

double target_coverage(_tone_matching matching, double x) {
  return 1.0 - (matching == tone_matching_linear ? linear_light(x) : x);
}

}  // namespace

_tone_matcher::_key _tone_matcher::key_of(const _stipple_settings& settings, _image** dots_300) {
  _key key{settings, fingerprint(settings, dots_300)};
  // A flat area is stippled at low density; black level and merging are each read only in one of
  // the two modes.
  _stipple_settings& read = key.settings;
  read.high_density_min = read.high_density_max = 0;
  read.contrast_threshold = 0;
  if (!read.black_white) read.black_level = 0;
  if (read.black_white) read.merging_function = merging_product;
  return key;
}

const _coverage_curve& _tone_matcher::curve(const _stipple_settings& settings, _image** dots_300) {
  const _key key = key_of(settings, dots_300);
  for (auto entry = cache_.begin(); entry != cache_.end(); ++entry) {
    if (!(entry->first == key)) continue;
    cache_.splice(cache_.begin(), cache_, entry);
    return cache_.front().second;
  }
  cache_.emplace_front(key, _coverage_curve::measure(settings, dots_300));
  ++measurements_;
  if (cache_.size() > CACHE_SIZE) cache_.pop_back();
  return cache_.front().second;
}

_tone_lookup _tone_matcher::lookup(const _stipple_settings& settings, _image** dots_300,
                                   const _tone_settings& tones) {
  if (tones.matching == tone_matching_none) return tones.levels.lookup();
  const _coverage_curve& measured = curve(settings, dots_300);
  if (!(measured.darkest() > 0.0)) return tones.levels.lookup();
  std::array<float, _tone_lookup::SIZE> table{};
  for (int level = 0; level < _tone_lookup::SIZE; ++level) {
    const double x = tones.levels.normalized(level);
    table[level] = float(measured.level_for(target_coverage(tones.matching, x)));
  }
  return _tone_lookup(table);
}

}  // namespace stippon
