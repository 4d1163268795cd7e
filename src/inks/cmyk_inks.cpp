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
    _image original, borders;
    derive_halftone_grid(inks[size_t(ink)], r, borders_threshold, original, borders,
                         halftones[size_t(ink)], lookup, {}, pool);
  }
}

_grid_shift _cmyk_inks::shift(int ink) {
  return SHIFTS[ink];
}

uint32_t _cmyk_inks::seed(int ink, int64_t pattern_seed) {
  return uint32_t(pattern_seed) + SEED_STEP * uint32_t(ink + 1);
}

std::array<_dot_plan, INK_COUNT> _cmyk_inks::plans(const _stipple_settings& settings, int k,
                                                   int64_t pattern_seed) const {
  std::array<_dot_plan, INK_COUNT> inks;
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    _random_stream stream(seed(ink, pattern_seed));
    inks[size_t(ink)] =
        _dot_plan::grey(settings, halftones[size_t(ink)], k, stream, nullptr, shift(ink));
  }
  return inks;
}

}  // namespace stippon
