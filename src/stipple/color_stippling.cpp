// Colour stippling: dots on border pixels and on black halftone pixels, inked through a ramp from
// the source colour to white, with the dot size chosen by the local halftone density.

#include "image/texture.h"
#include "stipple/dot_library.h"
#include "stipple/dot_merge.h"
#include "stipple/dot_placement.h"
#include "stipple/dot_walk.h"
#include "stipple/random_stream.h"
#include "tones/color_ramp.h"

namespace stippon {

namespace {

template <class Ink>
void ink_rows(_texture& target, unsigned row, unsigned column, const _image& sheet,
              uint64_t cell_row, uint64_t cell_column, _dot_span rows, _dot_span columns,
              const _pixel* ramp, Ink ink) {
  const unsigned count = columns.high - columns.low;
  for (unsigned i = rows.low; i < rows.high; ++i) {
    _pixel* out = target.texels.data() + size_t(unsigned(row + i)) * target.width +
                  unsigned(column + columns.low);
    const float* in =
        sheet.samples.data() + (cell_row + i) * sheet.width + cell_column + columns.low;
    ink_span(out, in, count, ramp, ink);
  }
}

// Draws one dot through an already built ramp, so a run of equally coloured dots builds it once.
void put_inked_dot(_texture& target, unsigned row, unsigned column, unsigned size,
                   unsigned variant_row, unsigned variant_column, const _image* dot,
                   const _color_ramp& ramp, int output_scale, _merging_function merging) {
  if (dot == nullptr || output_scale <= 0 || ramp.texels.size() < 256) return;
  const uint64_t n = uint64_t(output_scale) * size;
  if (n == 0 || n > 0xFFFFu) return;
  const uint64_t cell_row = variant_row * n;
  const uint64_t cell_column = variant_column * n;
  const unsigned target_rows =
      target.width == 0
          ? 0
          : unsigned(std::min<size_t>(target.height, target.texels.size() / target.width));
  const _dot_span rows =
      _dot_span::clip(row, unsigned(n), target_rows, cell_row, filled_rows(*dot));
  const _dot_span columns =
      _dot_span::clip(column, unsigned(n), target.width, cell_column, dot->width);
  if (rows.empty() || columns.empty()) return;
  if (merging == merging_minimum)
    ink_rows(target, row, column, *dot, cell_row, cell_column, rows, columns, ramp.texels.data(),
             _ink_minimum{});
  else
    ink_rows(target, row, column, *dot, cell_row, cell_column, rows, columns, ramp.texels.data(),
             _ink_product{});
}

}  // namespace

float _image::density(unsigned row, unsigned column) const {
  float sum = 0.0f;
  unsigned count = 0;
  const unsigned rows = filled_rows(*this);
  for (int dr = -1; dr <= 1; ++dr) {
    for (int dc = -1; dc <= 1; ++dc) {
      const unsigned r = row + unsigned(dr);
      const unsigned c = column + unsigned(dc);
      if (r >= rows || c >= width) continue;
      sum += samples[size_t(r) * width + c];
      ++count;
    }
  }
  return count == 0 ? 0.0f : sum / float(count);
}

void _texture::color_stippling(float scale_factor, float displacement_low, float displacement,
                               _image& halftone, _image& borders, _texture& colour_source,
                               _image** dots, unsigned short variant_rows,
                               unsigned short variant_max_column, unsigned short low_density_min,
                               unsigned short low_density_max, unsigned short high_density_min,
                               unsigned short high_density_max, unsigned short contrast_threshold,
                               unsigned short, bool, unsigned short, int output_scale,
                               _merging_function merging, _random_distribution) {
  const _colour_walk walk(scale_factor, displacement_low, displacement, variant_rows,
                          variant_max_column, low_density_min, low_density_max, high_density_min,
                          high_density_max, contrast_threshold, output_scale);
  _pixel ramp_colour(0, 0, 0, 0);
  _color_ramp ramp(ramp_colour);
  _global_random source;
  walk.run(halftone, borders, colour_source, source,
           [&](unsigned, unsigned, const _placed_dot& dot) {
             if (!(dot.colour == ramp_colour)) {
               ramp_colour = dot.colour;
               ramp = _color_ramp(dot.colour);
             }
             const _image* sheet =
                 dots != nullptr && dot.size < unsigned(DOT_SLOTS) ? dots[dot.size] : nullptr;
             put_inked_dot(*this, dot.row, dot.column, dot.size, dot.variant_row,
                           dot.variant_column, sheet, ramp, output_scale, merging);
           });
}

}  // namespace stippon
