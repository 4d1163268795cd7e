#include "stipple/banded_print.h"

#include <algorithm>
#include <vector>

#include "image/sample_cast.h"
#include "stipple/color_ramp.h"
#include "stipple/dot_merge.h"
#include "stipple/dot_placement.h"

namespace stippon {

namespace {

// Where one planned dot lands in a band: clipped once against the whole print and its sheet cell,
// then cut to the band's rows.
struct _band_cut {
  const float* sheet_row = nullptr;  // the sheet samples of the cut's bottom row
  size_t sheet_width = 0;
  size_t band_row = 0;  // the band row (counted from its top) of the cut's bottom row
  size_t column = 0;
  unsigned rows = 0;
  unsigned count = 0;
};

bool cut_dot(const _placed_dot& dot, const _image* sheet, uint64_t k, unsigned height,
             unsigned width, int64_t low, int64_t high, _band_cut& cut) {
  if (sheet == nullptr) return false;
  const uint64_t n = k * dot.size;
  const uint64_t cell_row = dot.variant_row * n;
  const uint64_t cell_column = dot.variant_column * n;
  const _dot_span rows =
      _dot_span::clip(dot.row, unsigned(n), height, cell_row, filled_rows(*sheet));
  const _dot_span columns =
      _dot_span::clip(dot.column, unsigned(n), width, cell_column, sheet->width);
  if (rows.empty() || columns.empty()) return false;
  const int64_t top = _dot_plan::signed_position(dot.row);
  const int64_t first = std::max<int64_t>(rows.low, low - top);
  const int64_t last = std::min<int64_t>(rows.high, high - top);
  if (first >= last) return false;
  cut.sheet_width = sheet->width;
  cut.sheet_row = sheet->samples.data() + (cell_row + uint64_t(first)) * sheet->width +
                  cell_column + columns.low;
  cut.band_row = size_t(high - 1 - (top + first));
  cut.column = unsigned(dot.column + columns.low);
  cut.rows = unsigned(last - first);
  cut.count = columns.high - columns.low;
  return true;
}

// Row i of the cut lies i rows above its bottom row: one band row up, one sheet row on.
template <class Merge>
void merge_cut(float* samples, unsigned width, const _band_cut& cut, Merge merge) {
  for (unsigned i = 0; i < cut.rows; ++i)
    merge_span(samples + (cut.band_row - i) * width + cut.column,
               cut.sheet_row + i * cut.sheet_width, cut.count, merge);
}

template <class Merge>
void stamp_dots(const _dot_plan& plan, _image* const* dots, unsigned height, unsigned width,
                float* samples, int64_t low, int64_t high, Merge merge) {
  const uint64_t k = uint64_t(plan.output_scale());
  plan.each_dot_meeting(low, high, [&](const _placed_dot& dot) {
    _band_cut cut;
    if (cut_dot(dot, dots[dot.size], k, height, width, low, high, cut))
      merge_cut(samples, width, cut, merge);
  });
}

template <class Ink>
void ink_dots(const _dot_plan& plan, _image* const* dots, unsigned height, unsigned width,
              _pixel* texels, int64_t low, int64_t high, Ink ink) {
  const uint64_t k = uint64_t(plan.output_scale());
  // A ramp is a function of its colour alone: build it again only when the ink changes.
  _pixel ramp_colour(0, 0, 0, 0);
  _color_ramp ramp(ramp_colour);
  plan.each_dot_meeting(low, high, [&](const _placed_dot& dot) {
    _band_cut cut;
    if (!cut_dot(dot, dots[dot.size], k, height, width, low, high, cut)) return;
    if (!(dot.colour == ramp_colour)) {
      ramp_colour = dot.colour;
      ramp = _color_ramp(dot.colour);
    }
    for (unsigned i = 0; i < cut.rows; ++i)
      ink_span(texels + (cut.band_row - i) * width + cut.column,
               cut.sheet_row + i * cut.sheet_width, cut.count, ramp.texels.data(), ink);
  });
}

}  // namespace

_banded_print::_banded_print(const _dot_plan& plan, _image* const* dots, unsigned height,
                             unsigned width, const _stipple_settings& settings)
    : plan_(plan),
      dots_(dots),
      height_(height),
      width_(width),
      black_white_(settings.black_white),
      black_level_(static_cast<unsigned short>(settings.black_level)),
      merging_(settings.merging_function) {}

void _banded_print::set_band_rows(unsigned rows) {
  band_rows_ = std::max(rows, 1u);
}

// Positions are read as signed 32-bit ones, as the clipping of a dot reads them.
bool _banded_print::fits() const {
  return height_ <= unsigned(INT32_MAX) && width_ <= unsigned(INT32_MAX);
}

unsigned _banded_print::bands() const {
  return height_ / band_rows_ + (height_ % band_rows_ != 0);
}

unsigned _banded_print::band_height(unsigned band) const {
  return unsigned(std::min<int64_t>(band_rows_, band_high(band)));
}

template <class Band>
bool _banded_print::run(Band band) const {
  if (!fits()) return false;
  for (unsigned i = 0, done = 0; i < bands(); ++i) {
    if (!band(i, done)) return false;
    done += band_height(i);
    if (progress_ && !progress_(done, height_)) return false;
  }
  return true;
}

void _banded_print::stamp_grey(unsigned band, float* samples) const {
  if (band >= bands()) return;
  const int64_t high = band_high(band);
  const int64_t low = high - band_height(band);
  std::fill_n(samples, size_t(high - low) * width_, 255.0f);
  if (dots_ == nullptr || !fits()) return;
  if (black_white_)
    stamp_dots(plan_, dots_, height_, width_, samples, low, high, _merge_black_white{black_level_});
  else if (merging_ == merging_minimum)
    stamp_dots(plan_, dots_, height_, width_, samples, low, high, _merge_minimum{});
  else
    stamp_dots(plan_, dots_, height_, width_, samples, low, high, _merge_product{});
}

void _banded_print::stamp_colour(unsigned band, _pixel paper, _pixel* texels) const {
  if (band >= bands()) return;
  const int64_t high = band_high(band);
  const int64_t low = high - band_height(band);
  std::fill_n(texels, size_t(high - low) * width_, paper);
  if (dots_ == nullptr || !fits()) return;
  if (merging_ == merging_minimum)
    ink_dots(plan_, dots_, height_, width_, texels, low, high, _ink_minimum{});
  else
    ink_dots(plan_, dots_, height_, width_, texels, low, high, _ink_product{});
}

bool _banded_print::print_grey(const _grey_band_sink& sink) const {
  if (plan_.inked()) return false;
  std::vector<float> samples(size_t(std::min(band_rows_, height_)) * width_);
  return run([&](unsigned band, unsigned top) {
    stamp_grey(band, samples.data());
    return sink(samples.data(), top, band_height(band));
  });
}

bool _banded_print::print_bytes(const _byte_band_sink& sink) const {
  if (plan_.inked()) return false;
  std::vector<float> samples(size_t(std::min(band_rows_, height_)) * width_);
  std::vector<unsigned char> bytes(samples.size());
  return run([&](unsigned band, unsigned top) {
    stamp_grey(band, samples.data());
    const unsigned rows = band_height(band);
    const size_t count = size_t(rows) * width_;
    for (size_t i = 0; i < count; ++i) bytes[i] = low_byte(samples[i]);
    return sink(bytes.data(), top, rows);
  });
}

bool _banded_print::print_colour(const _colour_band_sink& sink, _pixel paper) const {
  if (!plan_.inked()) return false;
  std::vector<_pixel> texels(size_t(std::min(band_rows_, height_)) * width_);
  return run([&](unsigned band, unsigned top) {
    stamp_colour(band, paper, texels.data());
    return sink(texels.data(), top, band_height(band));
  });
}

}  // namespace stippon
