#include "image/file_png.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/atomic_file.h"
#include "image/file_handle.h"

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
bool read_header(png_structp png, png_infop info, FILE* file) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, MAX_EDGE, MAX_EDGE);
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

int _file_png::read(std::string file_name, _texture& texture) {
  const char* name = file_name.c_str();
  file_handle file(std::fopen(name, "rb"));
  if (!file) {
    std::printf("Error: Cannot open image file %s\n", name);
    return 0;
  }
  png_byte signature[8];
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    abort_("[read_png_file] File %s is not recognized as a PNG file", name);
    return 0;
  }
  read_structs structs;
  if (!structs.png) {
    abort_("[read_png_file] png_create_read_struct failed");
    return 0;
  }
  if (!structs.info) {
    abort_("[read_png_file] png_create_info_struct failed");
    return 0;
  }
  if (!read_header(structs.png, structs.info, file.get())) {
    abort_("[read_png_file] Error during init_io");
    return 0;
  }
  const png_uint_32 width = png_get_image_width(structs.png, structs.info);
  const png_uint_32 height = png_get_image_height(structs.png, structs.info);
  const int colour_type = png_get_color_type(structs.png, structs.info);
  const int bit_depth = png_get_bit_depth(structs.png, structs.info);
  if (bit_depth != 8 || (colour_type != PNG_COLOR_TYPE_RGB && colour_type != PNG_COLOR_TYPE_RGBA)) {
    abort_("[read_png_file] File %s is not an 8-bit RGB or RGBA PNG (colour type %d, bit depth %d)",
           name, colour_type, bit_depth);
    return 0;
  }
  if (uint64_t{width} * height > MAX_PIXELS) {
    abort_("[read_png_file] File %s is too large (%u x %u)", name, width, height);
    return 0;
  }
  const size_t channels = colour_type == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  size_t row_bytes = 0;
  if (!prepare_rows(structs.png, structs.info, &row_bytes) || row_bytes != width * channels) {
    abort_("[read_png_file] Error during read_image");
    return 0;
  }
  std::vector<png_byte> data(row_bytes * height);
  std::vector<png_bytep> rows(height);
  for (size_t k = 0; k < height; ++k) rows[k] = data.data() + k * row_bytes;
  if (!read_rows(structs.png, rows.data())) {
    abort_("[read_png_file] Error during read_image");
    return 0;
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
  const char* name = file_name.c_str();
  const size_t width = texture.width;
  const size_t height = texture.height;
  if (texture.texels.size() < width * height) {
    abort_("[write_png_file] The texture holds fewer texels than its size");
    return 0;
  }
  _atomic_file output(file_name);
  if (output.stream() == nullptr) {
    abort_("[write_png_file] File %s could not be opened for writing", name);
    return 0;
  }
  write_structs structs;
  if (!structs.png) {
    abort_("[write_png_file] png_create_write_struct failed");
    return 0;
  }
  if (!structs.info) {
    abort_("[write_png_file] png_create_info_struct failed");
    return 0;
  }
  // The texels already lie in PNG's RGBA byte order; only the rows are taken bottom up.
  std::vector<png_bytep> rows(height);
  for (size_t k = 0; k < height; ++k)
    rows[k] = reinterpret_cast<png_bytep>(const_cast<_pixel*>(texture.texels.data()) + (height - 1 - k) * width);
  if (const char* failure = write_stream(structs.png, structs.info, output.stream(), texture.width,
                                         texture.height, rows.data(), ppi)) {
    abort_("%s", failure);
    return 0;
  }
  if (!output.commit()) {
    abort_("[write_png_file] File %s could not be written", name);
    return 0;
  }
  std::printf("File written.\n");
  return 1;
}

}  // namespace stippon
