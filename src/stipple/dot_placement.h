#pragma once

#include <algorithm>
#include <cstdint>

#include "image/image.h"

namespace stippon {

// Rows of a raster that really have samples behind them (guards an inconsistent set()).
inline unsigned filled_rows(const _image& image) {
  if (image.width == 0) return 0;
  return unsigned(std::min<size_t>(image.height, image.samples.size() / image.width));
}

// A float position truncated toward zero and wrapped into an unsigned position, so that a dot
// whose corner lies at -1 is clipped at the edge rather than moved. Values beyond the int range
// land far outside any raster instead of invoking undefined conversions.
inline unsigned to_position(float value) {
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return 0x80000000u;
  return static_cast<unsigned>(static_cast<int32_t>(value));
}

// The dot-local span [low, high) of one axis of an n-sample dot that lands both on the target
// (positions wrap modulo 2^32, as the per-sample writes do) and inside the sheet cell.
struct _dot_span {
  unsigned low = 0;
  unsigned high = 0;

  bool empty() const { return low >= high; }

  static _dot_span clip(unsigned start, unsigned n, unsigned extent, uint64_t cell_start,
                        uint64_t sheet_extent) {
    _dot_span span;
    uint64_t low = 0;
    uint64_t high = 0;
    if (start < extent) {
      high = uint64_t(extent) - start;
    } else {
      // A start above the raster is a negative position: the dot reaches the raster after
      // wrapping past 2^32.
      low = uint64_t(0u - start);
      high = low + extent;
    }
    high = std::min<uint64_t>(high, n);
    if (cell_start >= sheet_extent) return span;
    high = std::min<uint64_t>(high, sheet_extent - cell_start);
    if (low >= high) return span;
    span.low = unsigned(low);
    span.high = unsigned(high);
    return span;
  }
};

}  // namespace stippon
