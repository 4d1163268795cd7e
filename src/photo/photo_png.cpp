#include "photo/photo_png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "photo/byte_order.h"
#include "photo/photo_grey.h"

namespace stippon {

namespace {

constexpr size_t SIGNATURE_BYTES = 8;
// Deflate codes a 258-byte match in two bits at best, so no compressed stream expands more than
// 1032 times: a file that declares more pixel bytes than that cannot hold them.
constexpr uint64_t MAX_DEFLATE_RATIO = 1032;
// Chunks never used, among them those that libpng would inflate whole: ignoring them keeps their
// compressed contents from expanding in memory. The colour profile is inflated, within
// PROFILE_MAX_BYTES.
constexpr png_byte UNUSED_CHUNKS[] = "zTXt\0iTXt\0tEXt\0sPLT\0eXIf";
constexpr int UNUSED_CHUNK_COUNT = 5;
// The largest chunk libpng inflates: ICC profiles of photographs take a few kilobytes, those
// with lookup tables a few megabytes.
constexpr png_alloc_size_t PROFILE_MAX_BYTES = 16 << 20;

// The data of the first chunk of a type, or an empty span.
std::vector<uint8_t> chunk_data(const unsigned char* data, size_t size, const char* type) {
  constexpr size_t frame = 12;
  for (size_t at = SIGNATURE_BYTES; at + frame <= size;) {
    const uint32_t length = be32(data + at);
    if (length > size - at - frame) break;
    if (std::memcmp(data + at + 4, type, 4) == 0)
      return std::vector<uint8_t>(data + at + 8, data + at + 8 + length);
    at += frame + length;
  }
  return {};
}

// The chunks up to IEND.
bool png_whole(const unsigned char* data, size_t size) {
  uint64_t pos = SIGNATURE_BYTES;
  while (pos + 8 <= size) {
    if (std::memcmp(data + pos + 4, "IEND", 4) == 0) return true;
    pos += uint64_t{12} + be32(data + pos);
  }
  return false;
}

// libpng reads every chunk but the image data whole into memory of the length the chunk
// declares, even past what the file holds. A chunk that declares more bytes than follow it is
// refused first, so nothing larger than the file itself is ever allocated for one.
bool chunks_fit(const unsigned char* data, size_t size) {
  constexpr size_t frame = 12;  // length, type, CRC
  for (size_t at = SIGNATURE_BYTES; at + frame <= size;) {
    const uint32_t length = be32(data + at);
    const bool image_data = std::memcmp(data + at + 4, "IDAT", 4) == 0;
    if (length > size - at - frame) return image_data;  // libpng streams image data itself
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) break;
    at += frame + length;
  }
  return true;
}

struct png_source {
  const unsigned char* data;
  size_t size;
  size_t pos;
  char message[200];
};

void png_read_memory(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<png_source*>(png_get_io_ptr(png));
  if (count > source->size - source->pos) png_error(png, "truncated");
  std::memcpy(out, source->data + source->pos, count);
  source->pos += count;
}

// Errors are kept for the result, warnings dropped: the core prints nothing.
void png_keep_error(png_structp png, png_const_charp message) {
  auto* source = static_cast<png_source*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message);
  png_longjmp(png, 1);
}
void png_drop_warning(png_structp, png_const_charp) {}

struct png_structs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  explicit png_structs(png_source* source) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, source, png_keep_error, png_drop_warning);
    info = png ? png_create_info_struct(png) : nullptr;
    if (png) png_set_read_fn(png, source, png_read_memory);
  }
  png_structs(const png_structs&) = delete;
  png_structs& operator=(const png_structs&) = delete;
  ~png_structs() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

// The embedded profile, inflated. A profile chunk that libpng refused (it checks the profile's
// header and inflates within PROFILE_MAX_BYTES) is given as the chunk holds it, which no profile
// parser takes: the picture is then read as sRGB, with a warning.
std::vector<uint8_t> png_profile(png_structp png, png_infop info, const png_source& source) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &length) == PNG_INFO_iCCP &&
      profile != nullptr)
    return std::vector<uint8_t>(profile, profile + length);
  return chunk_data(source.data, source.size, "iCCP");
}

// libpng reports errors by longjmp to the last setjmp: each step runs in its own frame whose
// locals are trivially destructible, and the objects that own memory live in the caller.
bool png_header(png_structp png, png_infop info, uint32_t* width, uint32_t* height,
                size_t* row_bytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, SIGNATURE_BYTES);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_chunk_malloc_max(png, PROFILE_MAX_BYTES);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, UNUSED_CHUNKS, UNUSED_CHUNK_COUNT);
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  *row_bytes = png_get_rowbytes(png, info);
  return true;
}

// Palette to RGB, grey below 8 bits to 8 bits (exact multiples: 0, 85, 170, 255 for 2 bits),
// a transparent colour to alpha; 16-bit samples stay 16 bits, most significant byte first.
bool png_prepare(png_structp png, png_infop info, int* channels, int* bytes, int* passes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_expand(png);
  *passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *channels = png_get_channels(png, info);
  *bytes = png_get_bit_depth(png, info) == 16 ? 2 : 1;
  return true;
}

// One decoded row: its 1 to 4 channels (grey, grey + alpha, RGB, RGBA) of 1 or 2 bytes each.
struct png_row {
  const unsigned char* data;
  int channels;
  int bytes;
  uint32_t width;
};

// Hands the rows in file order to put(y, row). Interlaced files are gathered whole in `rows`;
// the others pass one row at a time through rows[0].
template <class Put>
bool png_rows(png_structp png, png_bytepp rows, bool whole_image, png_row row, uint32_t height,
              Put& put) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (whole_image) {
    png_read_image(png, rows);
    for (uint32_t y = 0; y < height; ++y) {
      row.data = rows[y];
      put(y, row);
    }
  } else {
    for (uint32_t y = 0; y < height; ++y) {
      png_read_row(png, rows[0], nullptr);
      row.data = rows[0];
      put(y, row);
    }
  }
  return true;
}

// The file's 8-bit value of channel c of pixel x.
inline unsigned channel(const png_row& row, uint32_t x, int c) {
  const unsigned char* p = row.data + (size_t{x} * row.channels + c) * row.bytes;
  return row.bytes == 2 ? depth_16_to_8()[be16(p)] : p[0];
}

void row_to_grey(const png_row& row, float* out) {
  for (uint32_t x = 0; x < row.width; ++x) {
    switch (row.channels) {
      case 1:
        out[x] = static_cast<float>(channel(row, x, 0));
        break;
      case 2:
        out[x] = static_cast<float>(over_white(channel(row, x, 0), channel(row, x, 1)));
        break;
      case 3:
        out[x] =
            static_cast<float>(grey_of(channel(row, x, 0), channel(row, x, 1), channel(row, x, 2)));
        break;
      default: {
        const unsigned a = channel(row, x, 3);
        out[x] = static_cast<float>(grey_of(over_white(channel(row, x, 0), a),
                                            over_white(channel(row, x, 1), a),
                                            over_white(channel(row, x, 2), a)));
      }
    }
  }
}

// A colour row's RGB over white, as row_to_grey makes its grey of it.
void row_to_rgb(const png_row& row, uint8_t* out) {
  for (uint32_t x = 0; x < row.width; ++x, out += 3) {
    const unsigned a = row.channels == 4 ? channel(row, x, 3) : 255;
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(over_white(channel(row, x, c), a));
  }
}

void row_to_colour(const png_row& row, _pixel* out) {
  const bool colour = row.channels >= 3;
  const bool alpha = row.channels == 2 || row.channels == 4;
  for (uint32_t x = 0; x < row.width; ++x) {
    const auto r = static_cast<unsigned char>(channel(row, x, 0));
    const auto g = colour ? static_cast<unsigned char>(channel(row, x, 1)) : r;
    const auto b = colour ? static_cast<unsigned char>(channel(row, x, 2)) : r;
    const auto a = alpha ? static_cast<unsigned char>(channel(row, x, row.channels - 1)) : 255;
    out[x] = _pixel(r, g, b, a);
  }
}

// The whole decode; make(width, height) allocates the picture once the size is accepted and
// returns put(y, row), which stores file row y.
// The embedded colour profile goes to profile, when given.
template <class Make>
_decode_result decode(const _photo_file& file, const _accept_size& accept, Make make,
                      std::vector<uint8_t>* profile = nullptr) {
  if (!chunks_fit(file.data, file.size)) return _decode_result::truncated;
  png_source source{file.data, file.size, SIGNATURE_BYTES, {}};
  png_structs structs(&source);
  if (!structs.png || !structs.info) return _decode_result::damaged;
  uint32_t width = 0, height = 0;
  size_t file_row_bytes = 0;
  if (!png_header(structs.png, structs.info, &width, &height, &file_row_bytes))
    return png_whole(file.data, file.size) ? _decode_result::damaged : _decode_result::truncated;
  if (!accept(width, height)) return _decode_result::refused;
  if (!png_whole(file.data, file.size)) return _decode_result::truncated;
  if (profile != nullptr) *profile = png_profile(structs.png, structs.info, source);
  if (uint64_t{file_row_bytes} * height > uint64_t{file.size} * MAX_DEFLATE_RATIO)
    return _decode_result::damaged;
  png_row row{nullptr, 0, 0, width};
  int passes = 0;
  if (!png_prepare(structs.png, structs.info, &row.channels, &row.bytes, &passes) ||
      row.channels < 1 || row.channels > 4)
    return _decode_result::damaged;

  const size_t row_bytes = size_t{width} * static_cast<size_t>(row.channels * row.bytes);
  const bool whole_image = passes > 1;
  std::vector<png_byte> buffer(row_bytes * (whole_image ? height : 1));
  std::vector<png_bytep> rows(whole_image ? height : 1);
  for (size_t k = 0; k < rows.size(); ++k) rows[k] = buffer.data() + k * row_bytes;
  auto put = make(width, height);
  if (!png_rows(structs.png, rows.data(), whole_image, row, height, put))
    return std::strcmp(source.message, "truncated") == 0 ? _decode_result::truncated
                                                         : _decode_result::damaged;
  return _decode_result::read;
}

}  // namespace

bool _photo_png::recognises(const _photo_file& file) const {
  return file.size >= SIGNATURE_BYTES && png_sig_cmp(file.data, 0, SIGNATURE_BYTES) == 0;
}

_decode_result _photo_png::read(const _photo_file& file, const _accept_size& accept, _image& grey,
                                _rgb_image& colour, _decode_notes& notes) const {
  _image loaded;
  _rgb_image rgb;
  const _decode_result result = decode(
      file, accept,
      [&](uint32_t width, uint32_t height) {
        loaded.width = width;
        loaded.height = height;
        resize_large(loaded.samples, size_t{width} * height);
        return [&loaded, &rgb](uint32_t y, const png_row& row) {
          const size_t at = size_t{loaded.height - 1 - y} * loaded.width;
          row_to_grey(row, loaded.samples.data() + at);
          if (row.channels < 3) return;
          if (rgb.empty()) {
            rgb.width = loaded.width;
            rgb.height = loaded.height;
            resize_large(rgb.bytes, size_t{3} * loaded.width * loaded.height);
          }
          row_to_rgb(row, rgb.bytes.data() + 3 * at);
        };
      },
      &notes.profile);
  if (result != _decode_result::read) return result;
  grey = std::move(loaded);
  colour = std::move(rgb);
  notes.kind = "png";
  return result;
}

_decode_result _photo_png::read_colour(const _photo_file& file, const _accept_size& accept,
                                       _texture& colour) const {
  _texture loaded;
  const _decode_result result = decode(file, accept, [&](uint32_t width, uint32_t height) {
    loaded.width = width;
    loaded.height = height;
    loaded.texels.resize(size_t{width} * height);
    return [&loaded](uint32_t y, const png_row& row) {
      row_to_colour(row, loaded.texels.data() + size_t{loaded.height - 1 - y} * loaded.width);
    };
  });
  if (result == _decode_result::read) colour = std::move(loaded);
  return result;
}

}  // namespace stippon
