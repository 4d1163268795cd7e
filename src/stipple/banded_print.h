#pragma once

#include <functional>
#include <vector>

#include "image/image.h"
#include "image/pixel.h"
#include "parallel/thread_pool.h"
#include "stipple/dot_plan.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// A finished band of the print: `rows` rows of the print's width, the topmost first, the first
// of them `top` rows below the top of the print. Returning false stops the print.
using _grey_band_sink = std::function<bool(const float* samples, unsigned top, unsigned rows)>;
// The same band as the bytes a print file holds (each sample truncated by low_byte).
using _byte_band_sink =
    std::function<bool(const unsigned char* bytes, unsigned top, unsigned rows)>;
using _colour_band_sink = std::function<bool(const _pixel* texels, unsigned top, unsigned rows)>;
// Rows finished so far of the total, after each band; returning false stops the print.
using _band_progress = std::function<bool(unsigned done, unsigned total)>;

// Stamps a dot plan into a print of height x width samples a band of rows at a time, top band
// first, and hands each band on once every dot that reaches it has been stamped. Each sample
// meets its dots in the plan's order, so the bands hold exactly the samples stippling the whole
// raster gives, while memory follows the width and the band height, not the height.
class _banded_print {
 public:
  // The plan and the sheets are read while printing and must outlive the print; the settings
  // give the merging rule. dots is a row of DOT_SLOTS sheets (a row of the dot library at the
  // plan's output scale), or null for none.
  _banded_print(const _dot_plan& plan, _image* const* dots, unsigned height, unsigned width,
                const _stipple_settings& settings);

  unsigned height() const { return height_; }
  unsigned width() const { return width_; }
  // Rows per band, 64 unless set; at least 1.
  void set_band_rows(unsigned rows);
  void set_progress(_band_progress progress) { progress_ = std::move(progress); }
  // Bands are stamped on the pool's threads, as many at once as it has, and still handed on one
  // at a time, in order, on the calling thread; without a pool (or with one thread) they are
  // stamped there. The pool must outlive the print.
  void set_pool(_thread_pool* pool) { pool_ = pool; }

  // Each runs the whole print through the sink: true when every band was handed on, false when
  // the sink or the progress stopped it (or a grey print was asked of a colour plan, or the
  // reverse, or the print has 2^31 rows or columns or more).
  bool print_grey(const _grey_band_sink& sink) const;
  // The whole grey print into raster, made white at the print's size first (row 0 at the
  // bottom, as rasters keep their rows).
  bool print_grey(_image& raster) const;
  bool print_bytes(const _byte_band_sink& sink) const;
  // A colour print on paper of the given colour, as the window fills its texture before stippling.
  bool print_colour(const _colour_band_sink& sink, _pixel paper) const;

  // The bands, top first: band i starts i x band rows below the top of the print, and all but
  // the last are full.
  unsigned bands() const;
  unsigned band_height(unsigned band) const;
  // Stamps band `band` (below bands()) into band_height(band) x width samples (or texels), its
  // top row first. Reads only the plan and the sheets, so bands may be stamped on several threads
  // at once.
  void stamp_grey(unsigned band, float* samples) const;
  void stamp_colour(unsigned band, _pixel paper, _pixel* texels) const;

 private:
  // Stamps the bands into slots with make(band, slot) and hands them to take(slot, top, rows).
  template <class Slot, class Make, class Take>
  bool run(std::vector<Slot>& slots, const Make& make, const Take& take) const;
  bool fits() const;
  // Fills and stamps a window of columns of a band, from `left` to the window's width or the
  // print's edge, into samples whose rows are `stride` apart.
  void stamp_grey_window(unsigned band, unsigned left, float* samples, size_t stride) const;
  // The output rows [low, high) of a band, row 0 at the bottom of the print.
  int64_t band_high(unsigned band) const { return int64_t(height_) - int64_t(band) * band_rows_; }

  const _dot_plan& plan_;
  _image* const* dots_;
  unsigned height_;
  unsigned width_;
  bool black_white_;
  // Every sample of the sheets lies in [0, 255], as a sheet read from a file does: the ground
  // stays there under every rule, so that no black and white product leaves its range.
  bool sheets_of_bytes_ = true;
  unsigned short black_level_;
  _merging_function merging_;
  unsigned band_rows_ = 64;
  _band_progress progress_;
  _thread_pool* pool_ = nullptr;
};

}  // namespace stippon
