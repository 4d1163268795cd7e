#include "batch/console.h"

#include <unistd.h>

#include <cstdio>

namespace stippon {

_console::_console(bool progress_wanted)
    : progress(progress_wanted && isatty(STDERR_FILENO) == 1) {}

void _console::say(const std::string& message) {
  const std::lock_guard<std::mutex> lock(mutex);
  replace({});
  std::fprintf(stderr, "stippon-batch: %s\n", message.c_str());
}

void _console::show(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex);
  replace(text);
}

void _console::show(const std::string& text, unsigned done, unsigned total) {
  if (progress && total > 0) show(text + " " + std::to_string(100ull * done / total) + "%");
}

void _console::replace(const std::string& text) {
  if (!progress || text == shown) return;
  if (text.empty())
    std::fputs("\r\033[K", stderr);
  else
    std::fprintf(stderr, "\rstippon-batch: %s\033[K", text.c_str());
  std::fflush(stderr);
  shown = text;
}

}  // namespace stippon
