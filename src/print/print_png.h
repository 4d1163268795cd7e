#pragma once

#include <png.h>

#include <string>
#include <vector>

#include "print/print_writer.h"

namespace stippon {

// PNG through libpng, one png_write_row per row, the one PNG writer: 8-bit grey, 1-bit grey
// (packed by libpng) for black and white, 8-bit RGB or RGBA, with the resolution in a pHYs chunk
// (none at ppi 0, as for the tone ramps).
class _print_png : public _print_writer {
 public:
  ~_print_png() override;
  bool holds(_print_kind) const override { return true; }
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

  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string message;         // libpng's last error
  int write_error = 0;         // errno of a failed write
  std::vector<png_byte> bits;  // a black and white row as the 0/1 values png_set_packing takes
};

}  // namespace stippon
