#pragma once

namespace stippon {

// How a dot sample merges into the ground it falls on.
enum _merging_function { merging_product = 0, merging_minimum = 1 };

// How grey stippling draws a dot size.
enum _random_distribution { distribution_random = 0, distribution_normal = 1 };

// Where the dots stand: on the halftone's grid with random jitter, or relaxed into an even spread
// that keeps the halftone's count and its density.
enum _placement { placement_grid = 0, placement_relaxed = 1 };

// The parameters of one stippling run, as the controller (or the batch tool) holds them.
struct _stipple_settings {
  float scale_factor = 3.0f;
  float displacement = 0.25f;
  unsigned short dot_variant_rows = 1;
  unsigned short dot_variant_max_column = 10;
  unsigned short low_density_min = 4;
  unsigned short low_density_max = 8;
  unsigned short high_density_min = 4;
  unsigned short high_density_max = 8;
  int contrast_threshold = 127;
  bool black_white = false;
  int black_level = 127;
  _merging_function merging_function = merging_product;
  _random_distribution random_distribution = distribution_random;
  _placement placement = placement_grid;

  bool operator==(const _stipple_settings&) const = default;
};

}  // namespace stippon
