#include <cmath>
#include <cstddef>
#include <cstdio>

#include "image/image.h"

namespace stippon {

namespace {

// One tap inside the source: the product in single precision, the division by 255 and the
// addition in double, the running sum rounded back to single after each step.
inline float add_inside(float sum, float weight, float sample) {
  const float product = weight * sample;
  return static_cast<float>(static_cast<double>(sum) + static_cast<double>(product) / 255.0);
}

// One tap outside the source: it reads as 255 * outside, so the division cancels.
inline float add_outside(float sum, float weight, float outside) {
  return sum + outside * weight;
}

bool consistent(const _image& image) {
  return image.samples.size() == static_cast<size_t>(image.width) * image.height;
}

// The sum at one result position, with every tap checked against the source. Used where the
// mask hangs over the picture's edge.
float edge_sum(const _image& mask, const _image& source, int row, int column, float outside) {
  const int n = static_cast<int>(mask.height);
  const int half = n / 2;
  const int rows = static_cast<int>(source.height);
  const int columns = static_cast<int>(source.width);
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    const int y = row - half + i;
    for (int j = 0; j < n; ++j) {
      const int x = column - half + j;
      const float weight = mask.samples[static_cast<size_t>(i) * n + j];
      if (y >= 0 && y < rows && x >= 0 && x < columns) {
        sum = add_inside(sum, weight, source.samples[static_cast<size_t>(y) * columns + x]);
      } else {
        sum = add_outside(sum, weight, outside);
      }
    }
  }
  return sum;
}

// Sums for `count` consecutive result positions whose masks lie wholly inside the source.
// `top_left` is the source sample under the mask's first tap for the first position. The taps
// run in the outer loops so each position accumulates in the same order as edge_sum, while the
// inner loop streams along one source row.
void interior_sums(const _image& mask, const float* top_left, size_t stride, int count,
                   float* __restrict out) {
  const int n = static_cast<int>(mask.height);
  for (int c = 0; c < count; ++c) out[c] = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float* line = top_left + static_cast<size_t>(i) * stride;
    for (int j = 0; j < n; ++j) {
      const float weight = mask.samples[static_cast<size_t>(i) * n + j];
      const float* __restrict in = line + j;
      for (int c = 0; c < count; ++c) out[c] = add_inside(out[c], weight, in[c]);
    }
  }
}

void scale_to_range(float* values, int count) {
  for (int c = 0; c < count; ++c) values[c] = values[c] * 255.0f;
}

// Result of the source's size; positions outside the source read as the outside value.
void correlate_same(const _image& mask, const _image& source, float outside, _image& result) {
  const int rows = static_cast<int>(source.height);
  const int columns = static_cast<int>(source.width);
  const int half = static_cast<int>(mask.height) / 2;
  result.width = source.width;
  result.height = source.height;
  result.samples.assign(source.samples.size(), 255.0f);
  const int inner = columns - 2 * half;
  for (int r = 0; r < rows; ++r) {
    float* out = result.samples.data() + static_cast<size_t>(r) * columns;
    const bool inner_row = r >= half && r < rows - half;
    if (inner_row && inner > 0) {
      const float* top_left = source.samples.data() + static_cast<size_t>(r - half) * columns;
      interior_sums(mask, top_left, columns, inner, out + half);
      scale_to_range(out + half, inner);
      for (int c = 0; c < half; ++c) {
        out[c] = edge_sum(mask, source, r, c, outside) * 255.0f;
        out[columns - 1 - c] = edge_sum(mask, source, r, columns - 1 - c, outside) * 255.0f;
      }
    } else {
      for (int c = 0; c < columns; ++c) out[c] = edge_sum(mask, source, r, c, outside) * 255.0f;
    }
  }
}

// Result only where the whole mask lies inside the source.
void correlate_valid(const _image& mask, const _image& source, _image& result) {
  const uint32_t rows = source.height - mask.height + 1;
  const uint32_t columns = source.width - mask.width + 1;
  if (result.height != rows || result.width != columns) {
    result.height = rows;
    result.width = columns;
    result.samples.resize(static_cast<size_t>(rows) * columns, 0.0f);
  }
  for (uint32_t r = 0; r < rows; ++r) {
    float* out = result.samples.data() + static_cast<size_t>(r) * columns;
    const float* top_left = source.samples.data() + static_cast<size_t>(r) * source.width;
    interior_sums(mask, top_left, source.width, static_cast<int>(columns), out);
    scale_to_range(out, static_cast<int>(columns));
  }
}

// The Sobel masks, rows listed from row 0: vertical change, then horizontal change.
_image sobel_mask(bool vertical) {
  static const float kVertical[9] = {-1, -2, -1, 0, 0, 0, 1, 2, 1};
  static const float kHorizontal[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
  const float* weights = vertical ? kVertical : kHorizontal;
  _image mask;
  mask.width = 3;
  mask.height = 3;
  mask.samples.assign(weights, weights + 9);
  return mask;
}

}  // namespace

int _image::filter2(_image& mask, const _image& source, _cut_type cut, float outside) {
  // Filtering in place, or into the mask, must read the inputs as they were before the call.
  if (&source == this) {
    const _image copy(source);
    return filter2(mask, copy, cut, outside);
  }
  if (&mask == this) {
    _image copy(mask);
    return filter2(copy, source, cut, outside);
  }
  if (mask.width % 2 == 0 || mask.height % 2 == 0 || mask.width != mask.height) {
    std::printf("Please use odd dimensions for the mask and they must be equal\n");
    return -1;
  }
  if (source.height < mask.height || source.width < mask.width) return -1;
  // A raster whose samples do not match its geometry would be read past its end.
  if (!consistent(mask) || !consistent(source)) return -1;
  switch (cut) {
    case cut_same:
      correlate_same(mask, source, outside, *this);
      return 0;
    case cut_valid:
      correlate_valid(mask, source, *this);
      return 0;
    case cut_unused:
      return 0;
    case cut_none:
    default:
      return -1;
  }
}

void _image::getBorders(_image& source, float threshold) {
  if (&source == this) {
    _image copy(source);
    getBorders(copy, threshold);
    return;
  }
  // The border raster always takes the source's size; a picture too small for the masks (or
  // none at all) has no border pixels.
  width = source.width;
  height = source.height;
  samples.assign(static_cast<size_t>(width) * height, 255.0f);
  _image vertical_mask = sobel_mask(true);
  _image horizontal_mask = sobel_mask(false);
  _image vertical;
  _image horizontal;
  if (vertical.filter2(vertical_mask, source, cut_same, 1.0f) == -1) return;
  if (horizontal.filter2(horizontal_mask, source, cut_same, 1.0f) == -1) return;

  const size_t count = samples.size();
  const float* v = vertical.samples.data();
  const float* h = horizontal.samples.data();
  if (threshold > 0.0f) {
    const float limit = threshold * 255.0f;
    for (size_t i = 0; i < count; ++i) {
      samples[i] = std::fabs(v[i]) >= limit || std::fabs(h[i]) >= limit ? 0.0f : 255.0f;
    }
    return;
  }
  // The threshold follows the brightness: dark pixels become borders most easily.
  const float offset = threshold == 0.0f ? 0.0f : std::fabs(threshold) - 1.0f;
  const double lowering = 255.0 * static_cast<double>(offset);
  const float* s = source.samples.data();
  for (size_t i = 0; i < count; ++i) {
    const float limit =
        offset == 0.0f ? s[i] : static_cast<float>(static_cast<double>(s[i]) - lowering);
    samples[i] = std::fabs(v[i]) >= limit || std::fabs(h[i]) >= limit ? 0.0f : 255.0f;
  }
}

}  // namespace stippon
