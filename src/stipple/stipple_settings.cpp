#include "stipple/stipple_settings.h"

#include "image/q_image.h"

namespace stippon {

void stipple_grey(_image& target, const _stipple_settings& settings, _image& halftone,
                  _image& borders, _image** dots, int output_scale) {
  target.stippling2(settings.scale_factor, 0.0f, settings.displacement, halftone, borders, dots,
                    settings.dot_variant_rows, settings.dot_variant_max_column,
                    settings.low_density_min, settings.low_density_max, settings.high_density_min,
                    settings.high_density_max,
                    static_cast<unsigned short>(settings.contrast_threshold),
                    static_cast<unsigned short>(settings.borders_slider_value),
                    settings.black_white, static_cast<unsigned short>(settings.black_level),
                    output_scale, settings.merging_function, settings.random_distribution);
}

void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone, const _tone_lookup& tones) {
  if (r == 1.0f)
    original = input;
  else
    resample(input, r, original);
  tones.apply(original);
  borders.getBorders(original, borders_threshold);
  halftone = original;
  halftone.halftoning_ostromoukhov();
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
