#pragma once

#include <functional>
#include <string>

#include "image/image.h"

namespace stippon {

// Reads plain (P2) and raw (P5) 8-bit PGM files, writes raw P5. Shows no dialogs: the GUI hooks
// its own message box and progress dialog into the two handlers.
class _file_pgm {
 public:
  // Called when a width or height exceeds the maximum size; the read then fails (returns 0).
  std::function<void(int max_size)> on_oversize;
  // Called before each row is written with (rows written, total rows); returning false cancels
  // the write, which then removes its temporary file and returns 0.
  std::function<bool(unsigned done, unsigned total)> on_progress;

  // 1 on success, 0 on a reported failure. On failure the image is left as it was.
  int read(std::string file_name, _image& image, int max_size);
  // Writes to a temporary file beside the target and renames it over the target only when the
  // whole file was written: 1 on success, 0 on failure (any older file is kept).
  int write(std::string file_name, const _image& image);
};

}  // namespace stippon
