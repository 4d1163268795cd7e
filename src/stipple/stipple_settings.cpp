#include "stipple/stipple_settings.h"

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

void stipple_colour(_texture& target, const _stipple_settings& settings, _image& halftone,
                    _image& borders, _texture& colour_source, _image** dots, int output_scale) {
  target.color_stippling(
      settings.scale_factor, 0.0f, settings.displacement, halftone, borders, colour_source, dots,
      settings.dot_variant_rows, settings.dot_variant_max_column, settings.low_density_min,
      settings.low_density_max, settings.high_density_min, settings.high_density_max,
      static_cast<unsigned short>(settings.contrast_threshold),
      static_cast<unsigned short>(settings.borders_slider_value), settings.black_white,
      static_cast<unsigned short>(settings.black_level), output_scale, settings.merging_function,
      settings.random_distribution);
}

}  // namespace stippon
