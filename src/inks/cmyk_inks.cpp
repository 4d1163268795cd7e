#include "inks/cmyk_inks.h"

#include "stipple/random_stream.h"
#include "tones/halftone_grid.h"

namespace stippon {

namespace {

// Each ink's dots moved by half a cell along rows, columns or both from black's: the four
// places of a cell farthest apart.
constexpr _grid_shift SHIFTS[INK_COUNT] = {{0.5f, 0.0f}, {0.0f, 0.5f}, {0.5f, 0.5f}, {0.0f, 0.0f}};
// Seeds of the inks apart from one another and from the grey picture's.
constexpr uint32_t SEED_STEP = 0x9E3779B9u;

}  // namespace

void _cmyk_inks::derive(const _cmyk_separation& separation, const _image& grey,
                        const _rgb_image& colour, float r, float borders_threshold,
                        const _tone_lookup& lookup, _thread_pool* pool) {
  std::array<_image, INK_COUNT> inks = separation.separate(grey, colour);
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    _image borders;
    derive_halftone_grid(inks[size_t(ink)], r, borders_threshold, tones[size_t(ink)], borders,
                         halftones[size_t(ink)], lookup, {}, pool);
  }
  relaxed_for.reset();
}

bool _cmyk_inks::relax(const _stipple_settings& settings, int64_t pattern_seed, _thread_pool* pool,
                       const _relaxed_dots::_rounds& rounds) {
  if (settings.placement != placement_relaxed || has_places(settings, pattern_seed)) return true;
  relaxed_for.reset();
  bool stopped = false;
  for (int ink = 0; ink < INK_COUNT && !stopped; ++ink) {
    const auto ink_rounds = [&](unsigned done, unsigned total) {
      stopped = rounds && !rounds(unsigned(ink) * total + done, INK_COUNT * total);
      return !stopped;
    };
    relaxed[size_t(ink)] = relaxed_ink(settings, ink, pattern_seed, pool, ink_rounds);
  }
  if (!stopped) relaxed_for = _relaxed_draws::of(settings, pattern_seed);
  return !stopped;
}

_relaxed_dots _cmyk_inks::relaxed_ink(const _stipple_settings& settings, int ink,
                                      int64_t pattern_seed, _thread_pool* pool,
                                      const _relaxed_dots::_rounds& rounds) const {
  return _relaxed_dots::of(settings, halftones[size_t(ink)], tones[size_t(ink)],
                           _random_stream(seed(ink, pattern_seed)), pool, rounds);
}

_grid_shift _cmyk_inks::shift(int ink) {
  return SHIFTS[ink];
}

uint32_t _cmyk_inks::seed(int ink, int64_t pattern_seed) {
  return uint32_t(pattern_seed) + SEED_STEP * uint32_t(ink + 1);
}

std::array<_dot_plan, INK_COUNT> _cmyk_inks::plans(const _stipple_settings& settings, int k,
                                                   int64_t pattern_seed, _thread_pool* pool) const {
  const bool relaxing = settings.placement == placement_relaxed;
  const bool kept = has_places(settings, pattern_seed);
  std::array<_dot_plan, INK_COUNT> inks;
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    _relaxed_dots made;
    if (relaxing && !kept) made = relaxed_ink(settings, ink, pattern_seed, pool, {});
    const _relaxed_dots* places = !relaxing ? nullptr : kept ? &relaxed[size_t(ink)] : &made;
    _random_stream stream(seed(ink, pattern_seed));
    inks[size_t(ink)] =
        _dot_plan::grey(settings, halftones[size_t(ink)], k, stream, places, shift(ink));
  }
  return inks;
}

}  // namespace stippon
