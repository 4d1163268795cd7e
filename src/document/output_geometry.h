#pragma once

#include <string>

#include "stipple/output.h"

namespace stippon {

// The largest texture assumed until the display reports its own: it admits the dot sheets and any
// sane input, and it bounds the preview of the batch, which has no display.
inline constexpr int DEFAULT_TEXTURE_LIMIT = 16384;

// The output geometry of one input of W x H pixels: from a size choice or a typed edge to the
// target width w in pixels at 300 ppi, and whether a width makes a picture that the display can
// hold. The preview of width w is trunc(w) x trunc(w / (W / H)).
class _output_geometry {
 public:
  _output_geometry(unsigned input_width, unsigned input_height, float scale_factor,
                   int texture_limit);

  // "Optimal for input": three pixels per input pixel; a sheet: the largest print that fits it
  // turned like the input (see sheet_fit); 0 for "Custom".
  float target_width(_output_size size) const;
  // A typed edge in the given units; a height becomes a width through the aspect ratio first.
  float typed_width(float value, bool is_height, _output_units units) const;
  // The width a newly read input is processed at: the target width of a sheet or "Optimal";
  // "Custom" keeps the print's width (or starts at the input's scale).
  float reading_width(_output_size size, float kept_width) const;

  // At least one halftone cell and one row in every image of the pipeline.
  bool usable(float w) const;
  // Both edges of the preview within the texture limit.
  bool fits_texture(float w) const;
  // The width used when w does not fit: the input's own scale, or smaller until both edges fit.
  float fallback_width() const;
  // Why the batch cannot make an output of width w; empty when it can.
  std::string problem(float w) const;

 private:
  // Both edges of the preview within the sheet's edges across and down, the sheet landscape for a
  // landscape or square input. When the sheet's width binds, w is that width; otherwise the
  // preview is as high as the sheet and the widest whole width that keeps it there, w being the
  // least value of that width that gives the full height.
  float sheet_fit(_output_size size) const;

  float W;
  float H;
  float scale_factor;
  int texture_limit;
};

}  // namespace stippon
