#pragma once

#include <cstdint>
#include <cstring>

namespace stippon {

// A row of black and white samples (0 or 255 each) packed eight to a byte, the leftmost pixel in
// the most significant bit, with the bit of each white pixel set (PNG, PDF) or the bit of each
// black one (TIFF's min-is-white). The top bit of a sample tells white from black, so eight
// samples pack with one multiply: loaded with the first sample in the top byte, the product moves
// the top bit of sample i to bit 7 - i of its top byte, and no two of its shifted bits meet.
inline void pack_bilevel(const uint8_t* row, unsigned width, bool white_set, uint8_t* out) {
  constexpr uint64_t TOP_BITS = 0x8080808080808080u;
  constexpr uint64_t GATHER = 0x0002040810204081u;
  const uint8_t flip = white_set ? 0x00 : 0xff;
  unsigned x = 0;
  for (; x + 8 <= width; x += 8) {
    uint64_t eight;
    std::memcpy(&eight, row + x, sizeof eight);
    eight = __builtin_bswap64(eight) & TOP_BITS;  // the leftmost pixel in the top byte
    *out++ = static_cast<uint8_t>((eight * GATHER) >> 56) ^ flip;
  }
  if (x == width) return;
  uint8_t last = 0;
  for (unsigned bit = 0; x < width; ++x, ++bit)
    last |= static_cast<uint8_t>((row[x] >> 7) << (7 - bit));
  *out = white_set ? last : static_cast<uint8_t>(~last & (0xff00u >> (width % 8)));
}

}  // namespace stippon
