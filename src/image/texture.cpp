#include "image/texture.h"

#include <algorithm>

#include "image/sample_cast.h"

namespace stippon {

void _texture::dimensions(unsigned rows, unsigned columns) {
  if (rows == 0 || columns == 0) return;
  height = rows;
  width = columns;
}

void _texture::create() {
  if (width != 0 && height != 0) texels.assign(size_t{width} * height, _pixel());
}

void _texture::put(unsigned row, unsigned column, _pixel pixel) {
  if (row < height && column < width) texels[size_t{row} * width + column] = pixel;
}

_pixel _texture::get(unsigned row, unsigned column) const {
  if (row < height && column < width) return texels[size_t{row} * width + column];
  return _pixel();
}

void _texture::fill(_pixel pixel) {
  std::fill(texels.begin(), texels.end(), pixel);
}

_texture& _texture::operator=(const _image& image) {
  if (image.width == 0 || image.height == 0) {
    width = height = 0;
    texels.clear();
    return *this;
  }
  width = image.width;
  height = image.height;
  texels.assign(size_t{width} * height, _pixel());
  const size_t count = std::min(texels.size(), image.samples.size());
  for (size_t i = 0; i < count; ++i) {
    const unsigned char v = low_byte(image.samples[i]);
    texels[i] = _pixel(v, v, v, 255);
  }
  return *this;
}

// Grey levels that the ramp does not reach keep their texel: a short or empty ramp cannot
// produce a colour for them.
void _texture::tone(const _texture& ramp) {
  const size_t reach = std::min<size_t>(ramp.height == 0 ? 0 : ramp.width, ramp.texels.size());
  for (_pixel& texel : texels)
    if (texel.r < reach) texel = ramp.texels[texel.r];
}

}  // namespace stippon
