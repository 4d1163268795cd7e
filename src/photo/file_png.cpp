#include "photo/file_png.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/atomic_file.h"
#include "files/file_access.h"

namespace stippon {

void abort_(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

namespace {

// Beyond these a file is taken for damaged or hostile rather than a picture to keep in memory.
constexpr png_uint_32 MAX_EDGE = 32768;
constexpr uint64_t MAX_PIXELS = uint64_t{1} << 26;
// The largest file read: twice the raw size of the largest picture leaves room for stored
// (uncompressed) data and ancillary chunks.
constexpr uint64_t MAX_FILE_BYTES = MAX_PIXELS * 4 * 2;
// Deflate codes a 258-byte match in two bits at best, so no compressed stream expands more than
// 1032 times: a file that declares more pixel bytes than that cannot hold them.
constexpr uint64_t MAX_DEFLATE_RATIO = 1032;
constexpr size_t SIGNATURE_BYTES = 8;

// The file after its signature, held in memory so that its size is known before anything is
// allocated for the picture, also when it comes through a pipe.
struct memory_source {
  const png_byte* data;
  size_t size;
  size_t offset;
};

void read_memory(png_structp png, png_bytep target, size_t length) {
  auto* source = static_cast<memory_source*>(png_get_io_ptr(png));
  if (length > source->size - source->offset) png_error(png, "unexpected end of file");
  std::memcpy(target, source->data + source->offset, length);
  source->offset += length;
}

// The rest of a stream, or false when it is longer than any file we read or cannot be read.
bool read_rest(FILE* file, std::vector<png_byte>& bytes) {
  png_byte buffer[1 << 16];
  bytes.clear();
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    if (bytes.size() + got > MAX_FILE_BYTES) return false;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return !std::ferror(file);
}

// libpng reads every chunk but the image data whole into memory of the length the chunk
// declares, even past what the file holds. A chunk that declares more bytes than follow it is
// refused here, so nothing larger than the file itself is ever allocated for one.
bool chunks_fit(const std::vector<png_byte>& bytes) {
  constexpr size_t frame = 12;  // length, type, CRC
  for (size_t at = 0; at + frame <= bytes.size();) {
    const png_uint_32 length = png_get_uint_32(bytes.data() + at);
    const bool image_data = std::memcmp(bytes.data() + at + 4, "IDAT", 4) == 0;
    const bool fits = length <= bytes.size() - at - frame;
    if (!fits) return image_data;  // libpng streams image data and reports its end itself
    if (std::memcmp(bytes.data() + at + 4, "IEND", 4) == 0) break;
    at += frame + length;
  }
  return true;
}

// Chunks we never use, among them those that libpng would inflate whole: ignoring them keeps
// their compressed contents from expanding in memory.
constexpr png_byte UNUSED_CHUNKS[] = "iCCP\0zTXt\0iTXt\0tEXt\0sPLT\0eXIf";
constexpr int UNUSED_CHUNK_COUNT = 6;

struct read_structs {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;

  read_structs() = default;
  read_structs(const read_structs&) = delete;
  read_structs& operator=(const read_structs&) = delete;
  ~read_structs() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

struct write_structs {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;

  write_structs() = default;
  write_structs(const write_structs&) = delete;
  write_structs& operator=(const write_structs&) = delete;
  ~write_structs() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

// libpng reports errors by longjmp to the last setjmp. Each step that can fail runs in its own
// frame whose locals are all trivially destructible, so the jump never skips a destructor; the
// objects that own memory live in the caller.
bool read_header(png_structp png, png_infop info, memory_source* source) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, source, read_memory);
  png_set_sig_bytes(png, SIGNATURE_BYTES);
  png_set_user_limits(png, MAX_EDGE, MAX_EDGE);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, UNUSED_CHUNKS, UNUSED_CHUNK_COUNT);
  png_read_info(png, info);
  return true;
}

bool prepare_rows(png_structp png, png_infop info, size_t* row_bytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *row_bytes = png_get_rowbytes(png, info);
  return true;
}

bool read_rows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

// Returns the message of the step that failed, or null when the whole file was written.
const char* write_stream(png_structp png, png_infop info, FILE* file, png_uint_32 width,
                         png_uint_32 height, png_bytepp rows, unsigned ppi) {
  static const char* const failures[] = {
      "[write_png_file] Error during init_io", "[write_png_file] Error during writing header",
      "[write_png_file] Error during writing bytes", "[write_png_file] Error during end of write"};
  volatile int step = 0;  // read again after a longjmp
  if (setjmp(png_jmpbuf(png))) return failures[step];
  png_init_io(png, file);
  step = 1;
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (ppi > 0) {
    const auto per_metre = static_cast<png_uint_32>(std::lround(ppi / 0.0254));
    png_set_pHYs(png, info, per_metre, per_metre, PNG_RESOLUTION_METER);
  }
  // Prints run to hundreds of megapixels: a fast deflate level and the cheap filters keep the
  // write in seconds, and on stippled pictures they compress about as well as the defaults.
  png_set_compression_level(png, 3);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE | PNG_FILTER_SUB);
  png_write_info(png, info);
  step = 2;
  png_write_image(png, rows);
  step = 3;
  png_write_end(png, nullptr);
  return nullptr;
}

}  // namespace

int _file_png::refuse(std::string reason) {
  error = std::move(reason);
  return 0;
}

int _file_png::read(std::string file_name, _texture& texture) {
  error.clear();
  const char* name = file_name.c_str();
  std::string reason;
  file_handle file = open_input(file_name, reason);
  if (!file && reason == IS_A_FOLDER) {
    abort_("[read_png_file] %s is a folder", name);
    return refuse(reason);
  }
  if (!file) {
    std::printf("Error: Cannot open image file %s\n", name);
    return refuse(reason);
  }
  png_byte signature[SIGNATURE_BYTES];
  if (std::fread(signature, 1, SIGNATURE_BYTES, file.get()) != SIGNATURE_BYTES ||
      png_sig_cmp(signature, 0, SIGNATURE_BYTES) != 0) {
    abort_("[read_png_file] File %s is not recognized as a PNG file", name);
    return refuse("is not a PNG file");
  }
  std::vector<png_byte> bytes;
  if (!read_rest(file.get(), bytes)) {
    reason = std::ferror(file.get()) ? system_reason(errno) : "is too large a file";
    abort_("[read_png_file] File %s: %s", name, reason.c_str());
    return refuse(reason);
  }
  file.reset();
  if (!chunks_fit(bytes)) {
    abort_("[read_png_file] File %s has a chunk longer than the file", name);
    return refuse("is damaged or cut short");
  }
  memory_source input{bytes.data(), bytes.size(), 0};
  read_structs structs;
  if (!structs.png) {
    abort_("[read_png_file] png_create_read_struct failed");
    return refuse("png_create_read_struct failed");
  }
  if (!structs.info) {
    abort_("[read_png_file] png_create_info_struct failed");
    return refuse("png_create_info_struct failed");
  }
  if (!read_header(structs.png, structs.info, &input)) {
    abort_("[read_png_file] Error during init_io");
    return refuse("has a damaged header");
  }
  const png_uint_32 width = png_get_image_width(structs.png, structs.info);
  const png_uint_32 height = png_get_image_height(structs.png, structs.info);
  const int colour_type = png_get_color_type(structs.png, structs.info);
  const int bit_depth = png_get_bit_depth(structs.png, structs.info);
  if (bit_depth != 8 || (colour_type != PNG_COLOR_TYPE_RGB && colour_type != PNG_COLOR_TYPE_RGBA)) {
    abort_("[read_png_file] File %s is not an 8-bit RGB or RGBA PNG (colour type %d, bit depth %d)",
           name, colour_type, bit_depth);
    return refuse("is not an 8-bit RGB or RGBA PNG");
  }
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (uint64_t{width} * height > MAX_PIXELS) {
    abort_("[read_png_file] File %s is too large (%s)", name, size.c_str());
    return refuse("is too large (" + size + ")");
  }
  const size_t channels = colour_type == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  const uint64_t file_bytes = SIGNATURE_BYTES + bytes.size();
  if (uint64_t{width} * height * channels > file_bytes * MAX_DEFLATE_RATIO) {
    reason = "declares " + size + " pixels, more than its " + std::to_string(file_bytes) +
             " bytes can hold";
    abort_("[read_png_file] File %s %s", name, reason.c_str());
    return refuse(reason);
  }
  size_t row_bytes = 0;
  if (!prepare_rows(structs.png, structs.info, &row_bytes) || row_bytes != width * channels) {
    abort_("[read_png_file] Error during read_image");
    return refuse("cannot be decoded");
  }
  std::vector<png_byte> data(row_bytes * height);
  std::vector<png_bytep> rows(height);
  for (size_t k = 0; k < height; ++k) rows[k] = data.data() + k * row_bytes;
  if (!read_rows(structs.png, rows.data())) {
    abort_("[read_png_file] Error during read_image");
    return refuse("is damaged or cut short");
  }

  // PNG row 0 is the top of the picture, texture row 0 its bottom.
  _texture loaded;
  loaded.dimensions(height, width);
  loaded.create();
  for (size_t k = 0; k < height; ++k) {
    const png_byte* source = rows[k];
    _pixel* target = loaded.pixels(static_cast<unsigned>(height - 1 - k), 0);
    for (size_t x = 0; x < width; ++x, source += channels)
      target[x] = _pixel(source[0], source[1], source[2], channels == 4 ? source[3] : 255);
  }
  texture = std::move(loaded);
  return 1;
}

int _file_png::write(std::string file_name, const _texture& texture, unsigned ppi) {
  error.clear();
  const char* name = file_name.c_str();
  const size_t width = texture.width;
  const size_t height = texture.height;
  if (texture.texels.size() < width * height) {
    abort_("[write_png_file] The texture holds fewer texels than its size");
    return refuse("the texture holds fewer texels than its size");
  }
  _atomic_file output(file_name);
  if (output.stream() == nullptr) {
    abort_("[write_png_file] File %s could not be opened for writing", name);
    return refuse(output.problem());
  }
  write_structs structs;
  if (!structs.png) {
    abort_("[write_png_file] png_create_write_struct failed");
    return refuse("png_create_write_struct failed");
  }
  if (!structs.info) {
    abort_("[write_png_file] png_create_info_struct failed");
    return refuse("png_create_info_struct failed");
  }
  // The texels already lie in PNG's RGBA byte order; only the rows are taken bottom up.
  std::vector<png_bytep> rows(height);
  for (size_t k = 0; k < height; ++k)
    rows[k] = reinterpret_cast<png_bytep>(const_cast<_pixel*>(texture.texels.data()) +
                                          (height - 1 - k) * width);
  if (const char* failure = write_stream(structs.png, structs.info, output.stream(), texture.width,
                                         texture.height, rows.data(), ppi)) {
    abort_("%s", failure);
    return refuse(failure);
  }
  if (!output.commit()) {
    abort_("[write_png_file] File %s could not be written", name);
    return refuse(output.problem());
  }
  // On standard output the line would land inside the picture.
  if (!is_standard_stream(file_name)) std::printf("File written.\n");
  return 1;
}

}  // namespace stippon
