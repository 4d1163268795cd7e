#pragma once

#include <functional>
#include <memory>

#include "image/image.h"
#include "image/texture.h"
#include "parallel/thread_pool.h"
#include "tones/tone_lookup.h"

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
  bool black_white = false;
  int black_level = 127;
  _merging_function merging_function = merging_product;
  _random_distribution random_distribution = distribution_random;

  bool operator==(const _stipple_settings&) const = default;
};

// The stippling call: stippling2 on target with these settings and one row of dot sheets.
void stipple_grey(_image& target, const _stipple_settings& settings, _image& halftone,
                  _image& borders, _image** dots, int output_scale);
// The colour call: color_stippling on target (displacement_low 0), inked from colour_source.
void stipple_colour(_texture& target, const _stipple_settings& settings, _image& halftone,
                    _image& borders, _texture& colour_source, _image** dots, int output_scale);

// The steps of a halftone grid, each told once done, for a run's progress.
enum _grid_step { grid_resampled, grid_bordered, grid_halftoned };
using _grid_steps = std::function<void(_grid_step)>;

// The halftone grid of a target width: the input copied (r == 1) or resampled by r and put
// through the tone lookup, its borders and its halftone. The identity lookup leaves the samples
// as they were. With a pool, the borders are found on it while the halftone is made.
void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone,
                          const _tone_lookup& tones = _tone_lookup(), const _grid_steps& done = {},
                          _thread_pool* pool = nullptr);

// The preview's dots at output scale k (2 for 600 ppi, 4 for 1200 ppi): a new white raster k
// times the preview's size with the preview's seeds, stippled with the matching dot sheets.
std::unique_ptr<_image> stipple_hires(_image& preview, const _stipple_settings& settings,
                                      _image& halftone, _image& borders, _image** dots, int k);

}  // namespace stippon
