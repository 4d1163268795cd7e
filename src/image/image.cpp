#include "image/image.h"

#include <algorithm>

#include "image/sample_cast.h"

namespace stippon {

_image::_image(const _image& other)
    : width(other.width), height(other.height), samples(other.samples) {}

_image& _image::operator=(const _image& other) {
  if (this != &other) {
    width = other.width;
    height = other.height;
    samples = other.samples;
  }
  return *this;
}

_image& _image::operator=(_image&& other) noexcept {
  if (this != &other) {
    width = other.width;
    height = other.height;
    samples = std::move(other.samples);
  }
  return *this;
}

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

void _image::put(unsigned index, float value) {
  if (index < samples.size()) samples[index] = value;
}

void _image::put(unsigned row, unsigned column, int value) {
  put(row, column, static_cast<float>(value));
}

void _image::put(unsigned index, int value) {
  put(index, static_cast<float>(value));
}

float _image::get(unsigned row, unsigned column) const {
  if (row < height && column < width) return samples[size_t{row} * width + column];
  return 0.0f;
}

float _image::get(unsigned index) const {
  return index < samples.size() ? samples[index] : 0.0f;
}

// The black-and-white mode thresholds the product for monochrome printers; otherwise the dot
// darkens the ground by product or keeps the darker of the two.
static float merge(float ground, float value, bool black_white, unsigned short black_level,
                   _merging_function merging) {
  if (black_white) {
    const float product = (value * ground) / 255.0f;
    const auto level = static_cast<unsigned short>(truncate_sample(product));
    return level < black_level ? 0.0f : 255.0f;
  }
  if (merging == merging_minimum) return ground > value ? value : ground;
  return (value * ground) / 255.0f;
}

void _image::put_add(unsigned row, unsigned column, float value, bool black_white,
                     unsigned short black_level, _merging_function merging) {
  if (row >= height || column >= width) return;
  float& sample = samples[size_t{row} * width + column];
  sample = merge(sample, value, black_white, black_level, merging);
}

void _image::put_add(unsigned index, float value, bool black_white, unsigned short black_level,
                     _merging_function merging) {
  if (index >= samples.size()) return;
  samples[index] = merge(samples[index], value, black_white, black_level, merging);
}

}  // namespace stippon
