#include "document/output_geometry.h"

#include <cmath>
#include <cstdio>

namespace stippon {

namespace {

std::string format_pixels(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", std::floor(value));
  return text;
}

// The height of the preview of width w, exactly as preview_size makes it.
float preview_rows(float w, float aspect) {
  return std::trunc(w / aspect);
}

// The widest whole width whose preview is at most `rows` high. It lies below (rows + 1) x aspect,
// which double precision holds exactly, so whole steps down from there meet the rounding of the
// preview's own division.
float widest_width(float rows, float aspect) {
  float w = static_cast<float>(std::floor((double(rows) + 1.0) * double(aspect)));
  while (preview_rows(w, aspect) > rows) w -= 1.0f;
  return w;
}

// The least width whose preview is `rows` high: a whole width may fall a row short of what a
// fraction more gives in the same pixels. Found ulp by ulp from rows x aspect, which the rounding
// to float may leave a row short or over.
float least_width(float rows, float aspect) {
  float w = static_cast<float>(double(rows) * double(aspect));
  while (preview_rows(w, aspect) < rows) w = std::nextafter(w, INFINITY);
  while (preview_rows(std::nextafter(w, 0.0f), aspect) >= rows) w = std::nextafter(w, 0.0f);
  return w;
}

}  // namespace

_output_geometry::_output_geometry(unsigned input_width, unsigned input_height, float scale_factor,
                                   int texture_limit)
    : W(static_cast<float>(input_width)),
      H(static_cast<float>(input_height)),
      scale_factor(scale_factor),
      texture_limit(texture_limit) {}

float _output_geometry::target_width(_output_size size) const {
  if (size == size_optimal) return W * OPTIMAL_SCALE;
  if (is_sheet(size)) return sheet_fit(size);
  return 0.0f;
}

float _output_geometry::sheet_fit(_output_size size) const {
  const float aspect = W / H;
  const _sheet_edges sheet = sheet_edges(size, aspect);
  if (preview_rows(sheet.across, aspect) <= sheet.down) return sheet.across;
  // The height binds: the widest whole width whose height fits, at the least w that gives it the
  // sheet's height.
  return std::fmax(widest_width(sheet.down, aspect), least_width(sheet.down, aspect));
}

float _output_geometry::typed_width(float value, bool is_height, _output_units units) const {
  return to_pixels(is_height ? (W / H) * value : value, units);
}

float _output_geometry::reading_width(_output_size size, float kept_width) const {
  const float w = size != size_custom ? target_width(size)
                  : kept_width > 0.0f ? kept_width
                                      : W * scale_factor;
  return usable(w) ? w : W * scale_factor;
}

bool _output_geometry::usable(float w) const {
  if (W == 0.0f || H == 0.0f || !std::isfinite(w)) return false;
  const float cells = w / scale_factor;
  if (!(cells >= 1.0f) || !(w >= 1.0f)) return false;
  const float r = cells / W;
  if (r != 1.0f && (!(W * r >= 1.0f) || !(H * r >= 1.0f))) return false;
  return w / (W / H) >= 1.0f;
}

bool _output_geometry::fits_texture(float w) const {
  if (W == 0.0f || H == 0.0f) return true;
  if (w > static_cast<float>(texture_limit)) return false;
  return static_cast<unsigned>(w / (W / H)) <= static_cast<unsigned>(texture_limit);
}

float _output_geometry::fallback_width() const {
  float w = W * scale_factor;
  if (fits_texture(w)) return w;
  // Even the width that needs no resampling is too large: the largest that fits both edges.
  const float limit = static_cast<float>(texture_limit);
  w = std::floor(std::fmin(limit, limit * (W / H)));
  while (w > 1.0f && !fits_texture(w)) w -= 1.0f;
  return w;
}

std::string _output_geometry::problem(float w) const {
  const float aspect = W / H;
  if (!(w / scale_factor >= 1.0f))
    return "the output would be narrower than one halftone cell (" + format_pixels(w) +
           " pixels at 300 ppi)";
  const float height = w / aspect;
  const float limit = static_cast<float>(texture_limit);
  if (w >= limit + 1.0f || height >= limit + 1.0f)
    return "the output would be " + format_pixels(w) + " x " + format_pixels(height) +
           " pixels at 300 ppi; each edge may be at most " + std::to_string(texture_limit);
  if (height < 1.0f)
    return "the output would be less than one pixel high (" + format_pixels(w) + " x " +
           format_pixels(height) + " pixels at 300 ppi)";
  return {};
}

}  // namespace stippon
