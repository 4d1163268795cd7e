#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "image/image.h"

namespace stippon::fuzzing {

// Hands the fuzzer's bytes to a reader under a file name, so that the reader runs exactly as
// the program runs it: opened by name, checked with fstat, read as a stream. One file in memory
// is rewritten for each input; every open of its /proc name starts at offset 0.
inline std::string as_file(const uint8_t* data, size_t size) {
  static const int descriptor = ::memfd_create("stippon-fuzz", MFD_CLOEXEC);
  if (descriptor < 0 || ::ftruncate(descriptor, 0) != 0) __builtin_trap();
  for (size_t done = 0; done < size;) {
    const ssize_t written =
        ::pwrite(descriptor, data + done, size - done, static_cast<off_t>(done));
    if (written <= 0) __builtin_trap();
    done += static_cast<size_t>(written);
  }
  return "/proc/self/fd/" + std::to_string(descriptor);
}

// A property that must hold for every input: failing it is a finding like a crash.
inline void require(bool holds) {
  if (!holds) __builtin_trap();
}

// What a successful read must give: a whole raster within the edge limit, samples in 0..255.
inline void require_whole_raster(const stippon::_image& image, unsigned max_size) {
  require(image.width > 0 && image.height > 0 && image.width <= max_size &&
          image.height <= max_size && image.samples.size() == size_t{image.width} * image.height);
  for (float v : image.samples) require(v >= 0.0f && v <= 255.0f);
}

}  // namespace stippon::fuzzing
