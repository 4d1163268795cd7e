#pragma once

#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/pixel.h"

namespace stippon {

// Colour raster of RGBA texels, row-major, row 0 at the bottom of the picture. It holds pixels
// only; colour stippling draws into it through src/stipple.
class _texture {
 public:
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<_pixel> texels;

  // Sets the size without touching the texels; a zero edge leaves the size as it was.
  void dimensions(unsigned rows, unsigned columns);
  // Fills the size with transparent black.
  void create();
  // Reads and writes outside the texture do nothing (reads give transparent black).
  void put(unsigned row, unsigned column, _pixel pixel);
  _pixel get(unsigned row, unsigned column) const;
  void fill(_pixel pixel);
  // Opaque grey texels of a grey raster's samples, each truncated to its low byte.
  _texture& operator=(const _image& image);
  // Each texel's red level looked up in the ramp's first row.
  void tone(const _texture& ramp);
};

}  // namespace stippon
