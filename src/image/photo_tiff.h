#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace stippon {

// What read_tiff_grey made of a file.
enum class _tiff_result {
  read,        // grey holds the picture
  other_kind,  // a kind it does not read exactly (YCbCr, CMYK, Lab, float samples, ...)
  refused,     // accept_size said no; nothing was allocated
  damaged,     // libtiff could not decode it
};

// Decodes the first page of a TIFF held in memory straight through libtiff, exactly: grey,
// min-is-white, RGB and palette pictures of 1, 2, 4, 8 or 16 bits a sample, with or without an
// alpha channel (associated or not), contiguous or planar, in strips or tiles, with any
// compression libtiff decodes. Samples go to 8 bits as netpbm's pamdepth does (palette entries
// are 16-bit), alpha is put over white, colour becomes grey by grey_of. The Orientation tag is
// applied. grey is the picture top row first, width x height after the orientation.
// accept_size(width, height) is asked, with the oriented size, before anything is allocated.
_tiff_result read_tiff_grey(const unsigned char* data, size_t size,
                            const std::function<bool(uint32_t, uint32_t)>& accept_size,
                            std::vector<uint8_t>& grey, uint32_t& width, uint32_t& height);

}  // namespace stippon
