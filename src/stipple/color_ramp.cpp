#include "stipple/color_ramp.h"

namespace stippon {

_color_ramp::_color_ramp() {
  dimensions(1, 256);
  create();
  for (unsigned i = 0; i < 256; ++i) {
    const auto level = static_cast<unsigned char>(i);
    texels[i] = _pixel(level, level, level, 255);
  }
}

// Linear from the colour at 0 to white at 255: t in single precision, the blend in double.
static unsigned char blend(float t, unsigned char channel) {
  return static_cast<unsigned char>(static_cast<double>(t) * (255.0 - channel) + channel);
}

_color_ramp::_color_ramp(_pixel colour) {
  dimensions(1, 256);
  create();
  for (unsigned i = 0; i < 256; ++i) {
    const float t = static_cast<float>(i) / 255.0f;
    texels[i] = _pixel(blend(t, colour.r), blend(t, colour.g), blend(t, colour.b), 255);
  }
}

_pixel _color_ramp::get_color(unsigned char position) const {
  return position < texels.size() ? texels[position] : _pixel();
}

}  // namespace stippon
