// Pictures for the pipeline's tests: a photograph with something to work on, and exact
// comparisons of rasters.
#pragma once

#include <string>

#include "image/image.h"
#include "image/texture.h"
#include "print/raster_file.h"

namespace stippon::testing {

inline bool same_samples(const _image& a, const _image& b) {
  return a.width == b.width && a.height == b.height && a.samples == b.samples;
}

inline bool same_texels(const _texture& a, const _texture& b) {
  return a.width == b.width && a.height == b.height && a.texels == b.texels;
}

// A grey ramp with a dark disc, written as a PGM, so that halftone and borders have something
// to work on.
inline void write_ramp(const std::string& path, unsigned width, unsigned height) {
  _image image;
  image.dimensions(height, width);
  image.create(true);
  for (unsigned r = 0; r < height; ++r)
    for (unsigned c = 0; c < width; ++c) {
      const float dx = c - width / 2.0f, dy = r - height / 2.0f;
      image.put(r, c, dx * dx + dy * dy < height * height / 16.0f ? 30.0f : (c * 255) / width);
    }
  write_pgm(path, image);
}

}  // namespace stippon::testing
