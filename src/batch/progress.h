#pragma once

#include <string>

namespace stippon {

// One line on standard error that shows what the batch is doing, rewritten in place. It stays
// silent unless standard error is a terminal, so logs and pipes get no carriage returns.
class _progress_line {
 public:
  explicit _progress_line(bool wanted);
  ~_progress_line();
  _progress_line(const _progress_line&) = delete;
  _progress_line& operator=(const _progress_line&) = delete;

  void stage(const std::string& text);
  // "text 42%"; rewrites the line only when the percentage changes.
  void fraction(const std::string& text, unsigned done, unsigned total);
  // Removes the line, e.g. before a message that must stay on screen.
  void clear();

 private:
  bool enabled = false;
  bool shown = false;
  int last_percent = -1;
};

}  // namespace stippon
