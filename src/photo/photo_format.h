#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/rgb_image.h"

namespace stippon {

// The largest picture read, in millions of pixels (width x height). A 100-megapixel camera
// file opens; above the bound a file is refused from its header, before anything is allocated.
inline constexpr unsigned PHOTO_MAX_MEGAPIXELS = 200;

// A photograph file held whole in memory, as the reader maps or reads it.
struct _photo_file {
  const unsigned char* data = nullptr;
  size_t size = 0;
};

// What a format module made of a file.
enum class _decode_result {
  read,           // the raster holds the picture
  other_kind,     // a kind of the format it does not read exactly: the reader hands it to Qt
  not_a_picture,  // not a file of the format after all, or a kind of it nothing reads
  refused,        // the size was refused; nothing was allocated for the picture
  truncated,      // the data ends before the picture does
  damaged,        // the picture's data is malformed
};

// What a module tells of a file besides its picture.
struct _decode_notes {
  std::string kind;    // of a file read: "pgm", "png", ...
  std::string detail;  // of a damaged file, where the module can say where and why
  // The embedded ICC profile's bytes, as the file holds them (none when the file has none).
  std::vector<uint8_t> profile;
};

// Asked with the picture's size, after its orientation, before anything large is allocated.
using _accept_size = std::function<bool(uint64_t width, uint64_t height)>;

// One kind of photograph file. The reader (photo/photo_reader.h) finds the module by the file's
// first bytes, never by its name, and turns the results into its messages. Modules show and
// print nothing.
class _photo_format {
 public:
  virtual ~_photo_format() = default;

  // Whether the file begins as files of this kind begin.
  virtual bool recognises(const _photo_file& file) const = 0;
  // Decodes the picture into grey (row 0 at the bottom, samples 0..255) by the rule of
  // photo/photo_grey.h, with its orientation applied, and notes the kind read. A picture of a
  // colour kind also gives its colour: each channel after that rule's depth and paper steps, so
  // that the grey is grey_of of it; a grey kind leaves colour empty. On any result but read,
  // grey and colour are left as they were.
  virtual _decode_result read(const _photo_file& file, const _accept_size& accept, _image& grey,
                              _rgb_image& colour, _decode_notes& notes) const = 0;
};

}  // namespace stippon
