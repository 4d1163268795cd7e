#pragma once

#include <cstdint>

namespace stippon {

// Numbers as the file formats store them: big-endian (PNG, JPEG, netpbm's 16-bit samples,
// Motorola TIFF) and little-endian (BMP, GIF, WebP, Intel TIFF).
inline uint32_t be16(const unsigned char* p) {
  return uint32_t{p[0]} << 8 | p[1];
}
inline uint32_t be32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline uint32_t le16(const unsigned char* p) {
  return uint32_t{p[1]} << 8 | p[0];
}
inline uint32_t le32(const unsigned char* p) {
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

}  // namespace stippon
