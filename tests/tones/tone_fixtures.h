#pragma once

// Packings and prints that the tone tests stipple through the whole pipeline.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "stipple/halftoning.h"
#include "stipple/output.h"
#include "stipple/relaxation.h"
#include "stipple/stipple_fixtures.h"
#include "tones/tone_matcher.h"

namespace stippon::fixtures {

inline _stipple_settings at_packing(float packing) {
  _stipple_settings settings;
  settings.scale_factor = 6.0f / packing;
  return settings;
}

// The input through the lookup, halftoned and stippled at 300 ppi into a white print of the given
// size, seeded unlike the calibration; relaxed placement spreads the dots over the looked-up tones.
inline _image print(_image input, const _tone_lookup& lookup, const _stipple_settings& settings,
                    _image** dots, unsigned rows, unsigned columns) {
  constexpr uint32_t SEED = 20240607;
  lookup.apply(input);
  _image halftone = input;
  halftoning_ostromoukhov(halftone);
  std::optional<_relaxed_dots> places;
  if (settings.placement == placement_relaxed)
    places = _relaxed_dots::of(settings, halftone, input, _random_stream(SEED));
  _image out;
  out.dimensions(rows, columns);
  stipple_grey(out, settings, halftone, dots, 1, SEED, places ? &*places : nullptr);
  return out;
}

}  // namespace stippon::fixtures
