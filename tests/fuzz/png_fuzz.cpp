// The photo reader's colour PNG on any bytes: the tone images come through it.
#include <zlib.h>

#include <vector>

#include "fuzz_input.h"
#include "photo/photo_reader.h"

using namespace stippon;

namespace {

// Mutated chunks nearly always fail their CRC, and libpng stops at the first one: recomputing
// them lets mutations of sizes, colour types and pixel data reach the decoder and our checks.
void fix_checksums(std::vector<uint8_t>& bytes) {
  constexpr size_t signature = 8, frame = 12;  // length, type ... CRC
  for (size_t at = signature; at + frame <= bytes.size();) {
    const size_t length = size_t{bytes[at]} << 24 | size_t{bytes[at + 1]} << 16 |
                          size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    if (length > bytes.size() - at - frame) break;
    const uLong crc = crc32(0, bytes.data() + at + 4, static_cast<uInt>(length + 4));
    uint8_t* end = bytes.data() + at + 8 + length;
    for (int k = 0; k < 4; ++k) end[k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
    at += frame + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  fix_checksums(bytes);
  _photo_reader reader;
  _texture texture;
  if (!reader.read_colour(fuzzing::as_file(bytes.data(), bytes.size()), texture)) {
    fuzzing::require(!reader.error().empty() && texture.texels.empty());
    return 0;
  }
  fuzzing::require(texture.width > 0 && texture.height > 0 &&
                   texture.texels.size() == size_t{texture.width} * texture.height);
  return 0;
}
