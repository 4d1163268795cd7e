#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace stippon {

// The text of a large vector file built in one buffer and written in blocks of a megabyte, so that
// a print of a million elements costs a few hundred writes. Numbers are formatted with
// std::to_chars as fixed point, free of the locale, and lengths are given in thousandths (of a
// millimetre, say) so that rounding happens once, where the caller chooses.
class _svg_text {
 public:
  // Writes to file, which stays the caller's; a null file fails at the first flush.
  explicit _svg_text(FILE* file);

  // A vector file is a few short texts and numbers per element: these are copied and
  // formatted in place, the buffer flushed only when one would not fit.
  _svg_text& text(std::string_view characters) {
    if (used + characters.size() > BLOCK_BYTES) return long_text(characters);
    std::memcpy(buffer.data() + used, characters.data(), characters.size());
    used += characters.size();
    return *this;
  }
  // value / 1000 with at most three decimals and no trailing zeros: 12345 -> "12.345",
  // -500 -> "-0.5", 2000 -> "2".
  _svg_text& thousandths(int64_t value) {
    if (used + NUMBER_BYTES > BLOCK_BYTES) flush();
    char* const start = buffer.data() + used;
    used += size_t(format_thousandths(start, value) - start);
    return *this;
  }
  // A length rounded to thousandths.
  _svg_text& fixed(double value) { return thousandths(round_thousandths(value)); }
  _svg_text& whole(int64_t value);

  // Writes the buffer out; false once any write has failed.
  bool flush();
  bool good() const { return !failed; }
  // The system's error number of the write that failed (0 when none did, or without a file).
  int error_number() const { return failure; }
  uint64_t bytes() const { return written + used; }

  // value x 1000 rounded half away from zero, as std::llround rounds, without a call: the whole
  // part and the rest are exact below 2^52 thousandths, far beyond any page.
  static int64_t round_thousandths(double value) {
    const double scaled = value * double(THOUSAND);
    if (!(std::abs(scaled) < EXACT_WHOLE)) return std::llround(scaled);
    const int64_t whole = int64_t(scaled);
    const double rest = scaled - double(whole);
    return whole + (rest >= 0.5) - (rest <= -0.5);
  }
  // The longest number format_thousandths writes.
  static constexpr size_t NUMBER_BYTES = 32;
  static constexpr size_t BLOCK_BYTES = size_t(1) << 20;     // written at once
  static constexpr double EXACT_WHOLE = 4503599627370496.0;  // 2^52
  static constexpr int64_t THOUSAND = 1000;
  // Writes value / 1000 as thousandths() does at out and returns its end. `compact` leaves out
  // the zero before the point of numbers below one ("-.5", as path data allows).
  static char* format_thousandths(char* out, int64_t value, bool compact = false);

 private:
  // Room for a number or a short text: flushes when the buffer is nearly full.
  char* room(size_t characters);
  // A text that does not fit in the buffer's rest: after a flush, copied or written directly.
  _svg_text& long_text(std::string_view characters);

  FILE* file;
  std::vector<char> buffer;
  size_t used = 0;
  uint64_t written = 0;
  bool failed = false;
  int failure = 0;
};

}  // namespace stippon
