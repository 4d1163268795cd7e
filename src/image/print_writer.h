#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "image/atomic_file.h"
#include "image/print_kind.h"
#include "parallel/thread_pool.h"

namespace stippon {

// Writes a print file row by row, top row first, so that memory follows the rows handed over and
// not the picture. The file is written under a temporary name beside the target and renamed over
// it by commit(): a failed, cancelled or abandoned write leaves no file and keeps an older one.
//
//   writer.open(name, width, height, ppi, kind);   // false: writer.error() says why
//   writer.write_rows(band, rows_in_band);         // as many times as it takes, top to bottom
//   writer.commit();                               // false: nothing was written
//
// Every failure discards the temporary at once and is sticky: later calls return false until the
// next open(). The text of error() names the file and the reason (strerror for system errors).
class _print_writer {
 public:
  // Called after each write_rows() with (rows written, height); returning false cancels the
  // write as discard() does, and write_rows() then returns false with the error "Cancelled".
  std::function<bool(unsigned done, unsigned total)> on_progress;

  virtual ~_print_writer() = default;
  _print_writer(const _print_writer&) = delete;
  _print_writer& operator=(const _print_writer&) = delete;

  // Whether this format stores prints of the kind exactly.
  virtual bool holds(_print_kind kind) const = 0;
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
  // Abandons the print: removes the temporary file; the target is left as it was.
  void discard();

  const std::string& error() const { return failure; }  // empty while all goes well
  bool is_open() const { return output != nullptr; }
  unsigned rows_written() const { return done; }

 protected:
  _print_writer() = default;

  // The format's steps; each returns false after calling fail() or fail_system().
  virtual bool start() = 0;                  // the temporary exists: set up, write the header
  virtual bool put(const uint8_t* row) = 0;  // one row of the print
  virtual bool finish() = 0;                 // all rows are in: complete the file
  virtual void release() = 0;                // drop the format's state without writing more

  // Records the reason (the first one wins) and discards the print; returns false.
  bool fail(const std::string& reason);
  // As fail() with the reason strerror(error_number), "Cannot write <target>: ...".
  bool fail_system(int error_number);

  FILE* stream() const { return output ? output->stream() : nullptr; }
  const std::string& target() const { return target_name; }
  unsigned width() const { return columns; }
  unsigned height() const { return rows; }
  unsigned ppi() const { return resolution; }
  _print_kind kind() const { return pixels; }
  size_t row_bytes() const { return size_t{columns} * bytes_per_pixel(pixels); }
  _thread_pool* pool() const { return threads; }
  // Rows of the blocks a format compresses apart: about a mebibyte of samples each, so that the
  // blocks are the same for a print whatever the threads.
  unsigned block_rows() const;

 private:
  bool check_bilevel(const uint8_t* row);

  std::unique_ptr<_atomic_file> output;
  std::string target_name;
  std::string failure;
  unsigned columns = 0;
  unsigned rows = 0;
  unsigned resolution = 0;
  _print_kind pixels = _print_kind::grey;
  unsigned done = 0;
  _thread_pool* threads = nullptr;
};

}  // namespace stippon
