// The PGM reader on any bytes: photographs and dot sheets come through it.
#include <algorithm>

#include "fuzz_input.h"
#include "image/file_pgm.h"

using namespace stippon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The largest edge the program accepts.
  constexpr int max_size = 1 << 14;
  _file_pgm reader;
  _image image;
  if (reader.read(fuzzing::as_file(data, size), image, max_size) != 1) {
    fuzzing::require(!reader.last_error().empty() && image.samples.empty());
    return 0;
  }
  // Whatever was read is a whole 8-bit raster.
  fuzzing::require(image.width > 0 && image.height > 0 && image.width <= max_size &&
                   image.height <= max_size &&
                   image.samples.size() == size_t{image.width} * image.height);
  fuzzing::require(std::all_of(image.samples.begin(), image.samples.end(),
                               [](float v) { return v >= 0.0f && v <= 255.0f; }));
  return 0;
}
