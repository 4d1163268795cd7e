#include "image/pixel.h"

#include <cstdio>

namespace stippon {

void _pixel::set(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha) {
  r = red;
  g = green;
  b = blue;
  a = alpha;
}

void _pixel::show_values() const {
  std::printf("Red=%d Green=%d Blue=%d Alpha=%d\n", r, g, b, a);
}

}  // namespace stippon
