#include "print/print_png.h"

#include <cerrno>
#include <cmath>
#include <csetjmp>

namespace stippon {

namespace {

constexpr double METRES_PER_INCH = 0.0254;
// The cheap filters, like the fast deflate level: on stippled pictures they compress about as
// well as the adaptive choice among all five.
constexpr int FILTERS = PNG_FILTER_NONE | PNG_FILTER_SUB;

struct header {
  png_uint_32 width, height, per_metre;
  int bit_depth, colour_type, level;
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
  png_set_compression_level(png, h.level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, FILTERS);
  png_write_info(png, info);
  if (h.bit_depth == 1) png_set_packing(png);
}

void write_row(png_structp png, png_infop, const void* row) {
  // libpng copies the row before filtering it, so the caller's bytes stay as they are.
  png_write_row(png, static_cast<png_const_bytep>(row));
}

void write_end(png_structp png, png_infop, const void*) {
  png_write_end(png, nullptr);
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
  header h{width(),
           height(),
           static_cast<png_uint_32>(std::lround(ppi() / METRES_PER_INCH)),
           8,
           PNG_COLOR_TYPE_GRAY,
           deflate_level};
  switch (kind()) {
    case _print_kind::bilevel:
      h.bit_depth = 1;
      bits.resize(width());
      break;
    case _print_kind::rgb:
      h.colour_type = PNG_COLOR_TYPE_RGB;
      break;
    case _print_kind::rgba:
      h.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
      break;
    case _print_kind::grey:
      break;
  }
  return run_step(png, write_header, info, &h) || fail_step();
}

bool _print_png::put(const uint8_t* row) {
  if (!bits.empty()) {
    for (size_t x = 0; x < bits.size(); ++x) bits[x] = row[x] & 1;  // 255 -> 1 (white)
    row = bits.data();
  }
  return run_step(png, write_row, info, row) || fail_step();
}

bool _print_png::finish() {
  return run_step(png, write_end, info, nullptr) || fail_step();
}

void _print_png::release() {
  if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  png = nullptr;
  info = nullptr;
  message.clear();
  write_error = 0;
  bits.clear();
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
