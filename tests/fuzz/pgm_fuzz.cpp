// The PGM reader on any bytes: photographs and dot sheets come through it.
#include "fuzz_input.h"
#include "photo/file_pgm.h"

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
  fuzzing::require_whole_raster(image, max_size);
  return 0;
}
