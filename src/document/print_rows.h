#pragma once

#include <cstdint>
#include <vector>

#include "image/pixel.h"
#include "image/texture.h"
#include "print/print_kind.h"

namespace stippon {

// Turns rows of a print as the engine makes them (grey bytes or colour texels) into the packed
// rows of the file's kind: grey and bilevel bytes as they are, grey through a tone ramp into RGB
// or RGBA, colour texels into RGB or RGBA.
class _print_rows {
 public:
  _print_rows(unsigned width, _print_kind kind, const _texture* ramp);

  // The kind a grey print takes: through a ramp, RGB unless the ramp holds a transparent colour;
  // without one, 1-bit where every sample is black or white, else 8-bit grey.
  static _print_kind grey_kind(bool bilevel, const _texture* ramp);
  // RGBA only where some texel is not opaque.
  static _print_kind colour_kind(const std::vector<_pixel>& texels);

  const uint8_t* from_grey(const uint8_t* bytes, unsigned rows);
  const uint8_t* from_colour(const _pixel* texels, unsigned rows);

 private:
  unsigned width;
  _print_kind kind;
  const _texture* ramp;
  std::vector<uint8_t> packed;

  uint8_t* room(unsigned rows);
  void put(uint8_t* out, _pixel colour) const;
};

}  // namespace stippon
