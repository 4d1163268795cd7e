#pragma once

// Packings and prints that the tone tests stipple through the whole pipeline.

#include <gtest/gtest.h>

#include <string>

#include "stipple/halftoning.h"
#include "stipple/output.h"
#include "stipple/stipple_fixtures.h"
#include "tones/tone_matcher.h"

namespace stippon::fixtures {

inline _stipple_settings at_packing(float packing) {
  _stipple_settings settings;
  settings.scale_factor = 6.0f / packing;
  return settings;
}

// The input through the lookup, halftoned and stippled at 300 ppi into a white print of the given
// size, seeded unlike the calibration.
inline _image print(_image input, const _tone_lookup& lookup, const _stipple_settings& settings,
                    _image** dots, unsigned rows, unsigned columns) {
  lookup.apply(input);
  halftoning_ostromoukhov(input);
  _image out;
  out.dimensions(rows, columns);
  stipple_grey(out, settings, input, dots, 1, 20240607);
  return out;
}

}  // namespace stippon::fixtures
