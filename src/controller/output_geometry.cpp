// The output geometry of the controller: from the panel's size, units and typed dimensions to a
// target width in pixels at 300 ppi, and back to the numbers the panel shows.
#include <cmath>

#include "controller/gl_widget.h"
#include "ui/general_tab.h"

namespace stippon {

float _gl_widget::get_AXsize(_output_size size, float aspect) {
  return sheet_width(size, aspect);
}

// The width a new input is processed at. A sheet is fitted by its long side; the two sizes that
// are not sheets must not fall back to the aspect 1.0, which would make a one-pixel output.
float _gl_widget::reading_width() const {
  const float W = static_cast<float>(input_image.width);
  float w;
  switch (output_size) {
    case size_optimal:
      w = W * 3.0f;
      break;
    case size_custom:
      w = stippling_image.width > 0 ? static_cast<float>(stippling_image.width) : W * scale_factor;
      break;
    default:
      w = sheet_width(output_size, 1.0f);
      break;
  }
  return usable_width(w) ? w : W * scale_factor;
}

// A width makes a picture when it gives at least one halftone cell and one row in every image of
// the pipeline (a zero edge would keep a stale size).
bool _gl_widget::usable_width(float w) const {
  if (input_image.width == 0 || input_image.height == 0 || !std::isfinite(w)) return false;
  const float W = static_cast<float>(input_image.width);
  const float H = static_cast<float>(input_image.height);
  const float cells = w / scale_factor;
  if (!(cells >= 1.0f) || !(w >= 1.0f)) return false;
  const float r = cells / W;
  if (r != 1.0f && (!(W * r >= 1.0f) || !(H * r >= 1.0f))) return false;
  return w / (W / H) >= 1.0f;
}

// Both edges of the preview must fit the largest texture; the resampled images are smaller.
bool _gl_widget::fits_texture(float w) const {
  if (input_image.width == 0 || input_image.height == 0) return true;
  const float W = static_cast<float>(input_image.width);
  const float H = static_cast<float>(input_image.height);
  if (w > static_cast<float>(max_texture_size)) return false;
  return static_cast<unsigned>(w / (W / H)) <= static_cast<unsigned>(max_texture_size);
}

float _gl_widget::fitted_width(float w) {
  if (fits_texture(w)) return w;
  warn(
      tr("The size is greather than the maximum texture size supported\nIt is changed to "
         "default values"));
  const float W = static_cast<float>(input_image.width);
  const float H = static_cast<float>(input_image.height);
  w = W * scale_factor;
  if (fits_texture(w)) return w;
  // Even the width that needs no resampling is too large: the largest that fits both edges.
  const float limit = static_cast<float>(max_texture_size);
  w = std::floor(std::fmin(limit, limit * (W / H)));
  while (w > 1.0f && !fits_texture(w)) w -= 1.0f;
  return w;
}

void _gl_widget::set_size(_output_size size) {
  output_size = size;
  const float W = static_cast<float>(input_image.width);
  const float H = static_cast<float>(input_image.height);
  float w = 0.0f;
  if (size == size_optimal) {
    w = W * 3.0f;
  } else if (size >= size_a4 && size <= size_a10) {
    w = get_AXsize(size, W / H);
  }
  // "Custom" keeps the current output until a width or a height is typed.
  if (usable_width(w)) set_size_output(w);
  update_dimensions();
}

void _gl_widget::set_size_output(float w) {
  if (!image_loaded) return;
  update_images(fitted_width(w));
  refresh_image();
}

void _gl_widget::set_units(_output_units units) {
  output_units = units;
  update_dimensions();
}

void _gl_widget::update_dimensions() {
  const unsigned Ws = stippling_image.width;
  const unsigned Hs = stippling_image.height;
  float width;
  float height;
  switch (output_units) {
    case units_millimeters:
      width = static_cast<float>(Ws * 25.4 / 300.0);
      height = static_cast<float>(Hs * 25.4 / 300.0);
      break;
    case units_inches:
      width = static_cast<float>(Ws) / 300.0f;
      height = static_cast<float>(Hs) / 300.0f;
      break;
    default:
      width = static_cast<float>(Ws);
      height = static_cast<float>(Hs);
      break;
  }
  if (general_tab == nullptr) return;
  general_tab->set_width(width);
  general_tab->set_height(height);
}

void _gl_widget::set_width(float value) {
  const float w = to_pixels(value, output_units);
  // A text that is not a number, or a size below one halftone cell, changes nothing; the panel
  // shows the current dimensions again.
  if (image_loaded && usable_width(w)) set_size_output(w);
  update_dimensions();
}

void _gl_widget::set_height(float value) {
  const float W = static_cast<float>(input_image.width);
  const float H = static_cast<float>(input_image.height);
  set_width((W / H) * value);
}

void _gl_widget::set_scale_factor(float value) {
  if (!std::isfinite(value) || value <= 0.0f) return;
  scale_factor = value;
  if (!image_loaded) return;
  update_images(static_cast<float>(stippling_image.width));
  refresh_image();
}

void _gl_widget::set_save_resolution(_resolution_position p) {
  if (p < resolution_1200 || p > resolution_300) return;
  if (device < device_grayscale || device > device_color_tones) return;
  save_resolution[device] = p;
}

}  // namespace stippon
