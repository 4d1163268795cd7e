#pragma once

#include "image/image.h"
#include "image/texture.h"

namespace stippon {

// The parameters of one stippling run, as the controller (or the batch tool) holds them.
struct _stipple_settings {
  float scale_factor = 3.0f;
  float displacement = 0.25f;
  unsigned short dot_variant_rows = 1;
  unsigned short dot_variant_max_column = 10;
  unsigned short low_density_min = 4;
  unsigned short low_density_max = 8;
  unsigned short high_density_min = 4;
  unsigned short high_density_max = 8;
  int contrast_threshold = 127;
  int borders_slider_value = 50;
  bool black_white = false;
  int black_level = 127;
  _merging_function merging_function = merging_product;
  _random_distribution random_distribution = distribution_random;
};

// The stippling call: stippling2 on target with these settings and one row of dot sheets.
void stipple_grey(_image& target, const _stipple_settings& settings, _image& halftone,
                  _image& borders, _image** dots, int output_scale);
// The colour call: color_stippling on target (displacement_low 0), inked from colour_source.
void stipple_colour(_texture& target, const _stipple_settings& settings, _image& halftone,
                    _image& borders, _texture& colour_source, _image** dots, int output_scale);

}  // namespace stippon
