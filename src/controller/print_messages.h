#pragma once

#include <string>

namespace stippon {

// Where a print made without a window tells how it goes, from any of its threads: messages that
// stay, and one line of progress that each stage or share done replaces.
class _print_messages {
 public:
  virtual ~_print_messages() = default;
  virtual void say(const std::string& message) = 0;
  // An empty text removes the progress line.
  virtual void show(const std::string& text) = 0;
  virtual void show(const std::string& text, unsigned done, unsigned total) = 0;
  // Whether the progress line is seen; where it is not, a folder's count is said line by line.
  virtual bool shows_progress() const = 0;
};

}  // namespace stippon
