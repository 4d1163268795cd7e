// The photograph reader on any bytes: every kind of input file the programs open comes through it.
// The same bytes are also parsed as an ICC profile, as a photograph's embedded one is, and a few
// colours converted through it when it parses.
#include "fuzz_input.h"
#include "photo/colour_profile.h"
#include "photo/photo_reader.h"

using namespace stippon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const _colour_profile profile(std::vector<uint8_t>(data, data + size));
  fuzzing::require(!(profile.malformed() && profile.converts()));
  uint8_t colours[] = {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 255};
  profile.to_srgb(colours, sizeof colours / 3);

  constexpr int max_size = 1 << 12;  // small pictures keep each run quick
  _photo_reader reader;
  _image image;
  _rgb_image colour;
  if (!reader.read(fuzzing::as_file(data, size), image, colour, max_size)) {
    fuzzing::require(!reader.error().empty() && image.samples.empty() && colour.empty());
    return 0;
  }
  fuzzing::require_whole_raster(image, max_size);
  fuzzing::require(colour.empty() ||
                   (colour.width == image.width && colour.height == image.height &&
                    colour.bytes.size() == size_t{3} * image.width * image.height));
  return 0;
}
