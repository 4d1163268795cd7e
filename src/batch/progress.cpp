#include "batch/progress.h"

#include <unistd.h>

#include <cstdio>

namespace stippon {

_progress_line::_progress_line(bool wanted) : enabled(wanted && isatty(STDERR_FILENO) == 1) {}

void _progress_line::show(const std::string& text) {
  if (!enabled || text == shown) return;
  if (text.empty())
    std::fputs("\r\033[K", stderr);
  else
    std::fprintf(stderr, "\rstippon-batch: %s\033[K", text.c_str());
  std::fflush(stderr);
  shown = text;
}

void _progress_line::show(const std::string& text, unsigned done, unsigned total) {
  if (enabled && total > 0) show(text + " " + std::to_string(100ull * done / total) + "%");
}

}  // namespace stippon
