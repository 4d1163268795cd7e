#pragma once

#include <cstdint>
#include <vector>

#include "image/uniform_random.h"

namespace stippon {

class _q_image;

// How a dot sample merges into the ground it falls on.
enum _merging_function { merging_product = 0, merging_minimum = 1 };

// How grey stippling draws a dot size.
enum _random_distribution { distribution_random = 0, distribution_normal = 1 };

// How filter2 treats the edge of its source.
enum _cut_type { cut_none = 0, cut_same = 1, cut_unused = 2, cut_valid = 3 };

// Grey raster: float samples on the 0 (black) .. 255 (white) scale, row-major, row 0 at the
// bottom of the picture, with six random generators used by stippling. Processing operations are
// members of the raster they write; they are defined beside their concern (src/stipple, ...).
class _image {
 public:
  _uniform_random random_generators[6];
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<float> samples;

  _image() = default;
  _image(const _image& other);  // deep copy of the samples; generators are default
  _image(_image&& other) noexcept = default;
  _image& operator=(const _image& other);      // copies geometry and samples, keeps generators
  _image& operator=(_image&& other) noexcept;  // as copy assignment: generators are kept
  _image& operator=(const _q_image& image);    // red channel of a QImage (image/q_image.cpp)
  ~_image() = default;

  // --- geometry and access (image/image.cpp) ---
  void dimensions(unsigned rows, unsigned columns);
  void create(bool white);
  void set(int rows, int columns, std::vector<float>& values);

  void put(unsigned row, unsigned column, float value);
  void put(unsigned index, float value);
  void put(unsigned row, unsigned column, int value);
  void put(unsigned index, int value);
  float get(unsigned row, unsigned column) const;
  float get(unsigned index) const;
  void put_add(unsigned row, unsigned column, float value, bool black_white,
               unsigned short black_level, _merging_function merging);
  void put_add(unsigned index, float value, bool black_white, unsigned short black_level,
               _merging_function merging);

  // --- grey stippling (stipple/grey_stippling.cpp) ---
  void stippling2(float scale_factor, float unused_1, float displacement, _image& halftone,
                  _image& borders, _image** dots, unsigned short variant_rows,
                  unsigned short variant_max_column, unsigned short low_density_min,
                  unsigned short low_density_max, unsigned short high_density_min,
                  unsigned short high_density_max, unsigned short contrast_threshold,
                  unsigned short unused_2, bool black_white, unsigned short black_level,
                  int output_scale, _merging_function merging, _random_distribution distribution);
  void save_seeds();
  void load_seeds();
  void copy_seeds(_image& source);
  void put_dot(unsigned row, unsigned column, unsigned size, unsigned variant_row,
               unsigned variant_column, _image*& dot, bool black_white, unsigned short black_level,
               int output_scale, _merging_function merging);
  void put_dot(unsigned row, unsigned column, unsigned size, unsigned variant_column, _image*& dot,
               bool black_white, unsigned short black_level, int output_scale,
               _merging_function merging);

  // --- colour stippling support (stipple/color_stippling.cpp) ---
  float density(unsigned row, unsigned column) const;

  // --- error-diffusion halftoning (stipple/halftoning.cpp) ---
  void halftoning_ostromoukhov();
  void shift_buffers(double*& current, double*& next);

  // --- border extraction (stipple/borders.cpp) ---
  int filter2(_image& mask, const _image& source, _cut_type cut, float outside);
  void getBorders(_image& source, float threshold);

  // --- dot-shape generator (stipple/dot_generator.cpp) ---
  // Grows one ink blot in a size x size cell; paper may be null.
  _image(unsigned spot, unsigned size, float darkening, unsigned steps, unsigned drops,
         float elongation, float angle, float absorption, _image* paper);
  int genDots(int rows, int columns, int cell, float drops_value, float steps_value, _image* paper);
};

}  // namespace stippon
