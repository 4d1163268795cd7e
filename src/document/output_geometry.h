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

  // "Optimal for input": three pixels per input pixel; a sheet: its long side for a landscape
  // or square input, its short side for a portrait one; 0 for "Custom".
  float target_width(_output_size size) const;
  // A typed edge in the given units; a height becomes a width through the aspect ratio first.
  float typed_width(float value, bool is_height, _output_units units) const;
  // The width a newly read input is processed at: a sheet by its long side; "Custom" keeps the
  // preview's width (or starts at the input's scale).
  float reading_width(_output_size size, unsigned preview_width) const;

  // At least one halftone cell and one row in every image of the pipeline.
  bool usable(float w) const;
  // Both edges of the preview within the texture limit.
  bool fits_texture(float w) const;
  // The width used when w does not fit: the input's own scale, or smaller until both edges fit.
  float fallback_width() const;
  // Why the batch cannot make an output of width w; empty when it can.
  std::string problem(float w) const;

 private:
  float W;
  float H;
  float scale_factor;
  int texture_limit;
};

}  // namespace stippon
