#pragma once

#include <cstdint>
#include <vector>

namespace stippon {

class _q_image;

// Grey raster: float samples on the 0 (black) .. 255 (white) scale, row-major, row 0 at the
// bottom of the picture. It holds pixels only: halftoning, borders, stippling and the dot shapes
// are functions of their own modules in src/stipple.
class _image {
 public:
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<float> samples;

  _image() = default;
  _image& operator=(const _q_image& image);  // red channel of a QImage (image/q_image.cpp)

  // Sets the size without touching the samples; a zero edge leaves the size as it was.
  void dimensions(unsigned rows, unsigned columns);
  // Fills the size with white (255) or black (0) samples.
  void create(bool white);
  void set(int rows, int columns, std::vector<float>& values);

  // Reads and writes outside the raster do nothing (reads give 0).
  void put(unsigned row, unsigned column, float value);
  float get(unsigned row, unsigned column) const;
};

}  // namespace stippon
