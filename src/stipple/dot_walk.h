#pragma once

// The draws of grey and colour stippling, in their order: the dot plan walks the halftone through
// these two rules, and a banded print stamps what it planned.

#include "image/image.h"
#include "image/pixel.h"
#include "image/texture.h"
#include "stipple/dot_placement.h"
#include "stipple/relaxation.h"
#include "stipple/stipple_settings.h"
#include "stipple/uniform_random.h"

namespace stippon {

// The mean of the halftone samples in the 3 x 3 block around a sample that lie on the raster:
// colour stippling's measure of how sparse the dots are there.
inline float halftone_density(const _image& halftone, unsigned row, unsigned column) {
  float sum = 0.0f;
  unsigned count = 0;
  const unsigned rows = filled_rows(halftone);
  for (int dr = -1; dr <= 1; ++dr) {
    for (int dc = -1; dc <= 1; ++dc) {
      const unsigned r = row + unsigned(dr);
      const unsigned c = column + unsigned(dc);
      if (r >= rows || c >= halftone.width) continue;
      sum += halftone.samples[size_t(r) * halftone.width + c];
      ++count;
    }
  }
  return count == 0 ? 0.0f : sum / float(count);
}

// One dot as a print stamps it: the corner in output samples (truncated toward zero and wrapped),
// the size in 300 ppi samples and the cell of the dot sheet; colour stippling adds the ink.
struct _placed_dot {
  unsigned row = 0;
  unsigned column = 0;
  unsigned size = 0;
  unsigned variant_row = 0;
  unsigned variant_column = 0;
  _pixel colour;
};

// A move of every dot of a walk, in halftone cells: inks printed over one another take different
// moves so that their dots do not sit on one another.
struct _grid_shift {
  float rows = 0.0f;
  float columns = 0.0f;
};

// Grey stippling: every black halftone sample, bottom row first, draws its size (once, or four
// times averaged for the normal distribution), the row and column jitters, the variant column and
// the variant row. Source is any generator with `long next()` that draws as random() does. Relaxed
// dots make the same draws and stand centred on their relaxed places, the jitter scaled to their
// spacing.
class _grey_walk {
 public:
  _grey_walk(float scale_factor, float displacement, unsigned short variant_rows,
             unsigned short variant_max_column, unsigned short low_density_min,
             unsigned short low_density_max, int output_scale, _random_distribution distribution)
      : scale_factor_(scale_factor), k_(float(output_scale)), distribution_(distribution) {
    variant_row_.set_range(0.0f, float(double(variant_rows) - 0.1));
    variant_column_.set_range(0.0f, float(double(variant_max_column) + 0.9));
    sizes_.set_range(float(low_density_min), float(low_density_max) + 0.5f);
    jitter_.set_range(-displacement, displacement);
  }
  // The walk of grey stippling with these settings.
  static _grey_walk of(const _stipple_settings& settings, int output_scale) {
    return _grey_walk(settings.scale_factor, settings.displacement, settings.dot_variant_rows,
                      settings.dot_variant_max_column, settings.low_density_min,
                      settings.low_density_max, output_scale, settings.random_distribution);
  }
  // Moves every dot by shift; no shift leaves every position as it was.
  void move(_grid_shift shift) {
    shift_rows_ = shift.rows * scale_factor_ * k_;
    shift_columns_ = shift.columns * scale_factor_ * k_;
  }

  // The places of relaxed placement, one for each black sample of the halftone the walk runs on;
  // null for the grid's.
  void place(const _relaxed_dots* relaxed) { relaxed_ = relaxed; }

  // Calls visit(row, column, _placed_dot) for each dot, at the halftone sample it stands for.
  template <class Source, class Visit>
  void run(const _image& halftone, Source& source, Visit&& visit) const {
    const float k = k_;
    size_t index = 0;
    const unsigned rows = filled_rows(halftone);
    for (unsigned r = 0; r < rows; ++r) {
      const float* line = halftone.samples.data() + size_t(r) * halftone.width;
      for (unsigned c = 0; c < halftone.width; ++c) {
        if (line[c] != 0.0f) continue;
        // The order of the draws is what lets a save with copied seeds repeat the preview.
        _placed_dot dot;
        dot.size = draw_size(source);
        const float u_row = jitter_.at(source.next());
        const float y = float(r) * scale_factor_ * k + k * (6.0f * u_row) + shift_rows_;
        const float u_column = jitter_.at(source.next());
        const float x = float(c) * scale_factor_ * k + (6.0f * u_column) * k + shift_columns_;
        dot.variant_column = to_position(variant_column_.at(source.next()));
        dot.variant_row = to_position(variant_row_.at(source.next()));
        dot.row = to_position(y);
        dot.column = to_position(x);
        if (relaxed_ != nullptr) place_relaxed(index++, u_row, u_column, dot);
        visit(r, c, dot);
      }
    }
  }

 private:
  void place_relaxed(size_t index, float u_row, float u_column, _placed_dot& dot) const {
    if (index >= relaxed_->size()) return;
    const _grid_point centre = relaxed_->centre(index, u_row, u_column);
    const float half = 0.5f * float(dot.size);
    // Inks of equal amounts relax alike: the shift keeps their dots apart as on the grid.
    dot.row = to_position(k_ * (centre.row * scale_factor_ - half) + shift_rows_);
    dot.column = to_position(k_ * (centre.column * scale_factor_ - half) + shift_columns_);
  }

  template <class Source>
  unsigned draw_size(Source& source) const {
    if (distribution_ == distribution_random) return to_position(sizes_.at(source.next()));
    const float u1 = sizes_.at(source.next());
    const float u2 = sizes_.at(source.next());
    const float u3 = sizes_.at(source.next());
    const float u4 = sizes_.at(source.next());
    return to_position((((u1 + u2) + u3) + u4) * 0.25f);
  }

  _uniform_random variant_row_;
  _uniform_random variant_column_;
  _uniform_random sizes_;
  _uniform_random jitter_;
  float scale_factor_;
  float k_;
  _random_distribution distribution_;
  const _relaxed_dots* relaxed_ = nullptr;
  float shift_rows_ = 0.0f;  // in output samples
  float shift_columns_ = 0.0f;
};

// Colour stippling: top row first, every border sample and every black halftone sample draws its
// size from the low range where the halftone around it is sparse (else from the high one), then
// the two jitters, the variant column and the variant row. Its ink is the colour source's at that
// sample, or beyond the source the last ink taken by a dot of the same kind (border or halftone).
class _colour_walk {
 public:
  _colour_walk(float scale_factor, float displacement_low, float displacement,
               unsigned short variant_rows, unsigned short variant_max_column,
               unsigned short low_density_min, unsigned short low_density_max,
               unsigned short high_density_min, unsigned short high_density_max,
               unsigned short contrast_threshold, int output_scale)
      : scale_factor_(scale_factor),
        k_(float(output_scale)),
        contrast_threshold_(contrast_threshold) {
    low_sizes_.set_range(float(low_density_min), float(low_density_max) + 0.5f);
    high_sizes_.set_range(float(high_density_min), float(high_density_max) + 0.5f);
    variant_row_.set_range(0.0f, float(double(variant_rows) - 0.1));
    variant_column_.set_range(0.0f, float(double(variant_max_column) + 0.9));
    jitter_.set_range(displacement_low * k_, displacement * k_);
  }
  // The walk of colour stippling with these settings (no downward or leftward jitter).
  static _colour_walk of(const _stipple_settings& settings, int output_scale) {
    return _colour_walk(settings.scale_factor, 0.0f, settings.displacement,
                        settings.dot_variant_rows, settings.dot_variant_max_column,
                        settings.low_density_min, settings.low_density_max,
                        settings.high_density_min, settings.high_density_max,
                        static_cast<unsigned short>(settings.contrast_threshold), output_scale);
  }

  // Calls visit(row, column, _placed_dot) for each dot, at the halftone sample it stands for.
  template <class Source, class Visit>
  void run(const _image& halftone, const _image& borders, const _texture& colour_source,
           Source& source, Visit&& visit) const {
    const float k = k_;
    // Nothing has been inked before the first dot: both memories start as four zero bytes.
    _pixel border_memory(0, 0, 0, 0);
    _pixel halftone_memory(0, 0, 0, 0);
    const unsigned border_rows = filled_rows(borders);
    const unsigned rows = filled_rows(halftone);
    for (unsigned r = rows; r-- > 0;) {
      const float* line = halftone.samples.data() + size_t(r) * halftone.width;
      for (unsigned c = 0; c < halftone.width; ++c) {
        // A borders raster smaller than the halftone counts as white beyond its edge.
        const bool border = r < border_rows && c < borders.width &&
                            borders.samples[size_t(r) * borders.width + c] == 0.0f;
        if (!border && line[c] != 0.0f) continue;
        const bool sparse = halftone_density(halftone, r, c) >= float(contrast_threshold_);
        const _uniform_random& sizes = sparse ? low_sizes_ : high_sizes_;
        _placed_dot dot;
        dot.size = to_position(sizes.at(source.next()));
        dot.colour = ink(colour_source, r, c, border ? border_memory : halftone_memory);
        const float u1 = jitter_.at(source.next());
        const float u2 = jitter_.at(source.next());
        dot.variant_column = to_position(variant_column_.at(source.next()));
        dot.variant_row = to_position(variant_row_.at(source.next()));
        const float y = float(r) * scale_factor_ * k + u1;
        const float x = float(c) * scale_factor_ * k + u2;
        dot.row = to_position(y);
        dot.column = to_position(x);
        visit(r, c, dot);
      }
    }
  }

 private:
  static _pixel ink(const _texture& source, unsigned row, unsigned column, _pixel& memory) {
    if (row < source.height && column < source.width &&
        size_t(row) * source.width + column < source.texels.size())
      memory = source.texels[size_t(row) * source.width + column];
    return memory;
  }

  _uniform_random low_sizes_;
  _uniform_random high_sizes_;
  _uniform_random variant_row_;
  _uniform_random variant_column_;
  _uniform_random jitter_;
  float scale_factor_;
  float k_;
  unsigned short contrast_threshold_;
};

}  // namespace stippon
