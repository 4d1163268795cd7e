#include "stipple/banded_print.h"

#include <algorithm>
#include <vector>

#include "image/sample_cast.h"
#include "parallel/ordered_run.h"
#include "stipple/color_ramp.h"
#include "stipple/dot_library.h"
#include "stipple/dot_merge.h"
#include "stipple/dot_placement.h"

namespace stippon {

namespace {

// Bands are stamped a window of columns at a time, narrow enough that the window's samples stay
// in the cache while the dots of every halftone row reaching the band are merged into it: a
// whole band of a wide print would come from memory again for each of those rows.
constexpr unsigned WINDOW_COLUMNS = 1024;

// Output rows or columns [low, high) of the print, rows counted from the bottom.
struct _extent {
  int64_t low = 0;
  int64_t high = 0;
};

// The part of a band being stamped, in a buffer whose rows are `stride` samples apart, the band's
// top row first.
struct _window {
  _extent rows;
  _extent columns;
  size_t stride = 0;
};

// Where one planned dot lands in a window: clipped once against the whole print and its sheet
// cell, then cut to the window's rows and columns.
struct _band_cut {
  const float* sheet_row = nullptr;  // the sheet samples of the cut's bottom row
  size_t sheet_width = 0;
  size_t band_row = 0;  // the window row (counted from its top) of the cut's bottom row
  size_t column = 0;    // counted from the window's left
  unsigned rows = 0;
  unsigned count = 0;
};

bool cut_dot(const _placed_dot& dot, const _image* sheet, uint64_t k, unsigned height,
             unsigned width, const _window& window, _band_cut& cut) {
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
  const int64_t first = std::max<int64_t>(rows.low, window.rows.low - top);
  const int64_t last = std::min<int64_t>(rows.high, window.rows.high - top);
  const int64_t corner = _dot_plan::signed_position(dot.column);
  const int64_t from = std::max<int64_t>(columns.low, window.columns.low - corner);
  const int64_t to = std::min<int64_t>(columns.high, window.columns.high - corner);
  if (first >= last || from >= to) return false;
  cut.sheet_width = sheet->width;
  cut.sheet_row = sheet->samples.data() + (cell_row + uint64_t(first)) * sheet->width +
                  cell_column + uint64_t(from);
  cut.band_row = size_t(window.rows.high - 1 - (top + first));
  cut.column = size_t(corner + from - window.columns.low);
  cut.rows = unsigned(last - first);
  cut.count = unsigned(to - from);
  return true;
}

// Row i of the cut lies i rows above its bottom row: one band row up, one sheet row on.
template <class Merge>
void merge_cut(float* samples, size_t stride, const _band_cut& cut, Merge merge) {
  for (unsigned i = 0; i < cut.rows; ++i)
    merge_span(samples + (cut.band_row - i) * stride + cut.column,
               cut.sheet_row + i * cut.sheet_width, cut.count, merge);
}

template <class Merge>
void stamp_dots(const _dot_plan& plan, _image* const* dots, unsigned height, unsigned width,
                float* samples, const _window& window, Merge merge) {
  const uint64_t k = uint64_t(plan.output_scale());
  plan.each_dot_near(window.rows.low, window.rows.high, window.columns.low, window.columns.high,
                     [&](const _placed_dot& dot) {
                       _band_cut cut;
                       if (cut_dot(dot, dots[dot.size], k, height, width, window, cut))
                         merge_cut(samples, window.stride, cut, merge);
                     });
}

// A ramp is a function of its colour alone: it is built again only when the ink changes.
struct _ramp_cache {
  _pixel colour{0, 0, 0, 0};
  _color_ramp ramp{colour};

  const _pixel* of(_pixel ink) {
    if (!(ink == colour)) {
      colour = ink;
      ramp = _color_ramp(ink);
    }
    return ramp.texels.data();
  }
};

template <class Ink>
void ink_dots(const _dot_plan& plan, _image* const* dots, unsigned height, unsigned width,
              _pixel* texels, const _window& window, _ramp_cache& ramps, Ink ink) {
  const uint64_t k = uint64_t(plan.output_scale());
  plan.each_dot_near(window.rows.low, window.rows.high, window.columns.low, window.columns.high,
                     [&](const _placed_dot& dot) {
                       _band_cut cut;
                       if (!cut_dot(dot, dots[dot.size], k, height, width, window, cut)) return;
                       const _pixel* ramp = ramps.of(dot.colour);
                       for (unsigned i = 0; i < cut.rows; ++i)
                         ink_span(texels + (cut.band_row - i) * window.stride + cut.column,
                                  cut.sheet_row + i * cut.sheet_width, cut.count, ramp, ink);
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
      merging_(settings.merging_function) {
  for (int size = 0; dots_ != nullptr && size < DOT_SLOTS; ++size)
    if (dots_[size] != nullptr)
      for (const float sample : dots_[size]->samples)
        sheets_of_bytes_ = sheets_of_bytes_ && sample >= 0.0f && sample <= 255.0f;
}

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

template <class Slot, class Make, class Take>
bool _banded_print::run(std::vector<Slot>& slots, const Make& make, const Take& take) const {
  if (!fits()) return false;
  return run_in_order(pool_, bands(), slots, make, [&](size_t band, Slot& slot) {
    const unsigned rows = band_height(unsigned(band));
    const unsigned top = unsigned(band) * band_rows_;
    if (!take(slot, top, rows)) return false;
    return !progress_ || progress_(top + rows, height_);
  });
}

// Each window is filled and stamped in turn, while it is in the cache.
void _banded_print::stamp_grey(unsigned band, float* samples) const {
  if (band >= bands()) return;
  for (unsigned left = 0; left < width_; left += WINDOW_COLUMNS)
    stamp_grey_window(band, left, samples + left, width_);
}

void _banded_print::stamp_grey_window(unsigned band, unsigned left, float* samples,
                                      size_t stride) const {
  const unsigned columns = std::min(WINDOW_COLUMNS, width_ - left);
  const unsigned rows = band_height(band);
  for (unsigned r = 0; r < rows; ++r) {
    float* row = samples + r * stride;
#pragma omp simd
    for (unsigned c = 0; c < columns; ++c) row[c] = 255.0f;
  }
  if (dots_ == nullptr || !fits()) return;
  const _window window{
      {band_high(band) - rows, band_high(band)}, {left, int64_t(left) + columns}, stride};
  const _merge_black_white black_white(black_level_);
  if (black_white_ && sheets_of_bytes_)
    stamp_dots(plan_, dots_, height_, width_, samples, window,
               _merge_black_white_in_range{black_white.least_white()});
  else if (black_white_)
    stamp_dots(plan_, dots_, height_, width_, samples, window, black_white);
  else if (merging_ == merging_minimum)
    stamp_dots(plan_, dots_, height_, width_, samples, window, _merge_minimum{});
  else
    stamp_dots(plan_, dots_, height_, width_, samples, window, _merge_product{});
}

void _banded_print::stamp_colour(unsigned band, _pixel paper, _pixel* texels) const {
  if (band >= bands()) return;
  const unsigned rows = band_height(band);
  std::fill_n(texels, size_t(rows) * width_, paper);
  if (dots_ == nullptr || !fits()) return;
  _ramp_cache ramps;
  for (unsigned left = 0; left < width_; left += WINDOW_COLUMNS) {
    const _window window{{band_high(band) - rows, band_high(band)},
                         {left, std::min<int64_t>(int64_t(left) + WINDOW_COLUMNS, width_)},
                         width_};
    if (merging_ == merging_minimum)
      ink_dots(plan_, dots_, height_, width_, texels + left, window, ramps, _ink_minimum{});
    else
      ink_dots(plan_, dots_, height_, width_, texels + left, window, ramps, _ink_product{});
  }
}

bool _banded_print::print_grey(const _grey_band_sink& sink) const {
  if (plan_.inked()) return false;
  const size_t samples = size_t(std::min(band_rows_, height_)) * width_;
  std::vector<std::vector<float>> slots(items_ahead(pool_), std::vector<float>(samples));
  return run(
      slots,
      [&](size_t band, std::vector<float>& slot) { stamp_grey(unsigned(band), slot.data()); },
      [&](const std::vector<float>& slot, unsigned top, unsigned rows) {
        return sink(slot.data(), top, rows);
      });
}

bool _banded_print::print_grey(_image& raster) const {
  raster.dimensions(height_, width_);
  raster.create(true);
  return print_grey([&raster](const float* band, unsigned top, unsigned rows) {
    for (unsigned i = 0; i < rows; ++i)
      std::copy_n(band + size_t(i) * raster.width, raster.width,
                  raster.samples.begin() + size_t(raster.height - 1 - top - i) * raster.width);
    return true;
  });
}

// The samples of a window are needed only until they are bytes: a slot holds one window's
// beside its band's bytes, so that memory follows the bytes of the bands, not their samples.
bool _banded_print::print_bytes(const _byte_band_sink& sink) const {
  if (plan_.inked()) return false;
  const size_t band_rows = std::min(band_rows_, height_);
  struct _slot {
    std::vector<unsigned char> bytes;
    std::vector<float> window;
  };
  std::vector<_slot> slots(items_ahead(pool_),
                           _slot{std::vector<unsigned char>(band_rows * width_),
                                 std::vector<float>(band_rows * WINDOW_COLUMNS)});
  return run(
      slots,
      [&](size_t band, _slot& slot) {
        for (unsigned left = 0; left < width_; left += WINDOW_COLUMNS) {
          stamp_grey_window(unsigned(band), left, slot.window.data(), WINDOW_COLUMNS);
          const unsigned columns = std::min(WINDOW_COLUMNS, width_ - left);
          for (unsigned r = 0; r < band_height(unsigned(band)); ++r)
            low_bytes(slot.window.data() + size_t(r) * WINDOW_COLUMNS, columns,
                      slot.bytes.data() + size_t(r) * width_ + left);
        }
      },
      [&](const _slot& slot, unsigned top, unsigned rows) {
        return sink(slot.bytes.data(), top, rows);
      });
}

bool _banded_print::print_colour(const _colour_band_sink& sink, _pixel paper) const {
  if (!plan_.inked()) return false;
  const size_t texels = size_t(std::min(band_rows_, height_)) * width_;
  std::vector<std::vector<_pixel>> slots(items_ahead(pool_), std::vector<_pixel>(texels));
  return run(
      slots,
      [&](size_t band, std::vector<_pixel>& slot) {
        stamp_colour(unsigned(band), paper, slot.data());
      },
      [&](const std::vector<_pixel>& slot, unsigned top, unsigned rows) {
        return sink(slot.data(), top, rows);
      });
}

}  // namespace stippon
