#include "batch/progress.h"

#include <unistd.h>

#include <cstdio>

namespace stippon {

_progress_line::_progress_line(bool wanted) : enabled(wanted && isatty(STDERR_FILENO) == 1) {}

_progress_line::~_progress_line() {
  clear();
}

void _progress_line::stage(const std::string& text) {
  if (!enabled) return;
  std::fprintf(stderr, "\rstippon-batch: %s...\033[K", text.c_str());
  std::fflush(stderr);
  shown = true;
  last_percent = -1;
}

void _progress_line::fraction(const std::string& text, unsigned done, unsigned total) {
  if (!enabled || total == 0) return;
  const int percent = static_cast<int>(100ull * done / total);
  if (percent == last_percent) return;
  std::fprintf(stderr, "\rstippon-batch: %s %d%%\033[K", text.c_str(), percent);
  std::fflush(stderr);
  shown = true;
  last_percent = percent;
}

void _progress_line::clear() {
  if (!shown) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shown = false;
  last_percent = -1;
}

}  // namespace stippon
