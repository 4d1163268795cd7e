#pragma once

#include <climits>
#include <cstdint>
#include <string>

#include "image/image.h"

class QImage;

namespace stippon {

// The largest picture read, in millions of pixels (width x height). A 100-megapixel camera
// file opens; above the bound a file is refused from its header, before anything is allocated.
inline constexpr unsigned PHOTO_MAX_MEGAPIXELS = 200;

// The filter for the open dialogs (QFileDialog syntax: two filters separated by ";;").
inline constexpr const char* PHOTO_FILE_FILTER =
    "Photographs (*.jpg *.jpeg *.png *.tif *.tiff *.webp *.bmp *.gif *.pgm *.ppm *.pbm *.pnm);;"
    "All files (*)";

// Why a read failed.
enum class _photo_failure {
  none,           // the last read succeeded (or none was made)
  cannot_open,    // the file is missing or unreadable
  not_a_picture,  // no kind that Stippon reads, or a kind of it that is not read
  truncated,      // the file ends before the picture does
  damaged,        // the picture's data is malformed
  too_large,      // above PHOTO_MAX_MEGAPIXELS or the caller's maximum edge
};

// Reads a photograph of any kind Stippon knows into the 8-bit grey raster of the pipeline. The
// kind is found from the content, never from the name: netpbm (P1-P6, any maximum value), PNG,
// JPEG, TIFF, WebP, BMP and GIF (first frame; first page of a multi-page TIFF). PNG is decoded
// by libpng, TIFF by libtiff and JPEG by libjpeg (photo/photo_decoders.h): Qt 6.4 garbles 16-bit
// RGB PNG with a transparent colour, drops the alpha of grey TIFF and rounds 16-bit TIFF
// palettes down, and its JPEG path holds a 32-bit copy of the picture. WebP, BMP, GIF, and the
// CMYK JPEG and exotic TIFF kinds, go through Qt's QImageReader. The EXIF orientation is
// applied. Every kind is brought to grey by the one exact rule of photo_to_grey. 8-bit P2/P5 PGM
// files are read by _file_pgm, as they always were. Shows and prints nothing (Qt's decoders may
// still log a warning through Qt's message handler).
class _photo_reader {
 public:
  // Reads file_name into image: samples 0..255, row 0 at the bottom of the picture. Refuses a
  // picture with an edge above max_size pixels or more than PHOTO_MAX_MEGAPIXELS million pixels
  // (after the EXIF orientation) before decoding it; max_size <= 0 sets no edge limit. True on
  // success; on failure the image is left as it was, and error() names the file and the reason.
  bool read(const std::string& file_name, _image& image, int max_size = INT_MAX);

  // After a failure: "Cannot read <file name>: <reason>", where the reason is one of
  //   "cannot open it (<system message>)", "not a picture Stippon can read", "truncated",
  //   "damaged", "too large: W × H pixels, the limit is N pixels on a side" (the caller's
  //   max_size) or "too large: W × H pixels, the limit is N megapixels". Empty after a success.
  const std::string& error() const { return error_; }
  _photo_failure failure() const { return failure_; }
  // After a success, the kind read: "pbm", "pgm", "ppm", "png", "jpeg", "tiff", "webp", "bmp",
  // "gif".
  const std::string& format() const { return format_; }

 private:
  bool fail(_photo_failure failure, const std::string& file_name, const std::string& reason);
  bool read_netpbm(const std::string& file_name, const unsigned char* data, size_t size,
                   _image& image, int max_size);
  bool read_tiff(const std::string& file_name, const unsigned char* data, size_t size,
                 _image& image, int max_size);
  bool read_jpeg(const std::string& file_name, const unsigned char* data, size_t size,
                 _image& image, int max_size);
  bool read_png(const std::string& file_name, const unsigned char* data, size_t size, _image& image,
                int max_size);
  bool read_qt(const std::string& file_name, const unsigned char* data, size_t size, _image& image,
               int max_size);
  bool streamed = false;  // read from a pipe or standard input: there is no second reading
  bool check_size(const std::string& file_name, uint64_t width, uint64_t height, int max_size);

  std::string error_;
  _photo_failure failure_ = _photo_failure::none;
  std::string format_;
};

// The one conversion of a decoded picture to 8-bit grey, stored in image (row 0 at the bottom):
//  - each channel (and alpha) of more than 8 bits is first brought to 8 bits as netpbm's pamdepth
//    does: v8 = floor((v * 255 + floor(maxval / 2)) / maxval);
//  - a pixel with alpha is put over white paper per channel:
//    c = floor((c * a + 255 * (255 - a) + 127) / 255) (premultiplied pixels: c = c_p + 255 - a);
//  - grey = (77 R + 150 G + 29 B + 128) >> 8, as netpbm's ppmtopgm gives for 8-bit files; grey
//    pixels (R = G = B) keep their value.
// False, with the image untouched, for a null picture.
bool photo_to_grey(const QImage& picture, _image& image);

// The rule above for one 8-bit pixel, for tests and callers that convert single colours.
inline unsigned grey_of(unsigned r, unsigned g, unsigned b) {
  return (77 * r + 150 * g + 29 * b + 128) >> 8;
}
inline unsigned over_white(unsigned c, unsigned a) {
  return (c * a + 255 * (255 - a) + 127) / 255;
}
inline unsigned to_8_bits(uint32_t v, uint32_t maxval) {
  return static_cast<unsigned>((uint64_t{v} * 255 + maxval / 2) / maxval);
}

}  // namespace stippon
