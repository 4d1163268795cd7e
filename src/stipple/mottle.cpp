#include "stipple/mottle.h"

#include <cstddef>
#include <cstdint>

namespace stippon {

void _mottle::define(unsigned size, unsigned count) {
  // 19 is the highest dot-size slot of a sheet row.
  if (size < 1 || size > 19 || count == 0) return;
  const uint64_t strip_width = uint64_t(count) * size;
  if (strip_width > UINT32_MAX) return;
  dot_count = count;
  dot_size = size;
  height = size;
  width = uint32_t(strip_width);
  samples.assign(std::size_t(strip_width) * size, 0.0f);
}

}  // namespace stippon
