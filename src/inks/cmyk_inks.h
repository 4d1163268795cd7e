#pragma once

#include <array>
#include <cstdint>

#include "image/image.h"
#include "image/rgb_image.h"
#include "inks/cmyk_separation.h"
#include "parallel/thread_pool.h"
#include "stipple/dot_plan.h"
#include "stipple/stipple_settings.h"
#include "tones/tone_lookup.h"

namespace stippon {

// The four inks of a CMYK print before their dots are drawn: the photograph separated, and each
// ink's separation made into a halftone grid as the grey picture is. Each ink is stippled with a
// seed of its own and its dots moved by a part of a cell of their own, so that the inks' dots
// neither repeat nor sit on one another.
class _cmyk_inks {
 public:
  // Separates the photograph (its colour, or its grey where it has none) and makes each ink's
  // halftone grid at enlargement r, through lookup (tone matching the dots to the separation).
  void derive(const _cmyk_separation& separation, const _image& grey, const _rgb_image& colour,
              float r, float borders_threshold, const _tone_lookup& lookup, _thread_pool* pool);
  bool empty() const { return halftones[0].width == 0 || halftones[0].height == 0; }
  const _image& halftone(int ink) const { return halftones[size_t(ink)]; }

  // The dots of each ink at output scale k, from the pattern's seed.
  std::array<_dot_plan, INK_COUNT> plans(const _stipple_settings& settings, int k,
                                         int64_t seed) const;
  static _grid_shift shift(int ink);
  static uint32_t seed(int ink, int64_t pattern_seed);

 private:
  std::array<_image, INK_COUNT> halftones;
};

}  // namespace stippon
