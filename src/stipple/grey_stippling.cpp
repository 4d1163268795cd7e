// Grey stippling: every black halftone pixel becomes one dot copied from the dot library, with a
// random size, jitter and variant drawn from the raster's seeded generators.

#include <cstdlib>
#include <ctime>
#include <numeric>
#include <vector>

#include "image/image.h"
#include "image/sample_cast.h"
#include "stipple/dot_library.h"
#include "stipple/dot_placement.h"

namespace stippon {

namespace {

// Generator roles in _image::random_generators.
constexpr int VARIANT_ROW = 0;
constexpr int VARIANT_COLUMN = 1;
constexpr int DOT_SIZE = 2;
constexpr int JITTER = 4;

// Rows of a raster that really have samples behind them (guards an inconsistent set()).
unsigned filled_rows(const _image& image) {
  if (image.width == 0) return 0;
  return unsigned(std::min<size_t>(image.height, image.samples.size() / image.width));
}

unsigned draw_size(_uniform_random& sizes, _random_distribution distribution) {
  if (distribution == distribution_random) return to_position(sizes.draw());
  const float u1 = sizes.draw();
  const float u2 = sizes.draw();
  const float u3 = sizes.draw();
  const float u4 = sizes.draw();
  return to_position((((u1 + u2) + u3) + u4) * 0.25f);
}

// Merges one row of dot samples into the ground. Each functor is the per-sample rule of
// _image::put_add, so the clipped loop gives the same samples as merging one by one.
struct _merge_product {
  float operator()(float ground, float dot) const { return (dot * ground) / 255.0f; }
};
struct _merge_minimum {
  float operator()(float ground, float dot) const { return ground > dot ? dot : ground; }
};
struct _merge_black_white {
  unsigned short black_level;
  float operator()(float ground, float dot) const {
    const float product = (dot * ground) / 255.0f;
    const auto level = static_cast<unsigned short>(truncate_sample(product));
    return level < black_level ? 0.0f : 255.0f;
  }
};

template <class Merge>
void merge_rows(_image& target, unsigned row, unsigned column, const _image& sheet,
                uint64_t cell_row, uint64_t cell_column, _dot_span rows, _dot_span columns,
                Merge merge) {
  const unsigned count = columns.high - columns.low;
  for (unsigned i = rows.low; i < rows.high; ++i) {
    float* out = target.samples.data() + size_t(unsigned(row + i)) * target.width +
                 unsigned(column + columns.low);
    const float* in =
        sheet.samples.data() + (cell_row + i) * sheet.width + cell_column + columns.low;
    for (unsigned j = 0; j < count; ++j) out[j] = merge(out[j], in[j]);
  }
}

}  // namespace

void _image::save_seeds() {
  for (_uniform_random& generator : random_generators) generator.seed = time(nullptr);
}

void _image::load_seeds() {
  for (const _uniform_random& generator : random_generators)
    srandom(static_cast<unsigned>(generator.seed));
}

void _image::copy_seeds(_image& source) {
  for (int i = 0; i < 6; ++i) random_generators[i] = source.random_generators[i];
}

void _image::stippling2(float scale_factor, float, float displacement, _image& halftone, _image&,
                        _image** dots, unsigned short variant_rows,
                        unsigned short variant_max_column, unsigned short low_density_min,
                        unsigned short low_density_max, unsigned short, unsigned short,
                        unsigned short, unsigned short, bool black_white,
                        unsigned short black_level, int output_scale, _merging_function merging,
                        _random_distribution distribution) {
  load_seeds();
  _uniform_random& variant_row = random_generators[VARIANT_ROW];
  _uniform_random& variant_column = random_generators[VARIANT_COLUMN];
  _uniform_random& sizes = random_generators[DOT_SIZE];
  _uniform_random& jitter = random_generators[JITTER];
  variant_row.set_range(0.0f, float(double(variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(variant_max_column) + 0.9));
  sizes.set_range(float(low_density_min), float(low_density_max) + 0.5f);
  jitter.set_range(-displacement, displacement);

  const float k = float(output_scale);
  const unsigned rows = filled_rows(halftone);
  for (unsigned r = 0; r < rows; ++r) {
    const float* line = halftone.samples.data() + size_t(r) * halftone.width;
    for (unsigned c = 0; c < halftone.width; ++c) {
      if (line[c] != 0.0f) continue;
      // The order of the draws is what lets a save with copied seeds repeat the preview.
      const unsigned size = draw_size(sizes, distribution);
      const float u_row = jitter.draw();
      const float y = float(r) * scale_factor * k + k * (6.0f * u_row);
      const float u_column = jitter.draw();
      const float x = float(c) * scale_factor * k + (6.0f * u_column) * k;
      const unsigned b = to_position(variant_column.draw());
      const unsigned a = to_position(variant_row.draw());
      _image* sheet = dots != nullptr && size < unsigned(DOT_SLOTS) ? dots[size] : nullptr;
      put_dot(to_position(y), to_position(x), size, a, b, sheet, black_white, black_level,
              output_scale, merging);
    }
  }
}

void _image::put_dot(unsigned row, unsigned column, unsigned size, unsigned variant_row,
                     unsigned variant_column, _image*& dot, bool black_white,
                     unsigned short black_level, int output_scale, _merging_function merging) {
  if (dot == nullptr || output_scale <= 0) return;
  const _image& sheet = *dot;
  const uint64_t n = uint64_t(output_scale) * size;
  if (n == 0 || n > 0xFFFFu) return;  // a dot is at most 19 x 4 samples wide
  const uint64_t cell_row = variant_row * n;
  const uint64_t cell_column = variant_column * n;
  // Clip once against the target and the sheet cell; cell samples beyond the sheet leave the
  // target unchanged.
  const _dot_span rows =
      _dot_span::clip(row, unsigned(n), filled_rows(*this), cell_row, filled_rows(sheet));
  const _dot_span columns = _dot_span::clip(column, unsigned(n), width, cell_column, sheet.width);
  if (rows.empty() || columns.empty()) return;

  if (black_white)
    merge_rows(*this, row, column, sheet, cell_row, cell_column, rows, columns,
               _merge_black_white{black_level});
  else if (merging == merging_minimum)
    merge_rows(*this, row, column, sheet, cell_row, cell_column, rows, columns, _merge_minimum{});
  else
    merge_rows(*this, row, column, sheet, cell_row, cell_column, rows, columns, _merge_product{});
}

void _image::put_dot(unsigned row, unsigned column, unsigned size, unsigned variant_column,
                     _image*& dot, bool black_white, unsigned short black_level, int output_scale,
                     _merging_function merging) {
  put_dot(row, column, size, 0, variant_column, dot, black_white, black_level, output_scale,
          merging);
}

void _image::put_dot(unsigned row, unsigned column, unsigned size, float value) {
  const _dot_span rows = _dot_span::clip(row, size, filled_rows(*this), 0, size);
  const _dot_span columns = _dot_span::clip(column, size, width, 0, size);
  if (rows.empty() || columns.empty()) return;
  for (unsigned i = rows.low; i < rows.high; ++i) {
    float* out =
        samples.data() + size_t(unsigned(row + i)) * width + unsigned(column + columns.low);
    for (unsigned j = 0; j < columns.high - columns.low; ++j) out[j] = (value + out[j]) * 0.5f;
  }
}

// The earlier entry point: kept for its interface, it places no dot and draws no random numbers.
void _image::stippling(float, float, float, _image&, _image**, unsigned short, unsigned short,
                       unsigned short, unsigned short, unsigned short, unsigned short,
                       unsigned short) {}

_image& _image::random(float level) {
  std::fill(samples.begin(), samples.end(), 0.0f);
  srandom(static_cast<unsigned>(time(nullptr)));
  const size_t total = samples.size();
  const float wanted = float(size_t(width) * height) * level / 255.0f;
  if (!(wanted > 0.0f)) return *this;
  if (wanted >= float(total)) {
    // Every sample is asked for: fill at once instead of hunting for the last free ones.
    std::fill(samples.begin(), samples.end(), 255.0f);
    return *this;
  }
  const size_t count = size_t(wanted);
  // A partial shuffle picks distinct samples in bounded time.
  std::vector<unsigned> order(total);
  std::iota(order.begin(), order.end(), 0u);
  for (size_t i = 0; i < count; ++i) {
    const size_t j = i + size_t(::random()) % (total - i);
    std::swap(order[i], order[j]);
    samples[order[i]] = 255.0f;
  }
  return *this;
}

}  // namespace stippon
