#include "batch/geometry.h"

#include <cmath>
#include <cstdio>

namespace stippon {

namespace {

std::string format_pixels(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", std::floor(value));
  return text;
}

}  // namespace

float target_width(const _batch_options& options, unsigned W, unsigned H) {
  const float aspect = static_cast<float>(W) / static_cast<float>(H);
  switch (options.output_size) {
    case size_optimal:
      return static_cast<float>(W) * 3.0f;
    case size_custom: {
      // A typed height becomes a width first (ratio first), then it is converted like a width.
      const _typed_size& typed = options.typed;
      const float edge = typed.is_height ? aspect * typed.value : typed.value;
      return to_pixels(edge, typed.units);
    }
    default:
      return sheet_width(options.output_size, aspect);
  }
}

std::string check_target_width(float w, float scale_factor, unsigned W, unsigned H) {
  const float aspect = static_cast<float>(W) / static_cast<float>(H);
  if (!(w / scale_factor >= 1.0f))
    return "the output would be narrower than one halftone cell (" + format_pixels(w) +
           " pixels at 300 ppi)";
  const float height = w / aspect;
  const float limit = static_cast<float>(MAX_PREVIEW_EDGE);
  if (w >= limit + 1.0f || height >= limit + 1.0f)
    return "the output would be " + format_pixels(w) + " x " + format_pixels(height) +
           " pixels at 300 ppi; each edge may be at most " + std::to_string(MAX_PREVIEW_EDGE);
  if (height < 1.0f)
    return "the output would be less than one pixel high (" + format_pixels(w) + " x " +
           format_pixels(height) + " pixels at 300 ppi)";
  return {};
}

}  // namespace stippon
