#include "print/print_png.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <csetjmp>

namespace stippon {

namespace {

constexpr double METRES_PER_INCH = 0.0254;
// Stippled rows deflate smaller unfiltered than through the Sub filter, and colour rows far
// smaller: every row goes without a filter.
constexpr png_byte NO_FILTER = 0;
const png_byte IMAGE_DATA[] = "IDAT";
const png_byte IMAGE_END[] = "IEND";

struct header {
  png_uint_32 width, height, per_metre;
  int bit_depth, colour_type;
};

struct chunk {
  const png_byte* name;
  const uint8_t* data;
  size_t size;
};

// libpng reports errors by longjmp to the last setjmp. Each step runs in this frame with locals
// that are all trivially destructible, so the jump never skips a destructor.
bool run_step(png_structp png, void (*step)(png_structp, png_infop, const void*), png_infop info,
              const void* data) {
  if (setjmp(png_jmpbuf(png))) return false;
  step(png, info, data);
  return true;
}

void write_header(png_structp png, png_infop info, const void* data) {
  const auto& h = *static_cast<const header*>(data);
  png_set_IHDR(png, info, h.width, h.height, h.bit_depth, h.colour_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (h.per_metre > 0) png_set_pHYs(png, info, h.per_metre, h.per_metre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
}

void write_chunk_step(png_structp png, png_infop, const void* data) {
  const auto& c = *static_cast<const chunk*>(data);
  png_write_chunk(png, c.name, c.data, c.size);
}

}  // namespace

_print_png::~_print_png() {
  release();
}

bool _print_png::start() {
  png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, on_error, nullptr);
  info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) return fail("Cannot write " + target() + ": out of memory");
  png_set_write_fn(png, this, on_write, on_flush);
  header h{width(), height(), static_cast<png_uint_32>(std::lround(ppi() / METRES_PER_INCH)), 8,
           PNG_COLOR_TYPE_GRAY};
  switch (kind()) {
    case _print_kind::bilevel:
      h.bit_depth = 1;
      break;
    case _print_kind::rgb:
      h.colour_type = PNG_COLOR_TYPE_RGB;
      break;
    case _print_kind::rgba:
      h.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
      break;
    case _print_kind::grey:
    case _print_kind::cmyk:  // refused by holds()
      break;
  }
  if (!run_step(png, write_header, info, &h)) return fail_step();
  image_data = std::make_unique<_zlib_rows>(
      pool(), packed_row_bytes(), block_rows(),
      // White is 1 in a 1-bit grey PNG.
      [this](const uint8_t* row, uint8_t* packed) { pack_row(row, true, packed); },
      [this](const uint8_t* rows, unsigned count, _deflated_block& block) {
        _block_deflater deflater(block);
        deflate_rows(rows, count, deflater);
      },
      // One image data chunk for each piece of the stream. Runs inside the pipeline, which must
      // not be discarded there: a failure is only noted, and the caller fails with it.
      [this](const uint8_t* data, size_t size) { return write_chunk(IMAGE_DATA, data, size); });
  return true;
}

void _print_png::deflate_rows(const uint8_t* rows, unsigned count,
                              _block_deflater& deflater) const {
  const size_t packed = packed_row_bytes();
  for (unsigned r = 0; r < count; ++r, rows += packed) {
    deflater.add(&NO_FILTER, 1);
    deflater.add(rows, packed);
  }
  deflater.finish();
}

bool _print_png::write_chunk(const png_byte* name, const uint8_t* data, size_t size) {
  const chunk c{name, data, size};
  return run_step(png, write_chunk_step, info, &c);
}

bool _print_png::put(const uint8_t* row) {
  return image_data->add(row) || fail_step();
}

// The last image data chunk ends the stream.
bool _print_png::finish() {
  return (image_data->finish() && write_chunk(IMAGE_END, nullptr, 0)) || fail_step();
}

void _print_png::release() {
  image_data.reset();  // waits for the blocks in flight
  if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  png = nullptr;
  info = nullptr;
  message.clear();
  write_error = 0;
}

bool _print_png::fail_step() {
  if (write_error != 0) return fail_system(write_error);
  return fail("Cannot write " + target() + ": " + message);
}

void _print_png::on_error(png_structp png, png_const_charp text) {
  static_cast<_print_png*>(png_get_error_ptr(png))->message = text;
  png_longjmp(png, 1);
}

void _print_png::on_write(png_structp png, png_bytep data, size_t length) {
  auto* self = static_cast<_print_png*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, self->stream()) == length) return;
  self->write_error = errno != 0 ? errno : EIO;
  png_error(png, "Write error");
}

}  // namespace stippon
