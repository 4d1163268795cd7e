#pragma once

// Rasters, synthetic dot sheets, halftoned photographs and exact comparison for the stippling
// tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/q_image.h"
#include "image/texture.h"
#include "photo/photo_reader.h"
#include "stipple/banded_print.h"
#include "stipple/dot_library.h"
#include "stipple/dot_plan.h"
#include "stipple/output.h"

namespace stippon::fixtures {

inline _image raster(unsigned rows, unsigned columns, std::vector<float> values) {
  _image image;
  image.set(int(rows), int(columns), values);
  return image;
}
inline _image filled(unsigned rows, unsigned columns, float value) {
  return raster(rows, columns, std::vector<float>(size_t(rows) * columns, value));
}
inline _image white(unsigned rows, unsigned columns) {
  return filled(rows, columns, 255.0f);
}

inline _texture opaque(unsigned rows, unsigned columns, _pixel pixel) {
  _texture texture;
  texture.dimensions(rows, columns);
  texture.create();
  texture.fill(pixel);
  return texture;
}

// The mean sample: a stippled photograph is darker than white paper.
inline double mean_sample(const _image& image) {
  double sum = 0.0;
  for (float sample : image.samples) sum += sample;
  return image.samples.empty() ? 0.0 : sum / double(image.samples.size());
}
// Number of samples that differ in any bit; the most there is when the geometry does.
inline size_t differences(const _image& a, const _image& b) {
  if (a.width != b.width || a.height != b.height || a.samples.size() != b.samples.size())
    return std::numeric_limits<size_t>::max();
  size_t count = 0;
  for (size_t i = 0; i < a.samples.size(); ++i)
    count += std::memcmp(&a.samples[i], &b.samples[i], sizeof(float)) != 0;
  return count;
}
inline _image read_photo(const std::string& name) {
  _image photo;
  EXPECT_TRUE(
      _photo_reader().read(std::string(STIPPON_DATA_DIR) + "/images/" + name, photo, 65536));
  return photo;
}

// A photograph resampled, as the controller does, to a third of a print `width` pixels wide.
inline _image resampled(const std::string& name, float width) {
  const _image input = read_photo(name);
  _image original;
  resample(input, width / 3.0f / float(input.width), original);
  return original;
}

// The dot library in data/dots, owned for the test's lifetime.
struct _library {
  _dot_sheets sheets;
  _library() { EXPECT_EQ(sheets.load(65536, STIPPON_DATA_DIR), 1); }
  _image** row(int position) { return sheets.row(position); }
};

// A full table of dot sheets, owned here, in the layout the stippling calls expect.
struct _sheet_table {
  std::deque<_image> owned;  // keeps its elements in place as it grows
  _image* entries[DOT_RESOLUTIONS][DOT_SLOTS] = {};

  _image** row(int position) { return entries[position]; }
  void put(int r, unsigned s, _image x) { entries[r][s] = &owned.emplace_back(std::move(x)); }
};

// A sheet of integer grey levels spread over 0..255, a third of them white paper, so that every
// merge rule and black level meets dark, light and white samples.
inline _image noise_sheet(unsigned side, unsigned columns, uint32_t seed) {
  _image sheet = white(side, columns * side);
  for (size_t i = 0; i < sheet.samples.size(); ++i) {
    uint32_t h = seed * 7919u + uint32_t(i);
    h = (h ^ (h >> 16)) * 0x7feb352dU;
    h = (h ^ (h >> 15)) * 0x846ca68bU;
    h ^= h >> 16;
    if (h % 3 != 0) sheet.samples[i] = float(h % 256);
  }
  return sheet;
}

// Noise sheets for every resolution and size; `columns` cells per row (11 is the library's grid).
inline _sheet_table noise_sheets(unsigned columns = 11) {
  _sheet_table table;
  for (int position = 0; position < DOT_RESOLUTIONS; ++position)
    for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s)
      table.put(position, s, noise_sheet(s * output_scale(position), columns, s * 10 + position));
  return table;
}

// Grey stippling as the programs draw it: the dots planned at output scale k from the sequence of
// srandom(seed), stamped in bands into out, which keeps its size and starts white.
inline void stipple_grey(_image& out, const _stipple_settings& settings, const _image& halftone,
                         _image** dots, int k, uint32_t seed,
                         const _relaxed_dots* relaxed = nullptr) {
  _random_stream stream(seed);
  const _dot_plan plan = _dot_plan::grey(settings, halftone, k, stream, relaxed);
  _banded_print(plan, dots, out.height, out.width, settings).print_grey(out);
}

}  // namespace stippon::fixtures
