#pragma once

#include <tiffio.h>

#include <memory>
#include <string>
#include <vector>

#include "print/tiff_strip.h"
#include "parallel/block_pipeline.h"
#include "print/print_writer.h"

namespace stippon {

// TIFF through libtiff in strips of bounded size: black and white as 1-bit CCITT Group 4
// (min-is-white, the fax convention), grey, RGB and RGBA (unassociated alpha) as 8-bit Deflate.
// The strips are encoded on the pool's threads and written raw, in order. The resolution goes in
// XResolution and YResolution with the unit inch. libtiff writes straight to the temporary
// file's descriptor.
class _print_tiff : public _print_writer {
 public:
  ~_print_tiff() override;
  bool holds(_print_kind) const override { return true; }

 protected:
  bool start() override;
  bool put(const uint8_t* row) override;
  bool finish() override;
  void release() override;

 private:
  bool set_fields();
  unsigned strip_rows() const;
  bool write_strip(const _tiff_strip& strip);
  // fail() with the reason libtiff or the system gave.
  bool fail_library();

  // libtiff's client procedures on the temporary file.
  static tmsize_t on_read(thandle_t self, void* data, tmsize_t size);
  static tmsize_t on_write(thandle_t self, void* data, tmsize_t size);
  static toff_t on_seek(thandle_t self, toff_t offset, int whence);
  static int on_close(thandle_t) { return 0; }  // the atomic file closes it
  static toff_t on_size(thandle_t self);
  static int on_map(thandle_t, void**, toff_t*) { return 0; }
  static void on_unmap(thandle_t, void*, toff_t) {}
  static int on_error(TIFF*, void* self, const char* module, const char* format, va_list args);
  static int on_warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

  TIFF* tiff = nullptr;
  int descriptor = -1;
  std::string message;  // libtiff's first error
  int write_error = 0;  // errno of a failed write
  uint32_t strips_written = 0;
  std::unique_ptr<_block_pipeline<_tiff_strip>> strips;
};

}  // namespace stippon
