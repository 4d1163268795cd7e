#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "image/image.h"
#include "image/rgb_image.h"
#include "inks/cmyk_separation.h"
#include "parallel/thread_pool.h"
#include "stipple/dot_plan.h"
#include "stipple/relaxation.h"
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

  // Whether relax() kept the places these settings and seed ask for.
  bool has_places(const _stipple_settings& settings, int64_t pattern_seed) const {
    return relaxed_for == _relaxed_draws::of(settings, pattern_seed);
  }
  // Under relaxed placement, each ink's relaxed places for the pattern's seed, made unless kept
  // from an earlier call for the same draws; rounds is told (ink x rounds + round, of all) and
  // false stops them. False when stopped: no places are kept then.
  bool relax(const _stipple_settings& settings, int64_t pattern_seed, _thread_pool* pool,
             const _relaxed_dots::_rounds& rounds = {});
  // The dots of each ink at output scale k, from the pattern's seed; under relaxed placement at
  // the places relax() kept, or at places made for the call on the pool's threads.
  std::array<_dot_plan, INK_COUNT> plans(const _stipple_settings& settings, int k,
                                         int64_t pattern_seed, _thread_pool* pool = nullptr) const;
  static _grid_shift shift(int ink);
  static uint32_t seed(int ink, int64_t pattern_seed);

 private:
  std::array<_image, INK_COUNT> halftones;
  // Each ink's separation at the grid's size after the tone lookup: the darkness its relaxed
  // dots spread over.
  std::array<_image, INK_COUNT> tones;
  std::array<_relaxed_dots, INK_COUNT> relaxed;
  std::optional<_relaxed_draws> relaxed_for;

  _relaxed_dots relaxed_ink(const _stipple_settings& settings, int ink, int64_t pattern_seed,
                            _thread_pool* pool, const _relaxed_dots::_rounds& rounds) const;
};

}  // namespace stippon
