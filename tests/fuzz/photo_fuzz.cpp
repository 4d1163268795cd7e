// The photograph reader on any bytes: every kind of input file the programs open comes through it.
#include <algorithm>

#include "fuzz_input.h"
#include "image/photo_reader.h"

using namespace stippon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int max_size = 1 << 12;  // small pictures keep each run quick
  _photo_reader reader;
  _image image;
  if (!reader.read(fuzzing::as_file(data, size), image, max_size)) {
    fuzzing::require(!reader.error().empty() && image.samples.empty());
    return 0;
  }
  fuzzing::require(image.width > 0 && image.height > 0 && image.width <= max_size &&
                   image.height <= max_size &&
                   image.samples.size() == size_t{image.width} * image.height);
  fuzzing::require(std::all_of(image.samples.begin(), image.samples.end(),
                               [](float v) { return v >= 0.0f && v <= 255.0f; }));
  return 0;
}
