#pragma once

#include <cstdint>
#include <list>
#include <utility>

#include "image/image.h"
#include "stipple/stipple_settings.h"
#include "tones/coverage_curve.h"
#include "tones/levels.h"
#include "tones/tone_lookup.h"

namespace stippon {

// What a flat area of grey level L should print as. none: the halftone gets L as it is (the
// dots then darken it); grey: ink coverage 1 - L / 255; linear: 1 - lin(L / 255), with lin the
// sRGB decoding curve, so that the print's ink leaves the light of the picture's linear values.
enum _tone_matching { tone_matching_none = 0, tone_matching_grey = 1, tone_matching_linear = 2 };

struct _tone_settings {
  _levels levels;
  _tone_matching matching = tone_matching_none;
  bool operator==(const _tone_settings&) const = default;
};

// Turns levels, gamma and tone matching into the lookup that the resampled input goes through
// before halftoning. Matching measures what the dots of the current settings print (see
// _coverage_curve) and keeps the last few measurements, so that changing the levels, the gamma
// or the mode, or coming back to earlier dot settings, does not measure again. One per document;
// not for use from two threads at once.
class _tone_matcher {
 public:
  static constexpr size_t CACHE_SIZE = 8;

  // The lookup for these stippling settings and 300 ppi dot sheets (indexed by dot size). With
  // the identity levels and no matching it is the identity (is_identity()), and the caller skips
  // it. A level that the dots cannot reach gets the nearest coverage they can; when the dots
  // cannot print at all, matching falls back to the levels alone.
  _tone_lookup lookup(const _stipple_settings& settings, _image** dots_300,
                      const _tone_settings& tones);
  // The measured coverage for these settings, from the cache when it holds them; valid until the
  // next call.
  const _coverage_curve& curve(const _stipple_settings& settings, _image** dots_300);

  size_t measurements() const { return measurements_; }

 private:
  // What a flat area's ink depends on: the settings that stippling reads and the sheets' samples.
  struct _key {
    _stipple_settings settings;  // those that stippling a flat area reads; the others cleared
    uint64_t sheets = 0;
    bool operator==(const _key&) const = default;
  };
  static _key key_of(const _stipple_settings& settings, _image** dots_300);

  std::list<std::pair<_key, _coverage_curve>> cache_;  // most recently used first
  size_t measurements_ = 0;
};

}  // namespace stippon
