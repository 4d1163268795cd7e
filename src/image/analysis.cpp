#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/image.h"

namespace stippon {

namespace {

// Stabilisers of the similarity index: (0.01 * 255)^2 and (0.03 * 255)^2.
constexpr float kC1 = 6.5025f;
constexpr float kC2 = 58.5225f;
constexpr uint32_t kMinimumSize = 11;
constexpr float kRefused = -1.0f;

// random() scaled to [0, 1000), in single precision.
constexpr float kPerMille = 4.656613e-07f;

// Whether the samples match the geometry; the routines below index by row and column.
bool consistent(const _image& image) {
  return image.samples.size() == static_cast<size_t>(image.width) * image.height;
}

// Element-wise product of two rasters of the same size.
_image product(const _image& a, const _image& b) {
  _image result(a);
  for (size_t i = 0; i < result.samples.size(); ++i) result.samples[i] *= b.samples[i];
  return result;
}

// Sets every sample of the size x size block at (row, column) that lies inside the raster.
void paint_block(_image& image, int64_t row, int64_t column, int size, float value) {
  const int64_t last_row = std::min<int64_t>(row + size, image.height);
  const int64_t last_column = std::min<int64_t>(column + size, image.width);
  for (int64_t r = row; r < last_row; ++r) {
    float* line = image.samples.data() + r * image.width;
    for (int64_t c = column; c < last_column; ++c) line[c] = value;
  }
}

// Sum of the four corner samples of a block, half a block apart.
float block_sum(const _image& image, int64_t row, int64_t column, int half) {
  const auto at = [&](int64_t r, int64_t c) { return image.samples[r * image.width + c]; };
  return at(row, column) + at(row, column + half) + at(row + half, column) +
         at(row + half, column + half);
}

// Visits the block corners (r, c) of a size-n grid whose half-way samples lie inside the raster,
// row by row.
template <typename Visit>
void for_each_block(const _image& image, int size, Visit visit) {
  const int half = size / 2;
  const int64_t row_end = static_cast<int64_t>(image.height) - half;
  const int64_t column_end = static_cast<int64_t>(image.width) - half;
  for (int64_t r = 0; r < row_end; r += size) {
    for (int64_t c = 0; c < column_end; c += size) visit(r, c, half);
  }
}

}  // namespace

int _image::gaussian(unsigned size, float sigma) {
  if (size < 3 || size % 2 == 0) return -1;
  if (width != size || height != size) {
    width = size;
    height = size;
    samples.resize(static_cast<size_t>(size) * size);
  }
  // The window's edge sits at three standard deviations whatever its size.
  const float half = static_cast<float>(size / 2);
  const float denominator = -2.0f * sigma * sigma;
  const double area = 6.283185307179586 * static_cast<double>(sigma) * static_cast<double>(sigma);
  for (unsigned r = 0; r < size; ++r) {
    const float y = (static_cast<float>(r) - half) * 3.0f * sigma / half;
    for (unsigned c = 0; c < size; ++c) {
      const float x = (static_cast<float>(c) - half) * 3.0f * sigma / half;
      const float exponent = (x * x + y * y) / denominator;
      samples[static_cast<size_t>(r) * size + c] =
          static_cast<float>(std::exp(static_cast<double>(exponent)) / area);
    }
  }
  return 0;
}

float _image::mssim(_image& other, unsigned window) {
  if (width < kMinimumSize || height < kMinimumSize) return kRefused;
  if (width != other.width || height != other.height) return kRefused;
  if (!consistent(*this) || !consistent(other)) return kRefused;
  // A window larger than the images would leave nothing to average.
  if (window > width || window > height) return kRefused;
  _image weights;
  if (weights.gaussian(window, static_cast<float>(window / 3.0)) != 0) return kRefused;
  weights.normalize();

  const auto local_mean = [&weights](const _image& source) {
    _image result;
    result.filter2(weights, source, cut_valid, 1.0f);
    return result;
  };
  const _image mean_a = local_mean(*this);
  const _image mean_b = local_mean(other);
  const _image spread_a = local_mean(product(*this, *this));
  const _image spread_b = local_mean(product(other, other));
  const _image spread_ab = local_mean(product(*this, other));

  _image map(mean_a);
  for (size_t i = 0; i < map.samples.size(); ++i) {
    const float ma = mean_a.samples[i];
    const float mb = mean_b.samples[i];
    const float ma2 = ma * ma;
    const float mb2 = mb * mb;
    const float mab = ma * mb;
    const float var_a = spread_a.samples[i] - ma2;
    const float var_b = spread_b.samples[i] - mb2;
    const float cov = spread_ab.samples[i] - mab;
    map.samples[i] =
        ((2.0f * mab + kC1) * (2.0f * cov + kC2)) / (((ma2 + mb2) + kC1) * ((var_a + var_b) + kC2));
  }
  return map.mean();
}

void _image::tone_segmentation(int size) {
  // A block must hold two samples apart to be judged (and a size of 0 would never advance).
  if (size < 2 || !consistent(*this)) return;
  for_each_block(*this, size, [&](int64_t r, int64_t c, int half) {
    const float k = std::trunc(block_sum(*this, r, c, half));
    if (k == 255.0f) {
      paint_block(*this, r, c, size, 0.0f);
    } else if (k == 765.0f) {
      paint_block(*this, r, c, size, 255.0f);
    } else if (k == 510.0f) {
      const float draw = static_cast<float>(::random()) * kPerMille;
      paint_block(*this, r, c, size, draw < 500.0f ? 0.0f : 255.0f);
    }
    // Four equal samples leave the block as it is; other sums are not black and white at all.
  });
}

void _image::pyramid_segmentation(int size, _image& source) {
  if (size < 2 || !consistent(source)) return;
  if (&source == this) {
    _image copy(source);
    pyramid_segmentation(size, copy);
    return;
  }
  height = source.height;
  width = source.width;
  if (width == 0 || height == 0) {
    samples.clear();
    return;
  }
  samples.assign(static_cast<size_t>(width) * height, 0.0f);
  for_each_block(source, size, [&](int64_t r, int64_t c, int half) {
    // A tie of two white samples falls to black.
    const float value = block_sum(source, r, c, half) <= 510.0f ? 0.0f : 255.0f;
    paint_block(*this, r, c, size, value);
  });
}

}  // namespace stippon
