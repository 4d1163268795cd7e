// Colour stippling: dots on border pixels and on black halftone pixels, inked through a ramp from
// the source colour to white, with the dot size chosen by the local halftone density.

#include <cstdlib>

#include "image/sample_cast.h"
#include "image/texture.h"
#include "stipple/dot_library.h"
#include "stipple/dot_placement.h"
#include "tones/color_ramp.h"

namespace stippon {

namespace {

unsigned filled_rows(const _image& image) {
  if (image.width == 0) return 0;
  return unsigned(std::min<size_t>(image.height, image.samples.size() / image.width));
}

// The per-channel rules of _texture::put_add. The product of two bytes is exact in single
// precision and never lies within rounding distance of a multiple of 255, so integer division
// truncates exactly as the float-product / double-division rule does.
struct _ink_product {
  void operator()(_pixel& texel, _pixel ink) const {
    texel.r = static_cast<unsigned char>(unsigned(texel.r) * ink.r / 255u);
    texel.g = static_cast<unsigned char>(unsigned(texel.g) * ink.g / 255u);
    texel.b = static_cast<unsigned char>(unsigned(texel.b) * ink.b / 255u);
  }
};
struct _ink_minimum {
  void operator()(_pixel& texel, _pixel ink) const {
    texel.r = std::min(texel.r, ink.r);
    texel.g = std::min(texel.g, ink.g);
    texel.b = std::min(texel.b, ink.b);
  }
};

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
    for (unsigned j = 0; j < count; ++j) ink(out[j], ramp[low_byte(in[j])]);
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

// The colour of a dot: the source's colour where it has one, else the last taken for this kind.
_pixel dot_colour(const _texture& source, unsigned row, unsigned column, _pixel& memory) {
  if (row < source.height && column < source.width &&
      size_t(row) * source.width + column < source.texels.size())
    memory = source.texels[size_t(row) * source.width + column];
  return memory;
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

void _texture::put_dot(unsigned row, unsigned column, unsigned size, unsigned variant_row,
                       unsigned variant_column, _image*& dot, _pixel colour, int output_scale,
                       _merging_function merging) {
  const _color_ramp ramp(colour);
  put_inked_dot(*this, row, column, size, variant_row, variant_column, dot, ramp, output_scale,
                merging);
}

void _texture::color_stippling(float scale_factor, float displacement_low, float displacement,
                               _image& halftone, _image& borders, _texture& colour_source,
                               _image** dots, unsigned short variant_rows,
                               unsigned short variant_max_column, unsigned short low_density_min,
                               unsigned short low_density_max, unsigned short high_density_min,
                               unsigned short high_density_max, unsigned short contrast_threshold,
                               unsigned short, bool, unsigned short, int output_scale,
                               _merging_function merging, _random_distribution) {
  const float k = float(output_scale);
  _uniform_random low_sizes;
  _uniform_random high_sizes;
  _uniform_random variant_row;
  _uniform_random variant_column;
  _uniform_random jitter;
  low_sizes.set_range(float(low_density_min), float(low_density_max) + 0.5f);
  high_sizes.set_range(float(high_density_min), float(high_density_max) + 0.5f);
  variant_row.set_range(0.0f, float(double(variant_rows) - 0.1));
  variant_column.set_range(0.0f, float(double(variant_max_column) + 0.9));
  jitter.set_range(displacement_low * k, displacement * k);

  // Nothing has been inked before the first dot: both memories start as four zero bytes.
  _pixel border_memory(0, 0, 0, 0);
  _pixel halftone_memory(0, 0, 0, 0);
  _pixel ramp_colour = border_memory;
  _color_ramp ramp(ramp_colour);

  const unsigned border_rows = filled_rows(borders);
  const unsigned rows = filled_rows(halftone);
  for (unsigned r = rows; r-- > 0;) {
    const float* line = halftone.samples.data() + size_t(r) * halftone.width;
    for (unsigned c = 0; c < halftone.width; ++c) {
      // A borders raster smaller than the halftone counts as white beyond its edge.
      const bool border = r < border_rows && c < borders.width &&
                          borders.samples[size_t(r) * borders.width + c] == 0.0f;
      if (!border && line[c] != 0.0f) continue;
      const bool sparse = halftone.density(r, c) >= float(contrast_threshold);
      _uniform_random& sizes = sparse ? low_sizes : high_sizes;
      const unsigned size = to_position(sizes.draw());
      const _pixel colour =
          dot_colour(colour_source, r, c, border ? border_memory : halftone_memory);

      const float u1 = jitter.draw();
      const float u2 = jitter.draw();
      const unsigned b = to_position(variant_column.draw());
      const unsigned a = to_position(variant_row.draw());
      const float y = float(r) * scale_factor * k + u1;
      const float x = float(c) * scale_factor * k + u2;
      if (!(colour == ramp_colour)) {
        ramp_colour = colour;
        ramp = _color_ramp(colour);
      }
      const _image* sheet = dots != nullptr && size < unsigned(DOT_SLOTS) ? dots[size] : nullptr;
      put_inked_dot(*this, to_position(y), to_position(x), size, a, b, sheet, ramp, output_scale,
                    merging);
    }
  }
}

}  // namespace stippon
