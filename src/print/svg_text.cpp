#include "print/svg_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace stippon {

_svg_text::_svg_text(FILE* file) : file(file), buffer(BLOCK_BYTES + NUMBER_BYTES) {}

char* _svg_text::room(size_t characters) {
  if (used + characters > BLOCK_BYTES) flush();
  return buffer.data() + used;
}

_svg_text& _svg_text::long_text(std::string_view characters) {
  if (characters.size() > BLOCK_BYTES) {
    flush();
    if (!failed && file != nullptr &&
        std::fwrite(characters.data(), 1, characters.size(), file) != characters.size()) {
      failed = true;
      failure = errno;
    }
    written += characters.size();
    return *this;
  }
  std::memcpy(room(characters.size()), characters.data(), characters.size());
  used += characters.size();
  return *this;
}

_svg_text& _svg_text::whole(int64_t value) {
  char* out = room(NUMBER_BYTES);
  used += size_t(std::to_chars(out, out + NUMBER_BYTES, value).ptr - out);
  return *this;
}

// A sign, at most 19 digits, a point and three decimals: within NUMBER_BYTES.
char* _svg_text::format_thousandths(char* out, int64_t value, bool compact) {
  // The magnitude in unsigned arithmetic: INT64_MIN has no positive counterpart.
  uint64_t magnitude = uint64_t(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0 - magnitude;
  }
  const uint64_t units = magnitude / THOUSAND;
  const unsigned fraction = unsigned(magnitude % THOUSAND);
  if (units != 0 || fraction == 0 || !compact)
    out = std::to_chars(out, out + NUMBER_BYTES, units).ptr;
  if (fraction != 0) {
    // All three decimals are written, and the trailing zeros taken back.
    *out++ = '.';
    out[0] = char('0' + fraction / 100);
    out[1] = char('0' + fraction / 10 % 10);
    out[2] = char('0' + fraction % 10);
    out += fraction % 100 == 0 ? 1 : fraction % 10 == 0 ? 2 : 3;
  }
  return out;
}

bool _svg_text::flush() {
  if (used > 0 && !failed &&
      (file == nullptr || std::fwrite(buffer.data(), 1, used, file) != used)) {
    failed = true;
    failure = file == nullptr ? 0 : errno;
  }
  written += used;
  used = 0;
  return !failed;
}

}  // namespace stippon
