#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "image/image.h"
#include "parallel/thread_pool.h"
#include "stipple/random_stream.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// A place on the halftone grid in grid units: sample (r, c) covers rows [r, r + 1) and columns
// [c, c + 1), row 0 at the bottom.
struct _grid_point {
  float row = 0.0f;
  float column = 0.0f;
};

// The halftone's dots moved into an even spread, as an artist places them: each black sample's
// dot, in the grey walk's order (bottom row first, left to right), after rounds of Lloyd
// relaxation towards the centroid of its cell, weighted by the darkness the photograph asks for.
// The cells are power cells that give a dot room in proportion to its ink, so that the ink, not
// only the dots, spreads evenly. Computed once per halftone and set of sizes, in grid units, so
// that every output scale places the same dots; the result depends only on the inputs, not on
// the number of threads.
class _relaxed_dots {
 public:
  // The final jitter, in local spacings per unit of the placement randomness (whose draws run
  // from -randomness to randomness): at the default 0.25 small enough to keep the spread even.
  static constexpr float JITTER_PER_RANDOMNESS = 0.15f;

  _relaxed_dots() = default;
  // Told the rounds done, of all, before each round and once all are done; false before a round
  // stops the relaxation, which then places no dots.
  using _rounds = std::function<bool(unsigned done, unsigned total)>;

  // The dots of halftone (0 where a dot stands) with the sizes they draw, in walk order, relaxed
  // over the darkness of tones (the grid image the halftone was made from, 0 black .. 255
  // white). Sizes that do not match the dots give every dot the same room. The cells are made on
  // the pool's threads, or on the calling thread without one.
  static _relaxed_dots relax(const _image& halftone, const _image& tones,
                             const std::vector<uint8_t>& sizes, _thread_pool* pool = nullptr,
                             const _rounds& rounds = {});
  // The dots of a grey stippling run with these settings, whose sizes the walk draws from stream.
  static _relaxed_dots of(const _stipple_settings& settings, const _image& halftone,
                          const _image& tones, const _random_stream& stream,
                          _thread_pool* pool = nullptr, const _rounds& rounds = {});

  size_t size() const { return rows_.size(); }
  // Dot i's place before its jitter.
  _grid_point at(size_t i) const { return {rows_[i], columns_[i]}; }
  // Dot i's place moved by the walk's jitter draws (each in -randomness .. randomness), scaled to
  // the spacing of the dots around it.
  _grid_point centre(size_t i, float u_row, float u_column) const {
    const float reach = JITTER_PER_RANDOMNESS * spacings_[i];
    return {rows_[i] + u_row * reach, columns_[i] + u_column * reach};
  }

  bool operator==(const _relaxed_dots&) const = default;

 private:
  std::vector<float> rows_;
  std::vector<float> columns_;
  std::vector<float> spacings_;  // the square root of the dot's cell area
};

// What relaxed places depend on besides the halftone and its tones: the seed whose stream draws
// the dots' sizes, and how the sizes are drawn.
struct _relaxed_draws {
  int64_t seed = 0;
  unsigned short low = 0;
  unsigned short high = 0;
  _random_distribution distribution = distribution_random;

  static _relaxed_draws of(const _stipple_settings& settings, int64_t seed) {
    return {seed, settings.low_density_min, settings.low_density_max,
            settings.random_distribution};
  }
  bool operator==(const _relaxed_draws&) const = default;
};

}  // namespace stippon
