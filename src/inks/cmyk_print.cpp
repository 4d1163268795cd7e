#include "inks/cmyk_print.h"

#include <cmath>
#include <vector>

#include "image/sample_cast.h"
#include "parallel/ordered_run.h"

namespace stippon {

namespace {

// A band in the making: each ink's samples, and the bytes composed of them.
struct _ink_slot {
  std::array<std::vector<float>, INK_COUNT> samples;
  std::vector<uint8_t> bytes;
};

constexpr float FULL = 255.0f;

}  // namespace

_cmyk_print::_cmyk_print(const std::array<_dot_plan, INK_COUNT>& plans, _image* const* dots,
                         unsigned height, unsigned width, const _stipple_settings& settings) {
  for (int ink = 0; ink < INK_COUNT; ++ink)
    prints[size_t(ink)] =
        std::make_unique<_banded_print>(plans[size_t(ink)], dots, height, width, settings);
}

// compose(samples of the inks, count, bytes) makes a band's bytes of its inks' samples.
template <class Compose>
bool _cmyk_print::run(unsigned channels, const Compose& compose, const _ink_band_sink& sink) const {
  const _banded_print& first = *prints[0];
  const unsigned bands = first.bands();
  std::vector<_ink_slot> slots(items_ahead(pool_));
  unsigned done = 0;
  return run_in_order(
      pool_, bands, slots,
      [&](size_t band, _ink_slot& slot) {
        const size_t count = size_t(first.band_height(unsigned(band))) * first.width();
        for (int ink = 0; ink < INK_COUNT; ++ink) {
          slot.samples[size_t(ink)].resize(count);
          prints[size_t(ink)]->stamp_grey(unsigned(band), slot.samples[size_t(ink)].data());
        }
        slot.bytes.resize(count * channels);
        compose(slot.samples, count, slot.bytes.data());
      },
      [&](size_t band, _ink_slot& slot) {
        const unsigned rows = first.band_height(unsigned(band));
        if (!sink(slot.bytes.data(), done, rows)) return false;
        done += rows;
        return !progress_ || progress_(done, first.height());
      });
}

bool _cmyk_print::print_inks(const _ink_band_sink& sink) const {
  return run(
      INK_COUNT,
      [](const std::array<std::vector<float>, INK_COUNT>& samples, size_t count, uint8_t* bytes) {
        for (size_t i = 0; i < count; ++i)
          for (int ink = 0; ink < INK_COUNT; ++ink)
            bytes[i * INK_COUNT + size_t(ink)] = uint8_t(255 - low_byte(samples[size_t(ink)][i]));
      },
      sink);
}

// Each ink passes, of each primary, 1 - amount x (1 - its colour's share of it); the paper's
// white times what all four pass is the colour seen.
bool _cmyk_print::print_colour(const std::array<_pixel, INK_COUNT>& colours,
                               const _ink_band_sink& sink) const {
  std::array<std::array<std::array<float, 256>, 3>, INK_COUNT> passed;
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    const _pixel c = colours[size_t(ink)];
    const float absorbed[3] = {1.0f - float(c.r) / FULL, 1.0f - float(c.g) / FULL,
                               1.0f - float(c.b) / FULL};
    for (int primary = 0; primary < 3; ++primary)
      for (int amount = 0; amount < 256; ++amount)
        passed[size_t(ink)][size_t(primary)][size_t(amount)] =
            1.0f - float(amount) / FULL * absorbed[primary];
  }
  return run(
      3,
      [&passed](const std::array<std::vector<float>, INK_COUNT>& samples, size_t count,
                uint8_t* bytes) {
        for (size_t i = 0; i < count; ++i) {
          uint8_t amounts[INK_COUNT];
          for (int ink = 0; ink < INK_COUNT; ++ink)
            amounts[ink] = uint8_t(255 - low_byte(samples[size_t(ink)][i]));
          for (int primary = 0; primary < 3; ++primary) {
            float light = FULL;
            for (int ink = 0; ink < INK_COUNT; ++ink)
              light *= passed[size_t(ink)][size_t(primary)][amounts[ink]];
            bytes[i * 3 + size_t(primary)] = uint8_t(std::lround(light));
          }
        }
      },
      sink);
}

}  // namespace stippon
