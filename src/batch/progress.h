#pragma once

#include <string>

namespace stippon {

// One line on standard error that shows what the batch is doing, rewritten in place. It stays
// silent unless standard error is a terminal, so logs and pipes get no carriage returns.
class _progress_line {
 public:
  explicit _progress_line(bool wanted);
  ~_progress_line() { show({}); }
  _progress_line(const _progress_line&) = delete;
  _progress_line& operator=(const _progress_line&) = delete;

  // Replaces the line with "stippon-batch: text"; an empty text removes it, e.g. before a message
  // that must stay on screen. The same text again writes nothing.
  void show(const std::string& text);
  // "text 42%"
  void show(const std::string& text, unsigned done, unsigned total);

 private:
  bool enabled = false;
  std::string shown;
};

}  // namespace stippon
