#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "image/pixel.h"
#include "inks/cmyk_separation.h"
#include "parallel/thread_pool.h"
#include "stipple/banded_print.h"
#include "stipple/dot_plan.h"

namespace stippon {

// A band of a CMYK print: `rows` rows of the print's width, the topmost first, `top` rows below
// the top of the print, as bytes (4 a pixel for the inks, 3 for their colour). Returning false
// stops the print.
using _ink_band_sink = std::function<bool(const uint8_t* bytes, unsigned top, unsigned rows)>;

// The four inks' dots stamped as four grey prints of one size, band by band, so that memory
// follows the width: each band handed on as the inks' amounts, or as their colour on white paper
// where each ink lets through the light its colour does (a multiply of the inks, as a press lays
// transparent inks over one another).
class _cmyk_print {
 public:
  // The plans and the sheets must outlive the print.
  _cmyk_print(const std::array<_dot_plan, INK_COUNT>& plans, _image* const* dots, unsigned height,
              unsigned width, const _stipple_settings& settings);

  unsigned height() const { return prints[0]->height(); }
  unsigned width() const { return prints[0]->width(); }
  // Bands are stamped on the pool's threads and handed on in order on the calling thread.
  void set_pool(_thread_pool* pool) { pool_ = pool; }
  void set_progress(_band_progress progress) { progress_ = std::move(progress); }

  // Each ink's amount, 0 (paper) to 255 (solid), cyan, magenta, yellow, black.
  bool print_inks(const _ink_band_sink& sink) const;
  // The inks' colour on white paper, each ink seen as `colours` gives it solid.
  bool print_colour(const std::array<_pixel, INK_COUNT>& colours, const _ink_band_sink& sink) const;

 private:
  template <class Compose>
  bool run(unsigned channels, const Compose& compose, const _ink_band_sink& sink) const;

  std::array<std::unique_ptr<_banded_print>, INK_COUNT> prints;
  _thread_pool* pool_ = nullptr;
  _band_progress progress_;
};

}  // namespace stippon
