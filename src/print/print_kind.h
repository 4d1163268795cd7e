#pragma once

#include <cstdint>

namespace stippon {

// The pixels a print file holds, the smallest that keeps the print exact: grey for grey prints,
// bilevel for black and white (samples 0 or 255 only, stored as one bit where the format can),
// rgb for tones and colour stippling, rgba only where some pixel is not opaque, cmyk for the
// four process inks of a separated print (each sample the ink's amount: 0 none, 255 solid).
enum class _print_kind { grey, bilevel, rgb, rgba, cmyk };

// The only samples of a bilevel print.
constexpr uint8_t BILEVEL_BLACK = 0;
constexpr uint8_t BILEVEL_WHITE = 255;

// The bytes of one pixel in the rows handed to a print writer.
constexpr unsigned bytes_per_pixel(_print_kind kind) {
  switch (kind) {
    case _print_kind::rgb:
      return 3;
    case _print_kind::rgba:
    case _print_kind::cmyk:
      return 4;
    default:
      return 1;
  }
}

}  // namespace stippon
