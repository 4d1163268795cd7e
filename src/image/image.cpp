#include "image/image.h"

#include <algorithm>

namespace stippon {

void _image::dimensions(unsigned rows, unsigned columns) {
  if (rows == 0 || columns == 0) return;
  height = rows;
  width = columns;
}

void _image::create(bool white) {
  const float value = white ? 255.0f : 0.0f;
  if (width != 0 && height != 0)
    samples.assign(size_t{width} * height, value);
  else if (white)
    std::fill(samples.begin(), samples.end(), value);
}

void _image::set(int rows, int columns, std::vector<float>& values) {
  height = static_cast<uint32_t>(rows);
  width = static_cast<uint32_t>(columns);
  samples = values;
}

void _image::put(unsigned row, unsigned column, float value) {
  if (row < height && column < width) samples[size_t{row} * width + column] = value;
}

float _image::get(unsigned row, unsigned column) const {
  if (row < height && column < width) return samples[size_t{row} * width + column];
  return 0.0f;
}

}  // namespace stippon
