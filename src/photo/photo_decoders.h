#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Decoders of the photo reader (photo/photo_reader.h) that work from the file's bytes in memory
// and give 8-bit grey by the reader's rule, the picture's top row first.
namespace stippon {

// What a decoder made of a file.
enum class _decode_result {
  read,        // grey holds the picture
  other_kind,  // a kind it does not read exactly: the reader hands the file to Qt
  refused,     // accept_size said no; nothing was allocated
  truncated,   // the data ends before the picture does
  damaged,     // the decoder failed
};

// Asked with the picture's size, after its orientation, before anything large is allocated.
using _accept_size = std::function<bool(uint32_t width, uint32_t height)>;

// The first page of a TIFF, through libtiff: grey, min-is-white, RGB and palette pictures of 1,
// 2, 4, 8 or 16 bits a sample, with or without an alpha channel (associated or not), contiguous
// or planar, in strips or tiles, with any compression libtiff decodes. Palette entries are
// 16-bit samples. The Orientation tag is applied. Other kinds (YCbCr, CMYK, Lab, float samples,
// ...) give other_kind.
_decode_result read_tiff_grey(const unsigned char* data, size_t size,
                              const _accept_size& accept_size, std::vector<uint8_t>& grey,
                              uint32_t& width, uint32_t& height);

// A baseline or progressive JPEG through libjpeg, decoded as djpeg decodes it (integer DCT,
// fancy upsampling) and turned by its EXIF orientation. CMYK and YCCK pictures give other_kind.
_decode_result read_jpeg_grey(const unsigned char* data, size_t size,
                              const _accept_size& accept_size, std::vector<uint8_t>& grey,
                              uint32_t& width, uint32_t& height);

// Turns a picture stored top row first by a TIFF/EXIF orientation (1 to 8; others leave it).
void orient_grey(const std::vector<uint8_t>& stored, uint32_t width, uint32_t height,
                 int orientation, std::vector<uint8_t>& shown);

// Sizes a vector of n elements for a large picture: the kernel is asked for huge pages before
// the memory is first touched, which costs far fewer page faults than 4 KiB pages.
void resize_large(std::vector<uint8_t>& v, size_t n);
void resize_large(std::vector<float>& v, size_t n);

}  // namespace stippon
