#pragma once

#include <string>

#include "image/image.h"
#include "image/texture.h"

namespace stippon {

// A whole raster written at once through the print writers, its top row first: the dot sheets
// go out as PGM, the tone ramps as PNG. Each returns "" once the file is written, else the
// writer's error.

// The samples as bytes, each truncated as print bytes are (image/sample_cast.h), in a PGM.
std::string write_pgm(const std::string& file, const _image& image);
// The texels as 8-bit RGBA in a PNG, with a pHYs chunk for ppi > 0.
std::string write_png(const std::string& file, const _texture& texture, unsigned ppi = 0);

}  // namespace stippon
