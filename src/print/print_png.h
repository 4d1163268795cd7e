#pragma once

#include <png.h>

#include <memory>
#include <string>
#include <vector>

#include "print/print_writer.h"
#include "print/zlib_rows.h"

namespace stippon {

// PNG: 8-bit grey, 1-bit grey for black and white, 8-bit RGB or RGBA, with the resolution in a
// pHYs chunk (none at ppi 0, as for the tone ramps). libpng writes the header and frames the
// chunks; the image data is one zlib stream of blocks of rows (no filter) deflated apart on the
// pool's threads, each block an IDAT chunk.
class _print_png : public _print_writer {
 public:
  ~_print_png() override;
  bool holds(_print_kind kind) const override { return kind != _print_kind::cmyk; }
  bool needs_resolution() const override { return false; }

 protected:
  bool start() override;
  bool put(const uint8_t* row) override;
  bool finish() override;
  void release() override;

 private:
  static void on_error(png_structp png, png_const_charp message);
  static void on_write(png_structp png, png_bytep data, size_t length);
  static void on_flush(png_structp) {}
  // fail() with the reason of a libpng step that did not complete.
  bool fail_step();

  // Deflates packed rows, each after its filter byte; on any thread.
  void deflate_rows(const uint8_t* rows, unsigned count, _block_deflater& deflater) const;
  bool write_chunk(const png_byte* name, const uint8_t* data, size_t size);

  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string message;                     // libpng's last error
  int write_error = 0;                     // errno of a failed write
  std::unique_ptr<_zlib_rows> image_data;  // while a print is open
};

}  // namespace stippon
