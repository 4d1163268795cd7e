#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "print/print_file.h"
#include "print/print_kind.h"
#include "parallel/thread_pool.h"

namespace stippon {

// Writes a raster print file row by row, top row first, so that memory follows the rows handed
// over and not the picture; one module per format (print/print_format.h makes them). The file is
// renamed over its target by commit() (see _print_file):
//
//   writer.open(name, width, height, ppi, kind);   // false: writer.error() says why
//   writer.write_rows(band, rows_in_band);         // as many times as it takes, top to bottom
//   writer.commit();                               // false: nothing was written
class _print_writer : public _print_file {
 public:
  // Called after each write_rows() with (rows written, height); returning false cancels the
  // write as discard() does, and write_rows() then returns false with the error "Cancelled".
  std::function<bool(unsigned done, unsigned total)> on_progress;

  // Whether this format stores prints of the kind exactly.
  virtual bool holds(_print_kind kind) const = 0;
  // Whether the format must state a resolution; those that need not write none for ppi 0.
  virtual bool needs_resolution() const { return true; }
  // Compressed formats compress blocks of rows on the pool's threads and write them in order:
  // the file is the same on any number of threads. The pool must outlive the writes.
  void set_pool(_thread_pool* pool) { threads = pool; }

  // Starts a print of width x height pixels at ppi pixels per inch. Discards a print still open.
  bool open(const std::string& target, unsigned width, unsigned height, unsigned ppi,
            _print_kind kind);
  // Appends count rows of width x bytes_per_pixel(kind) bytes each, packed one after the other.
  // Bilevel samples must be exactly 0 (black) or 255 (white).
  bool write_rows(const uint8_t* rows, unsigned count);
  // Finishes the file once all rows are written and renames it over the target.
  bool commit();

  unsigned rows_written() const { return done; }

 protected:
  _print_writer() = default;

  // The format's steps; each returns false after calling fail() or fail_system().
  virtual bool start() = 0;                  // the temporary exists: set up, write the header
  virtual bool put(const uint8_t* row) = 0;  // one row of the print
  virtual bool finish() = 0;                 // all rows are in: complete the file

  unsigned width() const { return columns; }
  unsigned height() const { return rows; }
  unsigned ppi() const { return resolution; }
  _print_kind kind() const { return pixels; }
  size_t row_bytes() const { return size_t{columns} * bytes_per_pixel(pixels); }
  _thread_pool* pool() const { return threads; }
  // Rows of the blocks a format compresses apart: about a mebibyte of samples each, so that the
  // blocks are the same for a print whatever the threads.
  unsigned block_rows() const;
  // A row as a compressed format keeps it: black and white packed eight pixels to a byte, the
  // leftmost in the most significant bit, a set bit white when white_set (else black); other
  // kinds as they come.
  size_t packed_row_bytes() const;
  void pack_row(const uint8_t* row, bool white_set, uint8_t* packed) const;

 private:
  bool check_bilevel(const uint8_t* row);

  unsigned columns = 0;
  unsigned rows = 0;
  unsigned resolution = 0;
  _print_kind pixels = _print_kind::grey;
  unsigned done = 0;
  _thread_pool* threads = nullptr;
};

}  // namespace stippon
