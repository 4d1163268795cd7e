#pragma once

// Packings and prints that the tone tests stipple through the whole pipeline.

#include <gtest/gtest.h>

#include <string>

#include "stipple/banded_print.h"
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

// A halftone stippled at 300 ppi into a white print of the given size, seeded unlike the
// calibration: on the grid by the stippling call, relaxed over the tones it was made from through
// a plan of the relaxed places.
inline _image stippled(const _stipple_settings& settings, const _image& tones, _image halftone,
                       _image** dots, unsigned rows, unsigned columns) {
  _image out;
  out.dimensions(rows, columns);
  out.create(true);
  for (_uniform_random& generator : out.random_generators) generator.seed = 20240607;
  if (settings.placement != placement_relaxed) {
    _image borders;
    stipple_grey(out, settings, halftone, borders, dots, 1);
    return out;
  }
  _random_stream stream = seeded_stream(out);
  const _relaxed_dots places = _relaxed_dots::of(settings, halftone, tones, stream);
  const _dot_plan plan = _dot_plan::grey(settings, halftone, 1, stream, &places);
  _banded_print(plan, dots, rows, columns, settings)
      .print_grey([&](const float* band, unsigned top, unsigned count) {
        for (unsigned i = 0; i < count; ++i)
          std::copy_n(band + size_t(i) * columns, columns,
                      out.samples.begin() + size_t(rows - 1 - top - i) * columns);
        return true;
      });
  return out;
}

// The input through the lookup, halftoned and stippled at 300 ppi into a white print of the given
// size.
inline _image print(_image input, const _tone_lookup& lookup, const _stipple_settings& settings,
                    _image** dots, unsigned rows, unsigned columns) {
  lookup.apply(input);
  _image halftone = input;
  halftone.halftoning_ostromoukhov();
  return stippled(settings, input, halftone, dots, rows, columns);
}

}  // namespace stippon::fixtures
