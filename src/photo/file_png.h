#pragma once

#include <string>

#include "image/texture.h"

namespace stippon {

// Prints a formatted PNG-layer message and a line break to standard error; does not end anything.
void abort_(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reads and writes 8-bit RGB and RGBA PNG files through libpng. Every failure prints a line as it
// always has and leaves its reason in last_error(), for the caller to show as "<file>: <reason>".
// The file name "-" reads standard input and writes standard output.
class _file_png {
 public:
  // 1 on success, 0 on a reported failure (also for PNG kinds other than 8-bit RGB/RGBA). The
  // file is read as a stream and held whole before decoding, so that a picture larger than the
  // file could decompress to is refused before anything is allocated for it.
  int read(std::string file_name, _texture& texture);
  // Writes RGBA atomically (see _atomic_file). With ppi > 0 the file carries a pHYs chunk so that
  // it prints at that resolution. 1 on success, 0 on failure.
  int write(std::string file_name, const _texture& texture, unsigned ppi = 0);
  // Why the last read or write failed; empty after a success.
  const std::string& last_error() const { return error; }

 private:
  int refuse(std::string reason);  // keeps the reason, returns 0

  std::string error;
};

}  // namespace stippon
