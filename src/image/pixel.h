#pragma once

namespace stippon {

// 8-bit RGBA colour; four bytes in this order so a row of pixels is an RGBA scanline.
struct _pixel {
  unsigned char r = 0;
  unsigned char g = 0;
  unsigned char b = 0;
  unsigned char a = 255;

  constexpr _pixel() = default;
  constexpr _pixel(unsigned char red, unsigned char green, unsigned char blue,
                   unsigned char alpha = 255)
      : r(red), g(green), b(blue), a(alpha) {}

  bool operator==(const _pixel&) const = default;
};

static_assert(sizeof(_pixel) == 4, "texels are uploaded and written as packed RGBA bytes");

}  // namespace stippon
