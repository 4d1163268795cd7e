#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/rgb_image.h"

class QImage;

namespace stippon {

// The one conversion of a decoded picture to 8-bit grey, stored in image (row 0 at the bottom):
//  - each channel (and alpha) of more than 8 bits is first brought to 8 bits as netpbm's pamdepth
//    does: v8 = floor((v * 255 + floor(maxval / 2)) / maxval);
//  - a pixel with alpha is put over white paper per channel:
//    c = floor((c * a + 255 * (255 - a) + 127) / 255) (premultiplied pixels: c = c_p + 255 - a);
//  - grey = (77 R + 150 G + 29 B + 128) >> 8, as netpbm's ppmtopgm gives for 8-bit files; grey
//    pixels (R = G = B) keep their value.
// A picture of a colour kind (RGB, or a palette) also gives colour, when asked: each channel after
// the depth and paper steps, so that the grey is grey_of of it. A grey kind leaves colour empty.
// False, with the image and colour untouched, for a null picture.
bool photo_to_grey(const QImage& picture, _image& image, _rgb_image* colour = nullptr);

// The rule above for one 8-bit pixel, for the decoders and callers that convert single colours.
inline unsigned grey_of(unsigned r, unsigned g, unsigned b) {
  return (77 * r + 150 * g + 29 * b + 128) >> 8;
}
inline unsigned over_white(unsigned c, unsigned a) {
  return (c * a + 255 * (255 - a) + 127) / 255;
}
inline unsigned to_8_bits(uint32_t v, uint32_t maxval) {
  return static_cast<unsigned>((uint64_t{v} * 255 + maxval / 2) / maxval);
}
// to_8_bits(v, 65535) for every 16-bit value.
const uint8_t* depth_16_to_8();

// 8-bit grey stored top row first into the raster, whose row 0 is the bottom.
void store_grey(const std::vector<uint8_t>& grey, uint32_t width, uint32_t height, _image& image);

// 8-bit RGB stored top row first: its grey (grey_of of each pixel) into grey, and the RGB itself,
// its rows turned over in place, moved into colour. Both rows 0 at the bottom.
void store_colour(std::vector<uint8_t>& rgb, uint32_t width, uint32_t height, _image& grey,
                  _rgb_image& colour);

// Turns a picture of `channels` bytes a pixel stored top row first by a TIFF/EXIF orientation
// (1 to 8; others leave it).
void orient_picture(const std::vector<uint8_t>& stored, uint32_t width, uint32_t height,
                    int orientation, int channels, std::vector<uint8_t>& shown);

// Sizes a vector of n elements for a large picture: the kernel is asked for huge pages before
// the memory is first touched, which costs far fewer page faults than 4 KiB pages.
void resize_large(std::vector<uint8_t>& v, size_t n);
void resize_large(std::vector<float>& v, size_t n);

}  // namespace stippon
