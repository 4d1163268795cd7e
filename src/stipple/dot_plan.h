#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/random_stream.h"
#include "image/texture.h"
#include "stipple/dot_walk.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// The generator as stippling2 starts it for this raster: load_seeds hands every generator's seed
// to srandom() in turn, so the last one alone counts.
_random_stream seeded_stream(const _image& preview);

// Every dot of one stippling run, drawn in the run's order but not yet stamped, so that the print
// can be made in bands of rows. A dot is kept in 11 bytes (15 with its ink); dots that cannot
// draw anything whatever the sheets (size 0, or no slot for the size) are left out.
//
// The dots are grouped by the halftone row they stand for, in draw order, each group with the
// output rows its dots reach: a band finds the few groups that can touch it without scanning the
// others.
class _dot_plan {
 public:
  _dot_plan() = default;

  // The dots of stipple_grey at this output scale, drawn from stream, which is left where
  // stippling2 leaves random().
  static _dot_plan grey(const _stipple_settings& settings, const _image& halftone, int output_scale,
                        _random_stream& stream);
  // The dots of stipple_colour at this output scale, drawn from stream (after the grey draws
  // when it continues the preview's sequence, as the window's colour stippling does).
  static _dot_plan colour(const _stipple_settings& settings, const _image& halftone,
                          const _image& borders, const _texture& colour_source, int output_scale,
                          _random_stream& stream);

  int output_scale() const { return output_scale_; }
  bool inked() const { return inked_; }
  size_t size() const { return rows_.size(); }
  _placed_dot dot(size_t index) const;
  // The bytes the plan holds, its index included.
  size_t memory_bytes() const;

  // Calls visit(index) for every dot whose rows [row, row + output scale x size), read as signed
  // positions, meet the output rows [low, high) (row 0 at the bottom), in draw order.
  template <class Visit>
  void each_dot_meeting(int64_t low, int64_t high, Visit&& visit) const {
    const size_t first = first_group(low, high);
    const size_t last = end_group(low, high);
    for (size_t g = first; g < last; ++g) {
      if (group_low_[g] >= high || group_high_[g] <= low) continue;
      for (size_t i = group_start_[g]; i < group_start_[g + 1]; ++i) {
        const int64_t top = signed_position(rows_[i]);
        if (top < high && top + int64_t(output_scale_) * sizes_[i] > low) visit(i);
      }
    }
  }

  // A corner wrapped into an unsigned position reads as the signed one it came from: _dot_span
  // clips it so against any raster under 2^31 samples.
  static int64_t signed_position(uint32_t position) { return int64_t(int32_t(position)); }

 private:
  void reserve(size_t dots);
  void add(unsigned halftone_row, const _placed_dot& dot);
  void close();
  size_t first_group(int64_t low, int64_t high) const;
  size_t end_group(int64_t low, int64_t high) const;

  int output_scale_ = 0;
  bool inked_ = false;
  // The dots, one array per field.
  std::vector<uint32_t> rows_;
  std::vector<uint32_t> columns_;
  std::vector<uint8_t> sizes_;
  std::vector<uint16_t> variant_columns_;
  std::vector<uint16_t> variant_rows_;  // empty while every variant row is 0, as the sheets have
  std::vector<_pixel> colours_;         // colour plans only
  // The groups: dots [start[g], start[g + 1]), output rows [low[g], high[g]).
  unsigned last_halftone_row_ = 0;
  std::vector<size_t> group_start_;
  std::vector<int64_t> group_low_;
  std::vector<int64_t> group_high_;
  // Running bounds over the groups, to find the groups near a band by bisection.
  std::vector<int64_t> high_before_;  // max of high over groups 0..g
  std::vector<int64_t> low_before_;   // min of low over groups 0..g
  std::vector<int64_t> low_after_;    // min of low over groups g..end
  std::vector<int64_t> high_after_;   // max of high over groups g..end
};

}  // namespace stippon
