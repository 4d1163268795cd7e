#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "image/image.h"
#include "image/texture.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// The processing half of the desktop controller, without its window: the same images, made by
// the same calls in the same order, so that the same seeds give the same dots.
class _batch_pipeline {
 public:
  _stipple_settings settings;
  float borders_threshold = 5.0f;

  _image input_image;
  _image original_image;
  _image borders_image;
  _image halftoning_image;
  _image stippling_image;               // the 300 ppi preview; its generators carry the seeds
  std::unique_ptr<_image> hires_image;  // the stippled image at 600 or 1200 ppi, when asked
  _texture color_original;
  _texture color_stippling;
  // The resampling factor of the input; above 1 the input had to be enlarged.
  float enlargement = 1.0f;

  // Resamples the input for the target width w (pixels at 300 ppi), computes the borders, the
  // halftone and the colour field, and sizes the white preview. False when the resampled input
  // has no rows or no columns.
  bool update_images(float w, _pixel colour);
  // Every generator of the preview gets the seed, or without one the clock's seconds.
  void set_seeds(std::optional<uint32_t> seed);
  // The seed handed last to srandom(), which alone fixes the dot pattern.
  int64_t pattern_seed() const { return stippling_image.random_generators[5].seed; }

  void stipple_preview(_image** dots_300);
  // Colour stippling right after stipple_preview: it continues the random sequence.
  void stipple_colour(_image** dots_300);
  // The preview's dots at two (600 ppi) or four (1200 ppi) times the size, into hires_image.
  void stipple_hires(_resolution_position position, _image** dots);
};

}  // namespace stippon
