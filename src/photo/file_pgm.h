#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "files/file_handle.h"
#include "image/image.h"

namespace stippon {

// Reads plain (P2) and raw (P5) 8-bit PGM files, writes raw P5. Shows no dialogs: the GUI hooks
// its own message box and progress dialog into the handlers. Every failure prints a line as it
// always has and leaves its reason in last_error(), for the caller to show as "<file>: <reason>".
// The file name "-" reads standard input and writes standard output; any file is read as a
// stream from start to end, so pipes, FIFOs and devices read like files.
class _file_pgm {
 public:
  // Called when a width or height exceeds the maximum size; the read then fails (returns 0).
  std::function<void(int max_size)> on_oversize;
  // Called once the header is read, before any sample, with the declared size: a non-empty answer
  // refuses the file with that reason (read() returns 0 and prints nothing of its own).
  std::function<std::string(unsigned width, unsigned height)> on_header;
  // Called before each row is written with (rows written, total rows); returning false cancels
  // the write, which then removes its temporary file and returns 0.
  std::function<bool(unsigned done, unsigned total)> on_progress;

  // 1 on success, 0 on a reported failure. On failure the image is left as it was. Plain samples
  // outside 0..maximum value are refused, naming the row and column of the first.
  int read(std::string file_name, _image& image, int max_size);
  // Reads the header alone and sets width and height: 1 on success, 0 on failure. Standard input
  // cannot be read again afterwards: there, use on_header with read().
  int read_header(std::string file_name, unsigned& width, unsigned& height);
  // Writes to a temporary file beside the target and renames it over the target only when the
  // whole file was written: 1 on success, 0 on failure (any older file is kept). See
  // _atomic_file for links, modes and refused targets.
  int write(std::string file_name, const _image& image);
  // Why the last read or write failed; empty after a success.
  const std::string& last_error() const { return error; }

 private:
  struct header_fields {
    uint32_t width = 0, height = 0, max_value = 0;
    bool binary = false;
  };
  int open_and_read_header(const std::string& file_name, file_handle& file, header_fields& fields,
                           uint64_t max_size);
  // A sample outside 0..max_value as the file writes it, and its place; empty text for none.
  struct sample_text {
    std::string text;
    uint64_t index = 0;
  };
  // Each stops at the first sample out of range, leaving the image alone, and reports it in bad.
  bool read_raw(FILE* file, const header_fields& fields, _image& image, sample_text& bad);
  bool read_plain(FILE* file, const header_fields& fields, _image& image, sample_text& bad);
  bool read_samples(FILE* file, const std::string& file_name, const header_fields& fields,
                    _image& image);
  int refuse(std::string reason);  // keeps the reason, returns 0

  std::string error;
};

}  // namespace stippon
