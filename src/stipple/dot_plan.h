#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/texture.h"
#include "stipple/dot_placement.h"
#include "stipple/dot_walk.h"
#include "stipple/random_stream.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// Every dot of one stippling run, drawn in the run's order but not yet stamped, so that the print
// can be made in bands of rows, and made away from the rasters and the generator it came from.
// Dots that cannot draw anything whatever the sheets (size 0, or no slot for the size) are left
// out.
//
// A dot is kept in 5 bytes: its halftone column, its corner as a byte-sized offset from the grid
// position of its halftone sample (the jitter), and its size and variant column in one byte.
// A run whose dots do not all fit (a wide jitter, a grid over 65536 columns, more than 12 variant
// columns) is drawn again into 11 bytes a dot. Variant rows other than 0 and colour plans' inks
// add 2 and 4 bytes.
//
// The dots are grouped by the halftone row they stand for, in draw order, each group with the
// output rows its dots reach: a band finds the few groups that can touch it by bisection.
class _dot_plan {
 public:
  _dot_plan() = default;

  // The dots of grey stippling at this output scale, drawn from stream, which is left after the
  // last draw. Under relaxed placement the dots stand at their relaxed places (made from this
  // halftone); without them, on the grid, every dot moved by shift.
  static _dot_plan grey(const _stipple_settings& settings, const _image& halftone, int output_scale,
                        _random_stream& stream, const _relaxed_dots* relaxed = nullptr,
                        _grid_shift shift = {});
  // The dots of colour stippling at this output scale, drawn from stream (after the grey draws
  // when it continues the preview's sequence, as the window's colour stippling does).
  static _dot_plan colour(const _stipple_settings& settings, const _image& halftone,
                          const _image& borders, const _texture& colour_source, int output_scale,
                          _random_stream& stream);

  int output_scale() const { return output_scale_; }
  bool inked() const { return inked_; }
  size_t size() const { return count_; }
  // The bytes the plan holds, its index included.
  size_t memory_bytes() const;

  // Calls visit(_placed_dot) for every dot whose rows [row, row + output scale x size), read as
  // signed positions, meet the output rows [low, high) (row 0 at the bottom), in draw order.
  template <class Visit>
  void each_dot_meeting(int64_t low, int64_t high, Visit&& visit) const {
    each_dot_near(low, high, INT64_MIN, INT64_MAX, visit);
  }
  // As each_dot_meeting, for the dots that may reach the output columns [left, right) too: every
  // dot that does, in draw order, and a few beside them. A group's dots go left to right by
  // their halftone column, so a compact plan finds the few near the columns by bisection.
  template <class Visit>
  void each_dot_near(int64_t low, int64_t high, int64_t left, int64_t right, Visit&& visit) const {
    const size_t last = end_group(low, high);
    for (size_t g = first_group(low, high); g < last; ++g) {
      if (group_low_[g] >= high || group_high_[g] <= low) continue;
      const uint32_t row_base = grid_position(group_rows_[g]);
      const _index_range near = dots_near(g, left, right);
      for (size_t i = near.begin; i < near.end; ++i) {
        const _placed_dot dot = get(i, row_base);
        const int64_t top = signed_position(dot.row);
        if (top < high && top + int64_t(output_scale_) * dot.size > low) visit(dot);
      }
    }
  }

  // A corner wrapped into an unsigned position reads as the signed one it came from: _dot_span
  // clips it so against any raster under 2^31 samples.
  static int64_t signed_position(uint32_t position) { return int64_t(int32_t(position)); }

 private:
  _dot_plan(float scale_factor, int output_scale, bool inked, bool compact);
  // The plan of `dots` candidates that walk(add) draws from stream: compact first, drawn again in
  // the wide form from where the stream was when a dot does not fit.
  template <typename Walk>
  static _dot_plan drawn(const _stipple_settings& settings, int output_scale, bool inked,
                         size_t dots, _random_stream& stream, const Walk& walk);
  // The output position of a halftone row or column, from which a compact dot's corner is
  // offset; any fixed rule would do, as long as adding and reading use the same.
  uint32_t grid_position(unsigned index) const {
    return to_position(float(index) * scale_factor_ * float(output_scale_));
  }
  void reserve(size_t dots);
  void add(unsigned halftone_row, unsigned halftone_column, const _placed_dot& dot);
  bool add_compact(unsigned halftone_row, unsigned halftone_column, const _placed_dot& dot);
  void add_wide(const _placed_dot& dot);
  _placed_dot get(size_t index, uint32_t row_base) const;
  void close();
  size_t first_group(int64_t low, int64_t high) const;
  size_t end_group(int64_t low, int64_t high) const;
  struct _index_range {
    size_t begin = 0;
    size_t end = 0;
  };
  // The dots of group g that may reach the output columns [left, right).
  _index_range dots_near(size_t g, int64_t left, int64_t right) const;

  float scale_factor_ = 0.0f;
  int output_scale_ = 0;
  bool inked_ = false;
  bool compact_ = true;
  bool overflowed_ = false;  // a compact plan met a dot it cannot hold
  size_t count_ = 0;
  // Compact dots.
  std::vector<uint16_t> halftone_columns_;
  std::vector<int8_t> row_offsets_;
  std::vector<int8_t> column_offsets_;
  std::vector<uint8_t> cells_;  // size + DOT_SLOTS x variant column
  // Wide dots.
  std::vector<uint32_t> rows_;
  std::vector<uint32_t> columns_;
  std::vector<uint8_t> sizes_;
  std::vector<uint16_t> variant_columns_;
  // Both.
  std::vector<uint16_t> variant_rows_;  // empty while every variant row is 0, as the sheets have
  std::vector<_pixel> colours_;         // colour plans only
  // The groups: dots [start[g], start[g + 1]) of halftone row rows[g], reaching the output rows
  // [low[g], high[g]).
  std::vector<size_t> group_start_;
  std::vector<unsigned> group_rows_;
  std::vector<int64_t> group_low_;
  std::vector<int64_t> group_high_;
  // Running bounds over the groups, to find the groups near a band by bisection.
  std::vector<int64_t> high_before_;  // max of high over groups 0..g
  std::vector<int64_t> low_before_;   // min of low over groups 0..g
  std::vector<int64_t> low_after_;    // min of low over groups g..end
  std::vector<int64_t> high_after_;   // max of high over groups g..end
};

}  // namespace stippon
