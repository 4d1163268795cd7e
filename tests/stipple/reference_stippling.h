#pragma once

// Plain per-sample transcriptions of stippling: the walk draws from random() in the order of the
// rules, and every dot sample goes through a bounds-checked merge, nothing clipped in advance. The
// planned and banded prints must give the same rasters. Positions are truncated toward zero and
// wrapped into unsigned ones: unsigned(int(v)).

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "image/image.h"
#include "image/sample_cast.h"
#include "image/texture.h"
#include "stipple/color_ramp.h"
#include "stipple/dot_walk.h"
#include "stipple/stipple_settings.h"
#include "stipple/uniform_random.h"

namespace stippon::reference {

// One draw of random() through a uniform variable.
inline float draw(const _uniform_random& variable) {
  return variable.at(::random());
}

// A dot sample merged into a grey raster: black and white thresholds the product, product
// darkens by it, minimum keeps the darker. Outside the raster nothing changes.
inline void put_add(_image& out, unsigned row, unsigned column, float value, bool black_white,
                    unsigned short black_level, _merging_function merging) {
  if (row >= out.height || column >= out.width) return;
  float& ground = out.samples[size_t(row) * out.width + column];
  if (black_white) {
    const float product = (value * ground) / 255.0f;
    ground = static_cast<unsigned short>(truncate_sample(product)) < black_level ? 0.0f : 255.0f;
  } else if (merging == merging_minimum) {
    ground = ground > value ? value : ground;
  } else {
    ground = (value * ground) / 255.0f;
  }
}

// An ink merged into a texel per channel, the product formed in single precision and divided in
// double, then truncated; alpha is left alone.
inline void put_add(_texture& out, unsigned row, unsigned column, _pixel ink,
                    _merging_function merging) {
  if (row >= out.height || column >= out.width) return;
  _pixel& texel = out.texels[size_t(row) * out.width + column];
  const auto multiply = [](unsigned char ground, unsigned char colour) {
    const float product = static_cast<float>(ground) * static_cast<float>(colour);
    return static_cast<unsigned char>(static_cast<double>(product) / 255.0);
  };
  for (auto channel : {&_pixel::r, &_pixel::g, &_pixel::b})
    texel.*channel = merging == merging_minimum ? std::min(texel.*channel, ink.*channel)
                                                : multiply(texel.*channel, ink.*channel);
}

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
    put_add(target, y + i, x + j, ramp.get_color(low_byte(sample)), merging);
  });
}

// Grey stippling with the settings' low density sizes, onto a raster `scale` times the halftone
// grid, from srandom(seed).
inline void stippling2(_image& out, const _stipple_settings& settings, int scale,
                       const _image& halftone, _image** dots, uint32_t seed) {
  srandom(seed);
  _uniform_random variant_row, variant_column, sizes, jitter;
  variant_row.set_range(0.0f, float(double(settings.dot_variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(settings.dot_variant_max_column) + 0.9));
  sizes.set_range(float(settings.low_density_min), float(settings.low_density_max) + 0.5f);
  jitter.set_range(-settings.displacement, settings.displacement);
  const float k = float(scale);
  for (unsigned r = 0; r < halftone.height; ++r) {
    for (unsigned c = 0; c < halftone.width; ++c) {
      if (halftone.get(r, c) != 0.0f) continue;
      float size = draw(sizes);
      if (settings.random_distribution != distribution_random) {
        const float u2 = draw(sizes), u3 = draw(sizes), u4 = draw(sizes);
        size = (((size + u2) + u3) + u4) * 0.25f;
      }
      const unsigned s = unsigned(int(size));
      const float y = float(r) * settings.scale_factor * k + k * (6.0f * draw(jitter));
      const float x = float(c) * settings.scale_factor * k + (6.0f * draw(jitter)) * k;
      const unsigned b = unsigned(int(draw(variant_column)));
      const unsigned a = unsigned(int(draw(variant_row)));
      each_dot_sample(s, a, b, dots[s], scale, [&](unsigned i, unsigned j, float sample) {
        put_add(out, unsigned(int(y)) + i, unsigned(int(x)) + j, sample, settings.black_white,
                static_cast<unsigned short>(settings.black_level), settings.merging_function);
      });
    }
  }
}

// Colour stippling from the current state of random(), the jitter only upwards and rightwards.
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
      const bool dense = halftone_density(halftone, r, c) < float(settings.contrast_threshold);
      const bool border = r < borders.height && c < borders.width && borders.get(r, c) == 0.0f;
      if (!border && halftone.get(r, c) != 0.0f) continue;
      const unsigned s = unsigned(int(dense ? draw(high) : draw(low)));
      _pixel& colour = border ? last_border : last_halftone;
      if (r < source.height && c < source.width) colour = source.get(r, c);
      const float y = float(r) * settings.scale_factor * k + draw(jitter);
      const float x = float(c) * settings.scale_factor * k + draw(jitter);
      const unsigned b = unsigned(int(draw(variant_column)));
      const unsigned a = unsigned(int(draw(variant_row)));
      put_dot(out, unsigned(int(y)), unsigned(int(x)), s, a, b, dots[s], colour, scale,
              settings.merging_function);
    }
  }
}

}  // namespace stippon::reference
