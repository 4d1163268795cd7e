#pragma once

#include <cstdint>
#include <vector>

namespace stippon {

// A photograph's colour as 8-bit RGB, three bytes a pixel, row-major, row 0 at the bottom of the
// picture, beside its grey raster. Empty for a grey photograph, whose colour is its grey: a
// 200-megapixel colour photograph costs 600 MB here, a grey one nothing.
struct _rgb_image {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> bytes;

  bool empty() const { return bytes.empty(); }
};

}  // namespace stippon
