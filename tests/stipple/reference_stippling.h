#pragma once

// Plain per-sample transcriptions of dot placement: every sample goes through the bounds-checked
// put_add, nothing is clipped in advance. The clipped fast paths must give the same rasters.

#include <cstdint>

#include "image/image.h"
#include "image/sample_cast.h"
#include "image/texture.h"
#include "image/uniform_random.h"
#include "tones/color_ramp.h"

namespace stippon::reference {

inline unsigned position(float value) {
  return static_cast<unsigned>(static_cast<int>(value));
}

inline void put_dot(_image& target, unsigned y, unsigned x, unsigned s, unsigned a, unsigned b,
                    const _image* sheet, bool black_white, unsigned short black_level, int k,
                    _merging_function merging) {
  if (sheet == nullptr) return;
  const unsigned n = unsigned(k) * s;
  for (unsigned i = 0; i < n; ++i) {
    for (unsigned j = 0; j < n; ++j) {
      const unsigned sheet_row = a * s * unsigned(k) + i;
      const unsigned sheet_column = b * s * unsigned(k) + j;
      if (sheet_row >= sheet->height || sheet_column >= sheet->width) continue;
      target.put_add(y + i, x + j, sheet->get(sheet_row, sheet_column), black_white, black_level,
                     merging);
    }
  }
}

inline void put_dot(_texture& target, unsigned y, unsigned x, unsigned s, unsigned a, unsigned b,
                    const _image* sheet, _pixel colour, int k, _merging_function merging) {
  if (sheet == nullptr) return;
  const _color_ramp ramp(colour);
  const unsigned n = unsigned(k) * s;
  for (unsigned i = 0; i < n; ++i) {
    for (unsigned j = 0; j < n; ++j) {
      const unsigned sheet_row = a * s * unsigned(k) + i;
      const unsigned sheet_column = b * s * unsigned(k) + j;
      if (sheet_row >= sheet->height || sheet_column >= sheet->width) continue;
      const unsigned char level = low_byte(sheet->get(sheet_row, sheet_column));
      target.put_add(y + i, x + j, ramp.get_color(level), merging);
    }
  }
}

struct _grey_run {
  float scale_factor = 3.0f;
  float displacement = 0.25f;
  unsigned short variant_rows = 1;
  unsigned short variant_max_column = 10;
  unsigned short size_min = 4;
  unsigned short size_max = 8;
  bool black_white = false;
  unsigned short black_level = 127;
  int output_scale = 1;
  _merging_function merging = merging_product;
  _random_distribution distribution = distribution_random;
};

inline void stippling2(_image& out, const _grey_run& run, const _image& halftone, _image** dots) {
  out.load_seeds();
  _uniform_random variant_row, variant_column, sizes, jitter;
  variant_row.set_range(0.0f, float(double(run.variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(run.variant_max_column) + 0.9));
  sizes.set_range(float(run.size_min), float(run.size_max) + 0.5f);
  jitter.set_range(-run.displacement, run.displacement);
  const float k = float(run.output_scale);
  for (unsigned r = 0; r < halftone.height; ++r) {
    for (unsigned c = 0; c < halftone.width; ++c) {
      if (halftone.get(r, c) != 0.0f) continue;
      unsigned s;
      if (run.distribution == distribution_random) {
        s = position(sizes.draw());
      } else {
        const float u1 = sizes.draw(), u2 = sizes.draw(), u3 = sizes.draw(), u4 = sizes.draw();
        s = position((((u1 + u2) + u3) + u4) * 0.25f);
      }
      const float u_row = jitter.draw();
      const float y = float(r) * run.scale_factor * k + k * (6.0f * u_row);
      const float u_column = jitter.draw();
      const float x = float(c) * run.scale_factor * k + (6.0f * u_column) * k;
      const unsigned b = position(variant_column.draw());
      const unsigned a = position(variant_row.draw());
      put_dot(out, position(y), position(x), s, a, b, dots[s], run.black_white, run.black_level,
              run.output_scale, run.merging);
    }
  }
}

struct _colour_run {
  float scale_factor = 3.0f;
  float displacement_low = 0.0f;
  float displacement = 0.25f;
  unsigned short variant_rows = 1;
  unsigned short variant_max_column = 10;
  unsigned short low_min = 4, low_max = 8, high_min = 4, high_max = 8;
  unsigned short contrast_threshold = 127;
  int output_scale = 1;
  _merging_function merging = merging_product;
};

inline float density(const _image& halftone, unsigned r, unsigned c) {
  float sum = 0.0f;
  int count = 0;
  for (int i = int(r) - 1; i <= int(r) + 1; ++i)
    for (int j = int(c) - 1; j <= int(c) + 1; ++j)
      if (i >= 0 && j >= 0 && unsigned(i) < halftone.height && unsigned(j) < halftone.width) {
        sum += halftone.get(unsigned(i), unsigned(j));
        ++count;
      }
  return sum / float(count);
}

inline void color_stippling(_texture& out, const _colour_run& run, const _image& halftone,
                            const _image& borders, const _texture& source, _image** dots) {
  const float k = float(run.output_scale);
  _uniform_random low, high, variant_row, variant_column, jitter;
  low.set_range(float(run.low_min), float(run.low_max) + 0.5f);
  high.set_range(float(run.high_min), float(run.high_max) + 0.5f);
  variant_row.set_range(0.0f, float(double(run.variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(run.variant_max_column) + 0.9));
  jitter.set_range(run.displacement_low * k, run.displacement * k);
  _pixel last_border(0, 0, 0, 0), last_halftone(0, 0, 0, 0);
  for (unsigned r = halftone.height; r-- > 0;) {
    for (unsigned c = 0; c < halftone.width; ++c) {
      const float d = density(halftone, r, c);
      const bool inside = r < source.height && c < source.width;
      bool border = r < borders.height && c < borders.width && borders.get(r, c) == 0.0f;
      unsigned s;
      _pixel colour;
      if (border) {
        s = position(d >= float(run.contrast_threshold) ? low.draw() : high.draw());
        if (inside) last_border = source.get(r, c);
        colour = last_border;
      } else if (halftone.get(r, c) == 0.0f) {
        s = position(d < float(run.contrast_threshold) ? high.draw() : low.draw());
        if (inside) last_halftone = source.get(r, c);
        colour = last_halftone;
      } else {
        continue;
      }
      const float u1 = jitter.draw();
      const float u2 = jitter.draw();
      const unsigned b = position(variant_column.draw());
      const unsigned a = position(variant_row.draw());
      const float y = float(r) * run.scale_factor * k + u1;
      const float x = float(c) * run.scale_factor * k + u2;
      put_dot(out, position(y), position(x), s, a, b, dots[s], colour, run.output_scale,
              run.merging);
    }
  }
}

}  // namespace stippon::reference
