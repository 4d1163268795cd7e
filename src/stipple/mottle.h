#pragma once

#include <cstdint>

#include "image/image.h"

namespace stippon {

// A strip of dot_count square cells of side dot_size, the layout of a one-row dot sheet.
class _mottle : public _image {
 public:
  uint32_t dot_size = 0;
  uint32_t dot_count = 0;

  void define(unsigned size, unsigned count);
  void create_dots() {}
};

}  // namespace stippon
