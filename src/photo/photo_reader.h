#pragma once

#include <climits>
#include <string>

#include "image/image.h"
#include "image/texture.h"
#include "photo/photo_format.h"

namespace stippon {

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

// Reads a picture file of any kind Stippon knows: photographs, dot sheets and tone ramps all come
// in here. The file is held whole in memory (mapped where the system allows) and its kind found
// from the content, never from the name, by one module per format: netpbm (photo_netpbm.h), PNG
// (photo_png.h), TIFF (photo_tiff.h), JPEG (photo_jpeg.h), and WebP, BMP and GIF through Qt
// (photo_qt.h), which also takes the kinds of JPEG and TIFF the others hand over. "-" is standard
// input; pipes, FIFOs and devices read like files. Shows and prints nothing (Qt's decoders may
// still log a warning through Qt's message handler).
class _photo_reader {
 public:
  // Reads file_name into image: samples 0..255, row 0 at the bottom of the picture. Refuses a
  // picture with an edge above max_size pixels or more than PHOTO_MAX_MEGAPIXELS million pixels
  // (after the EXIF orientation) before decoding it; max_size <= 0 sets no edge limit. True on
  // success; on failure the image is left as it was, and error() names the file and the reason.
  bool read(const std::string& file_name, _image& image, int max_size = INT_MAX);
  // As read, and the picture's colour into colour (8-bit RGB after the same depth and paper
  // rules, so that the grey is grey_of of it), left empty for a grey picture: its colour is
  // R = G = B = its grey. On failure both are left as they were.
  // Colours are sRGB: a picture with an embedded ICC profile (PNG, JPEG, TIFF, and the kinds Qt
  // reads) is converted to sRGB with Little CMS and its grey made from that; a picture without
  // one, or with one that says sRGB, keeps its exact values. A malformed profile is ignored, and
  // warning() says so.
  bool read(const std::string& file_name, _image& image, _rgb_image& colour,
            int max_size = INT_MAX);
  // Reads a PNG in colour (8-bit RGBA, row 0 at the bottom), as the tone ramps are kept; any
  // other kind is not a picture here.
  bool read_colour(const std::string& file_name, _texture& texture);

  // After a failure: "Cannot read <file name>: <reason>", where the reason is one of
  //   "cannot open it (<system message>)", "not a picture Stippon can read", "truncated",
  //   "damaged" (or "damaged: <where and why>" where the format tells), "too large: W × H pixels,
  //   the limit is N pixels on a side" (the caller's max_size) or "too large: W × H pixels, the
  //   limit is N megapixels". Empty after a success.
  const std::string& error() const { return error_; }
  // After a success, what the reader could not honour, or empty: "<file name>: the colour
  // profile is damaged; the colours are read as sRGB".
  const std::string& warning() const { return warning_; }
  _photo_failure failure() const { return failure_; }
  // After a success, the kind read: "pbm", "pgm", "ppm", "png", "jpeg", "tiff", "webp", "bmp",
  // "gif".
  const std::string& format() const { return format_; }

 private:
  // Opens and holds the file; false after a failure.
  template <class Decode>
  bool read_file(const std::string& file_name, Decode decode);
  bool fail(_photo_failure failure, const std::string& file_name, const std::string& reason);
  // Turns a module's result into the reader's: true for read, else the failure and its message.
  bool result(_decode_result decoded, const std::string& file_name);
  bool check_size(const std::string& file_name, uint64_t width, uint64_t height, int max_size);

  // Brings the colours of a picture just read to sRGB, and its grey with them.
  void manage_colour(const std::vector<uint8_t>& profile, const std::string& file_name,
                     _image& image, _rgb_image& colour);

  std::string error_;
  std::string warning_;
  _photo_failure failure_ = _photo_failure::none;
  std::string format_;
  std::string damage_;  // the module's detail of a damaged file
};

}  // namespace stippon
