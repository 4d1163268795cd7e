#pragma once

// The real 300 ppi dot sheets, owned by the test, and the flat patches and photographs that the
// tone tests stipple through the whole pipeline.

#include <gtest/gtest.h>

#include <string>

#include "image/file_pgm.h"
#include "stipple/output.h"
#include "stipple/stipple_fixtures.h"
#include "tones/tone_matcher.h"

namespace stippon::fixtures {

inline _sheet_table real_sheets_300() {
  _sheet_table table;
  _file_pgm reader;
  for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
    _image sheet;
    const std::string name =
        std::string(STIPPON_DATA_DIR) + "/dots/dots_" + std::to_string(s) + "_300.pgm";
    EXPECT_EQ(reader.read(name, sheet, 65536), 1) << name;
    table.put(resolution_300, s, std::move(sheet));
  }
  return table;
}

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
  input.halftoning_ostromoukhov();
  _image out;
  out.dimensions(rows, columns);
  out.create(true);
  for (_uniform_random& generator : out.random_generators) generator.seed = 20240607;
  _image borders;
  stipple_grey(out, settings, input, borders, dots, 1);
  return out;
}

}  // namespace stippon::fixtures
