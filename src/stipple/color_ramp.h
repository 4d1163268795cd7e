#pragma once

#include "image/texture.h"

namespace stippon {

// 256 x 1 texture mapping a value 0..255 to a colour.
class _color_ramp : public _texture {
 public:
  _color_ramp();                        // neutral: column i is (i, i, i, 255)
  explicit _color_ramp(_pixel colour);  // linear from the colour (opaque) to white
  _pixel get_color(unsigned char position) const;
};

}  // namespace stippon
