#pragma once

// Plain per-sample transcriptions of dot placement: every sample goes through the bounds-checked
// put_add, nothing is clipped in advance. The clipped fast paths must give the same rasters.
// Positions are truncated toward zero and wrapped into unsigned ones: unsigned(int(v)).
// The halftone density is _image::density, which the tests check on worked values.

#include <cstdint>

#include "image/image.h"
#include "image/sample_cast.h"
#include "image/texture.h"
#include "image/uniform_random.h"
#include "stipple/stipple_settings.h"
#include "tones/color_ramp.h"

namespace stippon::reference {

// Calls merge(i, j, sample) for each sample of the k * s square dot in cell (a, b) of the sheet;
// samples beyond the sheet are skipped.
template <class Merge>
void each_dot_sample(unsigned s, unsigned a, unsigned b, const _image* sheet, int k, Merge merge) {
  if (sheet == nullptr) return;
  const unsigned n = unsigned(k) * s;
  for (unsigned i = 0; i < n; ++i)
    for (unsigned j = 0; j < n; ++j)
      if (a * n + i < sheet->height && b * n + j < sheet->width)
        merge(i, j, sheet->get(a * n + i, b * n + j));
}

inline void put_dot(_texture& target, unsigned y, unsigned x, unsigned s, unsigned a, unsigned b,
                    const _image* sheet, _pixel colour, int k, _merging_function merging) {
  const _color_ramp ramp(colour);
  each_dot_sample(s, a, b, sheet, k, [&](unsigned i, unsigned j, float sample) {
    target.put_add(y + i, x + j, ramp.get_color(low_byte(sample)), merging);
  });
}

// Grey stippling with the settings' low density sizes, onto a raster `scale` times the halftone
// grid, from the raster's seeds.
inline void stippling2(_image& out, const _stipple_settings& settings, int scale,
                       const _image& halftone, _image** dots) {
  out.load_seeds();
  _uniform_random variant_row, variant_column, sizes, jitter;
  variant_row.set_range(0.0f, float(double(settings.dot_variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(settings.dot_variant_max_column) + 0.9));
  sizes.set_range(float(settings.low_density_min), float(settings.low_density_max) + 0.5f);
  jitter.set_range(-settings.displacement, settings.displacement);
  const float k = float(scale);
  for (unsigned r = 0; r < halftone.height; ++r) {
    for (unsigned c = 0; c < halftone.width; ++c) {
      if (halftone.get(r, c) != 0.0f) continue;
      float size = sizes.draw();
      if (settings.random_distribution != distribution_random) {
        const float u2 = sizes.draw(), u3 = sizes.draw(), u4 = sizes.draw();
        size = (((size + u2) + u3) + u4) * 0.25f;
      }
      const unsigned s = unsigned(int(size));
      const float y = float(r) * settings.scale_factor * k + k * (6.0f * jitter.draw());
      const float x = float(c) * settings.scale_factor * k + (6.0f * jitter.draw()) * k;
      const unsigned b = unsigned(int(variant_column.draw()));
      const unsigned a = unsigned(int(variant_row.draw()));
      each_dot_sample(s, a, b, dots[s], scale, [&](unsigned i, unsigned j, float sample) {
        out.put_add(unsigned(int(y)) + i, unsigned(int(x)) + j, sample, settings.black_white,
                    static_cast<unsigned short>(settings.black_level), settings.merging_function);
      });
    }
  }
}

// Colour stippling from the current seed of random(), the jitter only upwards and rightwards.
inline void color_stippling(_texture& out, const _stipple_settings& settings, int scale,
                            const _image& halftone, const _image& borders, const _texture& source,
                            _image** dots) {
  const float k = float(scale);
  _uniform_random low, high, variant_row, variant_column, jitter;
  low.set_range(float(settings.low_density_min), float(settings.low_density_max) + 0.5f);
  high.set_range(float(settings.high_density_min), float(settings.high_density_max) + 0.5f);
  variant_row.set_range(0.0f, float(double(settings.dot_variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(settings.dot_variant_max_column) + 0.9));
  jitter.set_range(0.0f, settings.displacement * k);
  _pixel last_border(0, 0, 0, 0), last_halftone(0, 0, 0, 0);
  for (unsigned r = halftone.height; r-- > 0;) {
    for (unsigned c = 0; c < halftone.width; ++c) {
      const bool dense = halftone.density(r, c) < float(settings.contrast_threshold);
      const bool border = r < borders.height && c < borders.width && borders.get(r, c) == 0.0f;
      if (!border && halftone.get(r, c) != 0.0f) continue;
      const unsigned s = unsigned(int(dense ? high.draw() : low.draw()));
      _pixel& colour = border ? last_border : last_halftone;
      if (r < source.height && c < source.width) colour = source.get(r, c);
      const float y = float(r) * settings.scale_factor * k + jitter.draw();
      const float x = float(c) * settings.scale_factor * k + jitter.draw();
      const unsigned b = unsigned(int(variant_column.draw()));
      const unsigned a = unsigned(int(variant_row.draw()));
      put_dot(out, unsigned(int(y)), unsigned(int(x)), s, a, b, dots[s], colour, scale,
              settings.merging_function);
    }
  }
}

}  // namespace stippon::reference
