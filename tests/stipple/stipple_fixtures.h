#pragma once

// Synthetic dot sheets, halftoned photographs and raster comparison for the stippling tests.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "image/file_pgm.h"
#include "image/image.h"
#include "image/q_image.h"
#include "image/texture.h"
#include "stipple/dot_library.h"
#include "stipple/output.h"

namespace stippon::fixtures {

// A full table of dot sheets, owned here, in the layout the stippling calls expect.
struct _sheet_table {
  std::unique_ptr<_image> owned[DOT_RESOLUTIONS][DOT_SLOTS];
  _image* entries[DOT_RESOLUTIONS][DOT_SLOTS] = {};

  _image** row(int position) { return entries[position]; }
  void put(int position, unsigned size, _image sheet) {
    owned[position][size] = std::make_unique<_image>(std::move(sheet));
    entries[position][size] = owned[position][size].get();
  }
};

inline uint32_t hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// A sheet of integer grey levels spread over 0..255, a third of them white paper, so that every
// merge rule and black level meets dark, light and white samples.
inline _image noise_sheet(unsigned side, unsigned columns, unsigned rows, uint32_t seed) {
  _image sheet;
  sheet.dimensions(rows * side, columns * side);
  sheet.create(true);
  for (size_t i = 0; i < sheet.samples.size(); ++i) {
    const uint32_t h = hash(seed * 7919u + uint32_t(i));
    if (h % 3 != 0) sheet.samples[i] = float(h % 256);
  }
  return sheet;
}

// Noise sheets for every resolution and size; `columns` cells per row (11 is the library's grid).
inline _sheet_table noise_sheets(unsigned columns = 11, unsigned rows = 1) {
  _sheet_table table;
  for (int position = 0; position < DOT_RESOLUTIONS; ++position)
    for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s)
      table.put(position, s,
                noise_sheet(s * output_scale(position), columns, rows, s * 10 + position));
  return table;
}

// The library's own sheets from the data folder; false when they are not all there.
inline bool library_sheets(_sheet_table& table) {
  _image* loaded[DOT_RESOLUTIONS][DOT_SLOTS];
  const int result = load_dot_sheets(loaded, 65536, STIPPON_DATA_DIR);
  for (int position = 0; position < DOT_RESOLUTIONS; ++position)
    for (unsigned s = 0; s < unsigned(DOT_SLOTS); ++s)
      if (loaded[position][s] != nullptr) {
        table.owned[position][s].reset(loaded[position][s]);
        table.entries[position][s] = loaded[position][s];
      }
  return result == 1;
}

// The code a marker sheet writes at the corner of the cell of size s, variant column b.
inline float marker_code(unsigned s, unsigned b) {
  return float(10 + (s - 4) * 20 + b);
}

// White sheets whose cells carry one dark sample at their first corner, telling the dot's size and
// variant: a stippled raster then shows where each dot's corner landed and which dot it was.
inline _sheet_table marker_sheets(unsigned columns = 11) {
  _sheet_table table;
  for (int position = 0; position < DOT_RESOLUTIONS; ++position) {
    for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
      const unsigned side = s * output_scale(position);
      _image sheet;
      sheet.dimensions(side, columns * side);
      sheet.create(true);
      for (unsigned b = 0; b < columns; ++b) sheet.put(0u, b * side, marker_code(s, b));
      table.put(position, s, std::move(sheet));
    }
  }
  return table;
}

inline _image filled(unsigned rows, unsigned columns, float value) {
  _image image;
  image.dimensions(rows, columns);
  image.create(false);
  std::fill(image.samples.begin(), image.samples.end(), value);
  return image;
}

inline _image read_photo(const std::string& name) {
  _image photo;
  _file_pgm reader;
  reader.read(std::string(STIPPON_DATA_DIR) + "/images/" + name, photo, 65536);
  return photo;
}

// The controller's preparation of a photograph: resampled so that each pixel becomes one halftone
// cell of an output `target_width` pixels wide, then halftoned.
struct _prepared {
  _image original;
  _image halftone;
  unsigned output_width = 0;
  unsigned output_height = 0;
};

inline _prepared prepare(const std::string& name, float target_width, float scale_factor = 3.0f) {
  _prepared prepared;
  const _image input = read_photo(name);
  if (input.width == 0) return prepared;
  const float W = float(input.width);
  const float H = float(input.height);
  resample(input, (target_width / scale_factor) / W, prepared.original);
  prepared.halftone = prepared.original;
  prepared.halftone.halftoning_ostromoukhov();
  prepared.output_width = unsigned(target_width);
  prepared.output_height = unsigned(target_width / (W / H));
  return prepared;
}

inline _image white(unsigned rows, unsigned columns) {
  return filled(rows, columns, 255.0f);
}

inline _texture opaque(unsigned rows, unsigned columns, _pixel pixel) {
  _texture texture;
  texture.dimensions(rows, columns);
  texture.create();
  texture.fill(pixel);
  return texture;
}

// Largest difference between two rasters, infinite when their geometry differs.
inline float max_difference(const _image& a, const _image& b) {
  if (a.width != b.width || a.height != b.height || a.samples.size() != b.samples.size())
    return INFINITY;
  float worst = 0.0f;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    const float d = std::fabs(a.samples[i] - b.samples[i]);
    if (!(d <= worst)) worst = d;
  }
  return worst;
}

inline int max_difference(const _texture& a, const _texture& b) {
  if (a.width != b.width || a.height != b.height || a.texels.size() != b.texels.size())
    return 1 << 30;
  int worst = 0;
  for (size_t i = 0; i < a.texels.size(); ++i) {
    const _pixel p = a.texels[i];
    const _pixel q = b.texels[i];
    worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b),
                      std::abs(p.a - q.a)});
  }
  return worst;
}

}  // namespace stippon::fixtures
