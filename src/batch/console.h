#pragma once

#include <mutex>
#include <string>

namespace stippon {

// Standard error, shared by the prints of one call, from any thread: messages, and one progress
// line rewritten in place. The progress line stays silent unless standard error is a terminal, so
// logs and pipes get no carriage returns.
class _console {
 public:
  explicit _console(bool progress_wanted);
  ~_console() { show({}); }

  // "stippon-batch: message" on a line of its own.
  void say(const std::string& message);
  // Replaces the progress line with "stippon-batch: text"; an empty text removes it. The same
  // text again writes nothing.
  void show(const std::string& text);
  // "text 42%"
  void show(const std::string& text, unsigned done, unsigned total);
  bool shows_progress() const { return progress; }

 private:
  const bool progress;
  std::mutex mutex;
  std::string shown;

  void replace(const std::string& text);
};

}  // namespace stippon
