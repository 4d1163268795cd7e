#pragma once

#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/pixel.h"

namespace stippon {

// Colour raster of RGBA texels, row-major, row 0 at the bottom of the picture.
class _texture {
 public:
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<_pixel> texels;

  _texture() = default;
  _texture(const _texture&) = default;
  _texture(_texture&&) noexcept = default;
  _texture& operator=(const _texture&) = default;
  _texture& operator=(_texture&&) noexcept = default;
  ~_texture() = default;

  // --- image/texture.cpp ---
  void dimensions(unsigned rows, unsigned columns);
  void create();
  void put(unsigned row, unsigned column, _pixel pixel);
  _pixel get(unsigned row, unsigned column) const;
  _pixel* pixels(unsigned row, unsigned column);
  void fill(_pixel pixel);
  void put_add(unsigned row, unsigned column, _pixel colour, _merging_function merging);
  _texture& operator=(const _image& image);
  void tone(const _texture& ramp);

  // --- colour stippling (stipple/color_stippling.cpp) ---
  void color_stippling(float scale_factor, float displacement_low, float displacement,
                       _image& halftone, _image& borders, _texture& colour_source, _image** dots,
                       unsigned short variant_rows, unsigned short variant_max_column,
                       unsigned short low_density_min, unsigned short low_density_max,
                       unsigned short high_density_min, unsigned short high_density_max,
                       unsigned short contrast_threshold, unsigned short unused, bool black_white,
                       unsigned short black_level, int output_scale, _merging_function merging,
                       _random_distribution distribution);
};

}  // namespace stippon
