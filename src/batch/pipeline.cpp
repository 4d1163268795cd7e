#include "batch/pipeline.h"

#include "batch/geometry.h"

namespace stippon {

bool _batch_pipeline::update_images(float w, _pixel colour) {
  const float W = static_cast<float>(input_image.width);
  const float r = (w / settings.scale_factor) / W;
  enlargement = r;
  derive_halftone_grid(input_image, r, borders_threshold, original_image, borders_image,
                       halftoning_image);
  if (original_image.width == 0 || original_image.height == 0) return false;

  color_original.dimensions(original_image.height, original_image.width);
  color_original.create();
  color_original.fill(colour);

  const _preview_size size = preview_size(w, input_image.width, input_image.height);
  stippling_image.dimensions(size.height, size.width);
  stippling_image.create(true);
  return true;
}

void _batch_pipeline::set_seeds(std::optional<uint32_t> seed) {
  if (!seed) {
    stippling_image.save_seeds();
    return;
  }
  for (_uniform_random& generator : stippling_image.random_generators) generator.seed = *seed;
}

void _batch_pipeline::stipple_preview(_image** dots_300) {
  stippling_image.create(true);
  stipple_grey(stippling_image, settings, halftoning_image, borders_image, dots_300, 1);
}

void _batch_pipeline::stipple_colour(_image** dots_300) {
  color_stippling.dimensions(stippling_image.height, stippling_image.width);
  color_stippling.create();
  color_stippling.fill(_pixel(255, 255, 255, 255));
  ::stippon::stipple_colour(color_stippling, settings, halftoning_image, borders_image,
                            color_original, dots_300, 1);
}

void _batch_pipeline::stipple_hires(_resolution_position position, _image** dots) {
  const int k = output_scale(position);
  hires_image.reset();  // the old one first: at 1200 ppi it can take gigabytes
  hires_image =
      ::stippon::stipple_hires(stippling_image, settings, halftoning_image, borders_image, dots, k);
}

}  // namespace stippon
