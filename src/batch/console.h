#pragma once

#include <mutex>
#include <string>

#include "controller/print_messages.h"

namespace stippon {

// Standard error, shared by the prints of one call, from any thread: messages, and one progress
// line rewritten in place. The progress line stays silent unless standard error is a terminal, so
// logs and pipes get no carriage returns.
class _console : public _print_messages {
 public:
  explicit _console(bool progress_wanted);
  ~_console() override { show({}); }

  // "stippon-batch: message" on a line of its own.
  void say(const std::string& message) override;
  // Replaces the progress line with "stippon-batch: text"; an empty text removes it. The same
  // text again writes nothing.
  void show(const std::string& text) override;
  // "text 42%"
  void show(const std::string& text, unsigned done, unsigned total) override;
  bool shows_progress() const override { return progress; }

 private:
  const bool progress;
  std::mutex mutex;
  std::string shown;

  void replace(const std::string& text);
};

}  // namespace stippon
