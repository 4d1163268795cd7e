#include "stipple/stipple_settings.h"

#include "image/q_image.h"

namespace stippon {

void stipple_grey(_image& target, const _stipple_settings& settings, _image& halftone,
                  _image& borders, _image** dots, int output_scale) {
  target.stippling2(settings.scale_factor, 0.0f, settings.displacement, halftone, borders, dots,
                    settings.dot_variant_rows, settings.dot_variant_max_column,
                    settings.low_density_min, settings.low_density_max, settings.high_density_min,
                    settings.high_density_max,
                    static_cast<unsigned short>(settings.contrast_threshold), 0,
                    settings.black_white, static_cast<unsigned short>(settings.black_level),
                    output_scale, settings.merging_function, settings.random_distribution);
}

void stipple_colour(_texture& target, const _stipple_settings& settings, _image& halftone,
                    _image& borders, _texture& colour_source, _image** dots, int output_scale) {
  target.color_stippling(
      settings.scale_factor, 0.0f, settings.displacement, halftone, borders, colour_source, dots,
      settings.dot_variant_rows, settings.dot_variant_max_column, settings.low_density_min,
      settings.low_density_max, settings.high_density_min, settings.high_density_max,
      static_cast<unsigned short>(settings.contrast_threshold), 0, settings.black_white,
      static_cast<unsigned short>(settings.black_level), output_scale, settings.merging_function,
      settings.random_distribution);
}

// The borders and the halftone both only read the original.
void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone, const _tone_lookup& tones,
                          const _grid_steps& done, _thread_pool* pool) {
  const auto tell = [&done](_grid_step step) {
    if (done) done(step);
  };
  if (r == 1.0f)
    original = input;
  else
    resample(input, r, original);
  tones.apply(original);
  tell(grid_resampled);
  const auto find_borders = [&borders, &original, borders_threshold] {
    borders.getBorders(original, borders_threshold);
  };
  std::future<void> found;
  // However the halftone ends, the borders are finished before the rasters can go.
  struct _waiting {
    std::future<void>& found;
    ~_waiting() {
      if (found.valid()) found.wait();
    }
  } waiting{found};
  if (pool != nullptr)
    found = pool->submit(find_borders);
  else
    find_borders();
  halftone = original;
  halftone.halftoning_ostromoukhov();
  if (found.valid()) found.get();
  // Told here, on the caller's thread, in their order.
  tell(grid_bordered);
  tell(grid_halftoned);
}

std::unique_ptr<_image> stipple_hires(_image& preview, const _stipple_settings& settings,
                                      _image& halftone, _image& borders, _image** dots, int k) {
  auto image = std::make_unique<_image>();
  image->dimensions(preview.height * k, preview.width * k);
  image->create(true);
  image->copy_seeds(preview);
  stipple_grey(*image, settings, halftone, borders, dots, k);
  return image;
}

}  // namespace stippon
