// The photo reader on netpbm-like bytes (seeded with PGM files and their dictionary): the dot
// sheets and many photographs come through it.
#include "fuzz_input.h"
#include "photo/photo_reader.h"

using namespace stippon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The largest edge the program accepts; the pixel limit still allows pictures whose decoding
  // (a GIF's canvas, say) outgrows the fuzzer's memory, so the picture is kept to 64 megapixels.
  constexpr int max_size = 1 << 13;
  _photo_reader reader;
  _image image;
  if (!reader.read(fuzzing::as_file(data, size), image, max_size)) {
    fuzzing::require(!reader.error().empty() && image.samples.empty());
    return 0;
  }
  // Whatever was read is a whole 8-bit raster.
  fuzzing::require_whole_raster(image, max_size);
  return 0;
}
