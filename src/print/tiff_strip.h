#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "print/print_kind.h"

namespace stippon {

// One strip of a TIFF print, encoded apart from the file so that strips can be compressed on
// several threads and written raw, in order, by the file's own libtiff handle.
struct _tiff_strip {
  std::vector<uint8_t> bytes;
  std::string error;  // what failed, when bytes could not be made
};

// Encodes strips of rows of one print: black and white as CCITT Group 4 (min-is-white) through
// libtiff's own encoder on a one-strip TIFF in memory, so that the strip is the one libtiff would
// write; grey, RGB and RGBA as zlib data from libdeflate, the Deflate compression TIFF reads;
// CMYK as zlib data from ISA-L.
class _tiff_strip_encoder {
 public:
  _tiff_strip_encoder(_print_kind kind, unsigned width) : kind_(kind), width_(width) {}

  // count rows of the print's width, top row first: black and white packed eight pixels to a
  // byte with a set bit black, other kinds bytes_per_pixel(kind) bytes per pixel. Reads nothing
  // else, so several strips may be encoded at once.
  void encode(const uint8_t* rows, unsigned count, _tiff_strip& strip) const;

 private:
  void group_4(const uint8_t* rows, unsigned count, _tiff_strip& strip) const;
  void deflate(const uint8_t* rows, unsigned count, _tiff_strip& strip) const;
  void deflate_fast(const uint8_t* rows, unsigned count, _tiff_strip& strip) const;

  _print_kind kind_;
  unsigned width_;
};

}  // namespace stippon
