#pragma once

#include <string>

#include "image/texture.h"

namespace stippon {

// Prints a formatted PNG-layer message and a line break to standard error; does not end anything.
void abort_(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reads and writes 8-bit RGB and RGBA PNG files through libpng.
class _file_png {
 public:
  // 1 on success, 0 on a reported failure (also for PNG kinds other than 8-bit RGB/RGBA).
  int read(std::string file_name, _texture& texture);
  // Writes RGBA atomically (temporary file renamed over the target). With ppi > 0 the file
  // carries a pHYs chunk so that it prints at that resolution. 1 on success, 0 on failure.
  int write(std::string file_name, const _texture& texture, unsigned ppi = 0);
};

}  // namespace stippon
