#include "stipple/dot_plan.h"

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

}  // namespace

_random_stream seeded_stream(const _image& preview) {
  return _random_stream(static_cast<unsigned>(preview.random_generators[5].seed));
}

_dot_plan _dot_plan::grey(const _stipple_settings& settings, const _image& halftone,
                          int output_scale, _random_stream& stream) {
  _dot_plan plan;
  plan.output_scale_ = output_scale;
  plan.reserve(candidates(halftone, nullptr));
  _grey_walk::of(settings, output_scale)
      .run(halftone, stream, [&](unsigned r, const _placed_dot& dot) { plan.add(r, dot); });
  plan.close();
  return plan;
}

_dot_plan _dot_plan::colour(const _stipple_settings& settings, const _image& halftone,
                            const _image& borders, const _texture& colour_source, int output_scale,
                            _random_stream& stream) {
  _dot_plan plan;
  plan.output_scale_ = output_scale;
  plan.inked_ = true;
  plan.reserve(candidates(halftone, &borders));
  _colour_walk::of(settings, output_scale)
      .run(halftone, borders, colour_source, stream,
           [&](unsigned r, const _placed_dot& dot) { plan.add(r, dot); });
  plan.close();
  return plan;
}

_placed_dot _dot_plan::dot(size_t index) const {
  _placed_dot dot;
  dot.row = rows_[index];
  dot.column = columns_[index];
  dot.size = sizes_[index];
  dot.variant_column = variant_columns_[index];
  dot.variant_row = variant_rows_.empty() ? 0 : variant_rows_[index];
  if (inked_) dot.colour = colours_[index];
  return dot;
}

size_t _dot_plan::memory_bytes() const {
  const size_t dots = rows_.capacity() * sizeof(uint32_t) + columns_.capacity() * sizeof(uint32_t) +
                      sizes_.capacity() + variant_columns_.capacity() * sizeof(uint16_t) +
                      variant_rows_.capacity() * sizeof(uint16_t) +
                      colours_.capacity() * sizeof(_pixel);
  const size_t groups = group_start_.capacity() * sizeof(size_t) +
                        (group_low_.capacity() + group_high_.capacity() + high_before_.capacity() +
                         low_before_.capacity() + low_after_.capacity() + high_after_.capacity()) *
                            sizeof(int64_t);
  return sizeof(*this) + dots + groups;
}

// Sizes 0 and beyond the sheet slots draw nothing whatever the sheets, and so does a scale of 0 or
// less, or a dot wider than put_dot takes; the variants of the settings' unsigned short ranges
// fit in 16 bits.
void _dot_plan::add(unsigned halftone_row, const _placed_dot& dot) {
  const uint64_t n = uint64_t(output_scale_) * dot.size;
  if (output_scale_ <= 0 || dot.size == 0 || dot.size >= unsigned(DOT_SLOTS) || n > 0xFFFFu) return;
  const size_t index = rows_.size();
  if (group_start_.empty() || halftone_row != last_halftone_row_) {
    group_start_.push_back(index);
    group_low_.push_back(INT64_MAX);
    group_high_.push_back(INT64_MIN);
    last_halftone_row_ = halftone_row;
  }
  rows_.push_back(dot.row);
  columns_.push_back(dot.column);
  sizes_.push_back(static_cast<uint8_t>(dot.size));
  variant_columns_.push_back(static_cast<uint16_t>(dot.variant_column));
  if (dot.variant_row != 0 || !variant_rows_.empty()) {
    variant_rows_.resize(index, 0);  // the zeros so far, once the first other row comes
    variant_rows_.push_back(static_cast<uint16_t>(dot.variant_row));
  }
  if (inked_) colours_.push_back(dot.colour);
  const int64_t top = signed_position(dot.row);
  group_low_.back() = std::min(group_low_.back(), top);
  group_high_.back() = std::max(group_high_.back(), top + int64_t(n));
}

void _dot_plan::reserve(size_t dots) {
  rows_.reserve(dots);
  columns_.reserve(dots);
  sizes_.reserve(dots);
  variant_columns_.reserve(dots);
  if (inked_) colours_.reserve(dots);
}

void _dot_plan::close() {
  const size_t groups = group_low_.size();
  group_start_.push_back(rows_.size());
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
