#include "document/print_rows.h"

#include <algorithm>

namespace stippon {

namespace {

constexpr unsigned char OPAQUE = 255;

bool usable_ramp(const _texture* ramp) {
  return ramp != nullptr && ramp->height > 0 && ramp->texels.size() >= ramp->width &&
         ramp->width > 0;
}

}  // namespace

_print_rows::_print_rows(unsigned width, _print_kind kind, const _texture* ramp)
    : width(width), kind(kind), ramp(usable_ramp(ramp) ? ramp : nullptr) {}

_print_kind _print_rows::grey_kind(bool bilevel, const _texture* ramp) {
  if (usable_ramp(ramp)) {
    const bool opaque = std::all_of(ramp->texels.begin(), ramp->texels.begin() + ramp->width,
                                    [](const _pixel& p) { return p.a == OPAQUE; });
    return opaque ? _print_kind::rgb : _print_kind::rgba;
  }
  return bilevel ? _print_kind::bilevel : _print_kind::grey;
}

_print_kind _print_rows::colour_kind(const std::vector<_pixel>& texels) {
  const bool opaque =
      std::all_of(texels.begin(), texels.end(), [](const _pixel& p) { return p.a == OPAQUE; });
  return opaque ? _print_kind::rgb : _print_kind::rgba;
}

uint8_t* _print_rows::room(unsigned rows) {
  packed.resize(size_t(width) * rows * bytes_per_pixel(kind));
  return packed.data();
}

void _print_rows::put(uint8_t* out, _pixel colour) const {
  out[0] = colour.r;
  out[1] = colour.g;
  out[2] = colour.b;
  if (kind == _print_kind::rgba) out[3] = colour.a;
}

const uint8_t* _print_rows::from_grey(const uint8_t* bytes, unsigned rows) {
  if (kind == _print_kind::grey || kind == _print_kind::bilevel) return bytes;
  uint8_t* out = room(rows);
  const unsigned step = bytes_per_pixel(kind);
  const size_t count = size_t(width) * rows;
  // A level beyond a narrow ramp keeps its grey, as the tone on screen does.
  for (size_t i = 0; i < count; ++i, out += step)
    put(out, bytes[i] < ramp->width ? ramp->texels[bytes[i]]
                                    : _pixel(bytes[i], bytes[i], bytes[i], OPAQUE));
  return packed.data();
}

const uint8_t* _print_rows::from_colour(const _pixel* texels, unsigned rows) {
  uint8_t* out = room(rows);
  const unsigned step = bytes_per_pixel(kind);
  const size_t count = size_t(width) * rows;
  for (size_t i = 0; i < count; ++i, out += step) put(out, texels[i]);
  return packed.data();
}

}  // namespace stippon
