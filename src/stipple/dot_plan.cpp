#include "stipple/dot_plan.h"

#include <algorithm>

#include "stipple/dot_library.h"

namespace stippon {

namespace {

// The dots a walk can place at most: its black halftone samples, and for colour its borders too.
size_t candidates(const _image& halftone, const _image* borders) {
  size_t count = 0;
  const unsigned rows = filled_rows(halftone);
  const unsigned border_rows = borders == nullptr ? 0 : filled_rows(*borders);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned c = 0; c < halftone.width; ++c)
      count += halftone.samples[size_t(r) * halftone.width + c] == 0.0f ||
               (r < border_rows && c < borders->width &&
                borders->samples[size_t(r) * borders->width + c] == 0.0f);
  return count;
}

// The first index of [low, high) for which `before` no longer holds, by bisection. (Ranges over
// an iota view would say the same, but clang's fuzzing build cannot compile them.)
template <class Before>
size_t partition_point(size_t low, size_t high, Before before) {
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (before(middle))
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

// The signed difference of two wrapped positions, when it fits in a byte.
bool byte_offset(uint32_t position, uint32_t base, int8_t& offset) {
  const int32_t difference = int32_t(position - base);
  if (difference < INT8_MIN || difference > INT8_MAX) return false;
  offset = int8_t(difference);
  return true;
}

// The room reserved for every black sample is given back when many of them placed no dot.
template <class Value>
void fit(std::vector<Value>& values) {
  if (values.capacity() - values.size() > values.size() / 8) values.shrink_to_fit();
}

template <class Size>
size_t bytes_of(const std::vector<Size>& values) {
  return values.capacity() * sizeof(Size);
}

}  // namespace

_dot_plan::_dot_plan(float scale_factor, int output_scale, bool inked, bool compact)
    : scale_factor_(scale_factor), output_scale_(output_scale), inked_(inked), compact_(compact) {}

template <typename Walk>
_dot_plan _dot_plan::drawn(const _stipple_settings& settings, int output_scale, bool inked,
                           size_t dots, _random_stream& stream, const Walk& walk) {
  const _random_stream start = stream;
  for (const bool compact : {true, false}) {
    _dot_plan plan(settings.scale_factor, output_scale, inked, compact);
    plan.reserve(dots);
    walk([&](unsigned r, unsigned c, const _placed_dot& dot) { plan.add(r, c, dot); });
    if (!plan.overflowed_) {
      plan.close();
      return plan;
    }
    stream = start;
  }
  return {};
}

_dot_plan _dot_plan::grey(const _stipple_settings& settings, const _image& halftone,
                          int output_scale, _random_stream& stream, const _relaxed_dots* relaxed,
                          _grid_shift shift) {
  _grey_walk walk = _grey_walk::of(settings, output_scale);
  walk.move(shift);
  if (settings.placement == placement_relaxed) walk.place(relaxed);
  return drawn(settings, output_scale, false, candidates(halftone, nullptr), stream,
               [&](const auto& add) { walk.run(halftone, stream, add); });
}

_dot_plan _dot_plan::colour(const _stipple_settings& settings, const _image& halftone,
                            const _image& borders, const _texture& colour_source, int output_scale,
                            _random_stream& stream) {
  const _colour_walk walk = _colour_walk::of(settings, output_scale);
  return drawn(settings, output_scale, true, candidates(halftone, &borders), stream,
               [&](const auto& add) { walk.run(halftone, borders, colour_source, stream, add); });
}

size_t _dot_plan::memory_bytes() const {
  return sizeof(*this) + bytes_of(halftone_columns_) + bytes_of(row_offsets_) +
         bytes_of(column_offsets_) + bytes_of(cells_) + bytes_of(rows_) + bytes_of(columns_) +
         bytes_of(sizes_) + bytes_of(variant_columns_) + bytes_of(variant_rows_) +
         bytes_of(colours_) + bytes_of(group_start_) + bytes_of(group_rows_) +
         bytes_of(group_low_) + bytes_of(group_high_) + bytes_of(high_before_) +
         bytes_of(low_before_) + bytes_of(low_after_) + bytes_of(high_after_);
}

void _dot_plan::reserve(size_t dots) {
  if (compact_) {
    halftone_columns_.reserve(dots);
    row_offsets_.reserve(dots);
    column_offsets_.reserve(dots);
    cells_.reserve(dots);
  } else {
    rows_.reserve(dots);
    columns_.reserve(dots);
    sizes_.reserve(dots);
    variant_columns_.reserve(dots);
  }
  if (inked_) colours_.reserve(dots);
}

// Sizes 0 and beyond the sheet slots draw nothing whatever the sheets, and so does a scale of 0 or
// less, or a dot wider than 0xFFFF samples. The variants of the settings' unsigned short ranges fit
// in 16 bits.
void _dot_plan::add(unsigned halftone_row, unsigned halftone_column, const _placed_dot& dot) {
  const uint64_t n = uint64_t(output_scale_) * dot.size;
  if (overflowed_ || output_scale_ <= 0 || dot.size == 0 || dot.size >= unsigned(DOT_SLOTS) ||
      n > 0xFFFFu)
    return;
  if (group_start_.empty() || halftone_row != group_rows_.back()) {
    group_start_.push_back(count_);
    group_rows_.push_back(halftone_row);
    group_low_.push_back(INT64_MAX);
    group_high_.push_back(INT64_MIN);
  }
  if (compact_) {
    if (!add_compact(halftone_row, halftone_column, dot)) {
      overflowed_ = true;
      return;
    }
  } else {
    add_wide(dot);
  }
  if (dot.variant_row != 0 || !variant_rows_.empty()) {
    variant_rows_.resize(count_, 0);  // the zeros so far, once the first other row comes
    variant_rows_.push_back(static_cast<uint16_t>(dot.variant_row));
  }
  if (inked_) colours_.push_back(dot.colour);
  ++count_;
  const int64_t top = signed_position(dot.row);
  group_low_.back() = std::min(group_low_.back(), top);
  group_high_.back() = std::max(group_high_.back(), top + int64_t(n));
}

bool _dot_plan::add_compact(unsigned halftone_row, unsigned halftone_column,
                            const _placed_dot& dot) {
  int8_t row_offset = 0;
  int8_t column_offset = 0;
  const uint64_t cell = dot.size + uint64_t(DOT_SLOTS) * dot.variant_column;
  if (halftone_column > UINT16_MAX || cell > UINT8_MAX ||
      !byte_offset(dot.row, grid_position(halftone_row), row_offset) ||
      !byte_offset(dot.column, grid_position(halftone_column), column_offset))
    return false;
  halftone_columns_.push_back(uint16_t(halftone_column));
  row_offsets_.push_back(row_offset);
  column_offsets_.push_back(column_offset);
  cells_.push_back(uint8_t(cell));
  return true;
}

void _dot_plan::add_wide(const _placed_dot& dot) {
  rows_.push_back(dot.row);
  columns_.push_back(dot.column);
  sizes_.push_back(static_cast<uint8_t>(dot.size));
  variant_columns_.push_back(static_cast<uint16_t>(dot.variant_column));
}

// Offsets are added modulo 2^32, as they were taken.
_placed_dot _dot_plan::get(size_t index, uint32_t row_base) const {
  _placed_dot dot;
  if (compact_) {
    dot.row = row_base + uint32_t(int32_t(row_offsets_[index]));
    dot.column =
        grid_position(halftone_columns_[index]) + uint32_t(int32_t(column_offsets_[index]));
    dot.size = cells_[index] % unsigned(DOT_SLOTS);
    dot.variant_column = cells_[index] / unsigned(DOT_SLOTS);
  } else {
    dot.row = rows_[index];
    dot.column = columns_[index];
    dot.size = sizes_[index];
    dot.variant_column = variant_columns_[index];
  }
  dot.variant_row = variant_rows_.empty() ? 0 : variant_rows_[index];
  if (inked_) dot.colour = colours_[index];
  return dot;
}

void _dot_plan::close() {
  fit(halftone_columns_);
  fit(row_offsets_);
  fit(column_offsets_);
  fit(cells_);
  fit(rows_);
  fit(columns_);
  fit(sizes_);
  fit(variant_columns_);
  fit(colours_);
  const size_t groups = group_low_.size();
  group_start_.push_back(count_);
  high_before_.resize(groups);
  low_before_.resize(groups);
  low_after_.resize(groups);
  high_after_.resize(groups);
  for (size_t g = 0; g < groups; ++g) {
    high_before_[g] = g == 0 ? group_high_[g] : std::max(high_before_[g - 1], group_high_[g]);
    low_before_[g] = g == 0 ? group_low_[g] : std::min(low_before_[g - 1], group_low_[g]);
  }
  for (size_t g = groups; g-- > 0;) {
    low_after_[g] = g + 1 == groups ? group_low_[g] : std::min(low_after_[g + 1], group_low_[g]);
    high_after_[g] =
        g + 1 == groups ? group_high_[g] : std::max(high_after_[g + 1], group_high_[g]);
  }
}

// A compact dot's corner lies within a byte's offset of its halftone column's grid position, and
// it reaches at most the widest dot beyond: grid positions outside the reach cannot meet the
// columns. Grid positions grow with the halftone column.
_dot_plan::_index_range _dot_plan::dots_near(size_t g, int64_t left, int64_t right) const {
  const size_t begin = group_start_[g], end = group_start_[g + 1];
  if (!compact_ || (left == INT64_MIN && right == INT64_MAX)) return {begin, end};
  const int64_t widest = int64_t(output_scale_) * (DOT_SLOTS - 1);
  const int64_t from = left - INT8_MAX - widest, to = right - INT8_MIN;
  const auto grid = [&](size_t i) { return int64_t(grid_position(halftone_columns_[i])); };
  const size_t first = partition_point(begin, end, [&](size_t i) { return grid(i) <= from; });
  const size_t last = partition_point(first, end, [&](size_t i) { return grid(i) < to; });
  return {first, last};
}

// A group meeting [low, high) reaches above low and starts below high. So do the running maximum
// of the reaches up to it and the running minimum of the starts from it on (which bound it when
// the groups run up the page), and the running minimum of the starts up to it and maximum of the
// reaches from it on (which bound it when they run down): each bound is monotonic, found by
// bisection, and together they leave only the groups near the band.
size_t _dot_plan::first_group(int64_t low, int64_t high) const {
  const auto rising = std::partition_point(high_before_.begin(), high_before_.end(),
                                           [&](int64_t h) { return h <= low; });
  const auto falling = std::partition_point(low_before_.begin(), low_before_.end(),
                                            [&](int64_t l) { return l >= high; });
  return size_t(std::max(rising - high_before_.begin(), falling - low_before_.begin()));
}

size_t _dot_plan::end_group(int64_t low, int64_t high) const {
  const auto rising = std::partition_point(low_after_.begin(), low_after_.end(),
                                           [&](int64_t l) { return l < high; });
  const auto falling = std::partition_point(high_after_.begin(), high_after_.end(),
                                            [&](int64_t h) { return h > low; });
  return size_t(std::min(rising - low_after_.begin(), falling - high_after_.begin()));
}

}  // namespace stippon
