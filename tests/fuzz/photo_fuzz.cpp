// The photograph reader on any bytes: every kind of input file the programs open comes through it.
#include "fuzz_input.h"
#include "photo/photo_reader.h"

using namespace stippon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int max_size = 1 << 12;  // small pictures keep each run quick
  _photo_reader reader;
  _image image;
  if (!reader.read(fuzzing::as_file(data, size), image, max_size)) {
    fuzzing::require(!reader.error().empty() && image.samples.empty());
    return 0;
  }
  fuzzing::require_whole_raster(image, max_size);
  return 0;
}
