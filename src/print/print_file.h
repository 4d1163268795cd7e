#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "files/atomic_file.h"

namespace stippon {

// What every print file shares, raster or drawing: it is written under a temporary name beside
// the target and renamed over it only once complete, so that a failed, cancelled or abandoned
// write leaves no file and keeps an older one. Every failure discards the temporary at once and
// is sticky: later calls return false until the file is opened again. The text of error() names
// the file and the reason (strerror for system errors).
class _print_file {
 public:
  virtual ~_print_file() = default;
  _print_file(const _print_file&) = delete;
  _print_file& operator=(const _print_file&) = delete;

  // Abandons the file: removes the temporary; the target is left as it was.
  void discard();

  const std::string& error() const { return failure; }  // empty while all goes well
  bool is_open() const { return output != nullptr; }

 protected:
  _print_file() = default;

  // Forgets any file still open and any failure: the next file goes to target.
  void start_over(const std::string& target);
  // Makes the temporary for the target: false with "Cannot create <target>: <reason>".
  bool create();
  // Renames the complete temporary over the target: false with "Cannot write <target>: ...".
  bool rename_over_target();
  // Records the reason (the first one wins) and discards the file; returns false.
  bool fail(const std::string& reason);
  // As fail() with the reason strerror(error_number), "Cannot write <target>: ...".
  bool fail_system(int error_number);
  // Drops the format's state without writing more.
  virtual void release() = 0;

  FILE* stream() const { return output ? output->stream() : nullptr; }
  const std::string& target() const { return target_name; }

 private:
  std::unique_ptr<_atomic_file> output;
  std::string target_name;
  std::string failure;
};

}  // namespace stippon
