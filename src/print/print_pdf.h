#pragma once

#include <memory>
#include <string>
#include <vector>

#include "print/print_writer.h"
#include "print/zlib_rows.h"

namespace stippon {

// One PDF page of the print's physical size (pixels / ppi inches) holding the print as one Flate
// image at its own resolution: 1-bit grey for black and white, 8-bit grey or RGB. PoDoFo's
// streamed document writes the image data to the file as the blocks of rows come, deflated
// apart on the pool's threads into one zlib stream, so memory follows the rows. Paper has no
// transparency: RGBA prints are not held.
class _print_pdf : public _print_writer {
 public:
  _print_pdf();
  ~_print_pdf() override;
  bool holds(_print_kind kind) const override { return kind != _print_kind::rgba; }

 protected:
  bool start() override;
  bool put(const uint8_t* row) override;
  bool finish() override;
  void release() override;

 private:
  struct document;  // PoDoFo's objects, kept out of this header
  // fail() with the reason of the write error, or of PoDoFo's exception.
  bool fail_library(const char* what);

  bool append(const uint8_t* data, size_t size);

  std::unique_ptr<document> pdf;
  std::string append_error;                // PoDoFo's exception while appending a block
  std::unique_ptr<_zlib_rows> image_data;  // while a print is open
};

}  // namespace stippon
