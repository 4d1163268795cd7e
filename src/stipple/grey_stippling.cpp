// Grey stippling: every black halftone pixel becomes one dot copied from the dot library, with a
// random size, jitter and variant drawn from the raster's seeded generators.

#include <cstdlib>
#include <ctime>

#include "image/image.h"
#include "stipple/dot_library.h"
#include "stipple/dot_merge.h"
#include "stipple/dot_placement.h"
#include "stipple/dot_walk.h"
#include "stipple/random_stream.h"

namespace stippon {

namespace {

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
    merge_span(out, in, count, merge);
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
  const _grey_walk walk(scale_factor, displacement, variant_rows, variant_max_column,
                        low_density_min, low_density_max, output_scale, distribution);
  _global_random source;
  walk.run(halftone, source, [&](unsigned, unsigned, const _placed_dot& dot) {
    _image* sheet = dots != nullptr && dot.size < unsigned(DOT_SLOTS) ? dots[dot.size] : nullptr;
    put_dot(dot.row, dot.column, dot.size, dot.variant_row, dot.variant_column, sheet, black_white,
            black_level, output_scale, merging);
  });
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

}  // namespace stippon
