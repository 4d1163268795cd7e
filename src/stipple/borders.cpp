#include "stipple/borders.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

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

// Weights w for which (w * s) / 255 equals w * (s / 255) exactly: zero and powers of two of at
// least one (w * s is then exact in single precision unless it overflows). The Sobel masks are
// such; with them the division by 255 runs once per source sample instead of once per tap.
bool power_of_two_weights(const _image& mask, float& largest) {
  largest = 0.0f;
  for (float weight : mask.samples) {
    if (weight == 0.0f) continue;
    int exponent = 0;
    if (std::frexp(std::fabs(weight), &exponent) != 0.5f || exponent < 1) return false;
    largest = std::max(largest, std::fabs(weight));
  }
  return true;
}

// Whether no weight times a finite sample overflows single precision (where it would, the plain
// taps give infinities that the scaled ones would not).
bool products_stay_finite(const _image& source, float largest_weight) {
  float largest_sample = 0.0f;
  for (float sample : source.samples) {
    if (std::isfinite(sample)) largest_sample = std::max(largest_sample, std::fabs(sample));
  }
  return static_cast<double>(largest_sample) * largest_weight <= std::numeric_limits<float>::max();
}

// The source rows a mask spans, divided by 255 in double precision as they are first needed and
// kept in a ring of `span` rows.
class scaled_rows {
 public:
  scaled_rows(const _image& source, int span)
      : source_(source),
        span_(span),
        values_(static_cast<size_t>(span) * source.width),
        loaded_(span, -1) {}

  const double* row(int y) {
    const int slot = y % span_;
    double* values = values_.data() + static_cast<size_t>(slot) * source_.width;
    if (loaded_[slot] != y) {
      const float* samples = source_.samples.data() + static_cast<size_t>(y) * source_.width;
      for (uint32_t x = 0; x < source_.width; ++x) {
        values[x] = static_cast<double>(samples[x]) / 255.0;
      }
      loaded_[slot] = y;
    }
    return values;
  }

 private:
  const _image& source_;
  int span_;
  std::vector<double> values_;
  std::vector<int> loaded_;
};

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
// lines[i] is the source row under mask row i, from the column under the first position's first
// tap. The taps run in the outer loops so each position accumulates in the same order as
// edge_sum, while the inner loop streams along one source row.
void interior_sums(const _image& mask, const float* const* lines, int count,
                   float* __restrict out) {
  const int n = static_cast<int>(mask.height);
  std::fill(out, out + count, 0.0f);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const float weight = mask.samples[static_cast<size_t>(i) * n + j];
      const float* __restrict in = lines[i] + j;
      for (int c = 0; c < count; ++c) out[c] = add_inside(out[c], weight, in[c]);
    }
  }
}

// interior_sums over source rows already divided by 255, for power-of-two weights.
void interior_sums_scaled(const _image& mask, const double* const* lines, int count,
                          float* __restrict out) {
  const int n = static_cast<int>(mask.height);
  std::fill(out, out + count, 0.0f);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const double weight = mask.samples[static_cast<size_t>(i) * n + j];
      const double* __restrict in = lines[i] + j;
      for (int c = 0; c < count; ++c) {
        out[c] = static_cast<float>(static_cast<double>(out[c]) + weight * in[c]);
      }
    }
  }
}

void scale_to_range(float* values, int count) {
  for (int c = 0; c < count; ++c) values[c] = values[c] * 255.0f;
}

// Sums of the mask positions whose first tap lies on source row `top` (columns 0 .. count-1).
void interior_row(const _image& mask, const _image& source, scaled_rows* scaled, int top, int count,
                  float* out) {
  const int n = static_cast<int>(mask.height);
  if (scaled != nullptr) {
    std::vector<const double*> lines(n);
    for (int i = 0; i < n; ++i) lines[i] = scaled->row(top + i);
    interior_sums_scaled(mask, lines.data(), count, out);
  } else {
    std::vector<const float*> lines(n);
    for (int i = 0; i < n; ++i) {
      lines[i] = source.samples.data() + static_cast<size_t>(top + i) * source.width;
    }
    interior_sums(mask, lines.data(), count, out);
  }
  scale_to_range(out, count);
}

// One row of the source-sized result; positions outside the source read as the outside value.
// Only the positions where the mask hangs over the edge take the checked path.
void correlate_same_row(const _image& mask, const _image& source, scaled_rows* scaled, int row,
                        float outside, float* out) {
  const int rows = static_cast<int>(source.height);
  const int columns = static_cast<int>(source.width);
  const int half = static_cast<int>(mask.height) / 2;
  const int inner = columns - 2 * half;
  if (row < half || row >= rows - half || inner <= 0) {
    for (int c = 0; c < columns; ++c) out[c] = edge_sum(mask, source, row, c, outside) * 255.0f;
    return;
  }
  interior_row(mask, source, scaled, row - half, inner, out + half);
  for (int c = 0; c < half; ++c) {
    out[c] = edge_sum(mask, source, row, c, outside) * 255.0f;
    out[columns - 1 - c] = edge_sum(mask, source, row, columns - 1 - c, outside) * 255.0f;
  }
}

// Whether the mask and source allow the division by 255 to be taken out of the taps.
bool can_scale(const _image& mask, const _image& source) {
  float largest = 0.0f;
  return power_of_two_weights(mask, largest) && products_stay_finite(source, largest);
}

void correlate_same(const _image& mask, const _image& source, float outside, _image& result) {
  result.width = source.width;
  result.height = source.height;
  result.samples.assign(source.samples.size(), 255.0f);
  std::optional<scaled_rows> scaled;
  if (can_scale(mask, source)) scaled.emplace(source, static_cast<int>(mask.height));
  for (uint32_t r = 0; r < source.height; ++r) {
    correlate_same_row(mask, source, scaled ? &*scaled : nullptr, static_cast<int>(r), outside,
                       result.samples.data() + static_cast<size_t>(r) * source.width);
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
  std::optional<scaled_rows> scaled;
  if (can_scale(mask, source)) scaled.emplace(source, static_cast<int>(mask.height));
  for (uint32_t r = 0; r < rows; ++r) {
    interior_row(mask, source, scaled ? &*scaled : nullptr, static_cast<int>(r),
                 static_cast<int>(columns),
                 result.samples.data() + static_cast<size_t>(r) * columns);
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

// Whether every sample is finite and twice it too: the fused Sobel path below relies on it.
bool finite_for_sobel(const _image& source) {
  const float bound = std::numeric_limits<float>::max() / 2.0f;
  for (float sample : source.samples) {
    if (!(std::fabs(sample) <= bound)) return false;
  }
  return true;
}

inline float accumulate(float sum, double term) {
  return static_cast<float>(static_cast<double>(sum) + term);
}

// Both Sobel responses along one row, for the result columns 1 .. count whose masks lie inside
// the source. below, middle and above are the source rows r - 1, r, r + 1 divided by 255.
// The taps run in the masks' order; the zero taps are left out, since adding a signed zero can
// only change the sign of a zero sum, which the border test does not look at.
void sobel_interior(const double* below, const double* middle, const double* above, int count,
                    float* vertical, float* horizontal) {
  for (int c = 0; c < count; ++c) {
    const double* b = below + c;
    const double* m = middle + c;
    const double* a = above + c;
    float v = accumulate(0.0f, -b[0]);
    v = accumulate(v, -2.0 * b[1]);
    v = accumulate(v, -b[2]);
    v = accumulate(v, a[0]);
    v = accumulate(v, 2.0 * a[1]);
    v = accumulate(v, a[2]);
    float h = accumulate(0.0f, -b[0]);
    h = accumulate(h, b[2]);
    h = accumulate(h, -2.0 * m[0]);
    h = accumulate(h, 2.0 * m[2]);
    h = accumulate(h, -a[0]);
    h = accumulate(h, a[2]);
    vertical[c] = v * 255.0f;
    horizontal[c] = h * 255.0f;
  }
}

// The two Sobel masks of border extraction.
struct sobel_masks {
  _image vertical = sobel_mask(true);
  _image horizontal = sobel_mask(false);
};

// Both Sobel responses of one source row. `scaled` holds the source divided by 255 when every
// sample is finite, or is null.
void sobel_row(const sobel_masks& masks, const _image& source, scaled_rows* scaled, int row,
               float* vertical, float* horizontal) {
  const _image& vertical_mask = masks.vertical;
  const _image& horizontal_mask = masks.horizontal;
  const int last_row = static_cast<int>(source.height) - 1;
  if (scaled == nullptr || row == 0 || row == last_row) {
    correlate_same_row(vertical_mask, source, nullptr, row, 1.0f, vertical);
    correlate_same_row(horizontal_mask, source, nullptr, row, 1.0f, horizontal);
    return;
  }
  const int last = static_cast<int>(source.width) - 1;
  sobel_interior(scaled->row(row - 1), scaled->row(row), scaled->row(row + 1), last - 1,
                 vertical + 1, horizontal + 1);
  for (int c : {0, last}) {
    vertical[c] = edge_sum(vertical_mask, source, row, c, 1.0f) * 255.0f;
    horizontal[c] = edge_sum(horizontal_mask, source, row, c, 1.0f) * 255.0f;
  }
}

// The border threshold: constant for t > 0, otherwise following the pixel's own grey level,
// lowered by 255 for every unit of t below -1.
class border_rule {
 public:
  explicit border_rule(float t)
      : constant_(t > 0.0f),
        limit_(t * 255.0f),
        offset_(t == 0.0f ? 0.0f : std::fabs(t) - 1.0f),
        lowering_(255.0 * static_cast<double>(offset_)) {}

  // 0 (border) where either response reaches the threshold, 255 otherwise.
  float value(float vertical, float horizontal, float sample) const {
    const float limit = constant_ ? limit_
                        : offset_ == 0.0f
                            ? sample
                            : static_cast<float>(static_cast<double>(sample) - lowering_);
    return std::fabs(vertical) >= limit || std::fabs(horizontal) >= limit ? 0.0f : 255.0f;
  }

 private:
  bool constant_;
  float limit_;
  float offset_;
  double lowering_;
};

}  // namespace

int filter2(const _image& mask, const _image& source, _cut_type cut, float outside,
            _image& result) {
  // Filtering in place, or into the mask, must read the inputs as they were before the call.
  if (&source == &result) {
    const _image copy(source);
    return filter2(mask, copy, cut, outside, result);
  }
  if (&mask == &result) {
    const _image copy(mask);
    return filter2(copy, source, cut, outside, result);
  }
  if (mask.width % 2 == 0 || mask.height % 2 == 0 || mask.width != mask.height) return -1;
  if (source.height < mask.height || source.width < mask.width) return -1;
  // A raster whose samples do not match its geometry would be read past its end.
  if (!consistent(mask) || !consistent(source)) return -1;
  switch (cut) {
    case cut_same:
      correlate_same(mask, source, outside, result);
      return 0;
    case cut_valid:
      correlate_valid(mask, source, result);
      return 0;
    case cut_unused:
      return 0;
    case cut_none:
    default:
      return -1;
  }
}

void find_borders(const _image& source, float threshold, _image& borders) {
  if (&source == &borders) {
    const _image copy(source);
    find_borders(copy, threshold, borders);
    return;
  }
  // The border raster always takes the source's size; a picture too small for the masks (or
  // none at all) has no border pixels.
  const uint32_t width = source.width, height = source.height;
  borders.width = width;
  borders.height = height;
  borders.samples.assign(static_cast<size_t>(width) * height, 255.0f);
  if (width < 3 || height < 3 || !consistent(source)) return;

  // Row by row, so that no picture-sized response rasters are needed.
  std::vector<float> vertical(width);
  std::vector<float> horizontal(width);
  std::optional<scaled_rows> scaled;
  if (finite_for_sobel(source)) scaled.emplace(source, 3);
  const sobel_masks masks;
  const border_rule rule(threshold);
  for (uint32_t r = 0; r < height; ++r) {
    sobel_row(masks, source, scaled ? &*scaled : nullptr, static_cast<int>(r), vertical.data(),
              horizontal.data());
    const float* in = source.samples.data() + static_cast<size_t>(r) * width;
    float* out = borders.samples.data() + static_cast<size_t>(r) * width;
    for (uint32_t c = 0; c < width; ++c) out[c] = rule.value(vertical[c], horizontal[c], in[c]);
  }
}

}  // namespace stippon
