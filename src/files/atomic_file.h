#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

namespace stippon {

// A file written under a temporary name in the target's folder and renamed over the target only
// on commit(), so that a failed or interrupted write never leaves a truncated file behind.
// - The links at the end of the target are followed: the file they lead to is replaced and the
//   links stay links.
// - A replaced file keeps its permission bits and, where the system allows, its owner and group;
//   a new one gets 0666 less the umask, as any new file.
// - A target that output_problem() refuses (read-only, a folder, a folder that cannot be
//   written...) is not touched: stream() is null and problem() tells why.
// - "-" streams to standard output, and an existing pipe or device is written in place: neither
//   can be taken back, so commit() only flushes and discard() only closes.
class _atomic_file {
 public:
  explicit _atomic_file(const std::string& target);
  ~_atomic_file();  // removes the temporary file unless committed
  _atomic_file(const _atomic_file&) = delete;
  _atomic_file& operator=(const _atomic_file&) = delete;

  FILE* stream() const { return file; }  // null when the target cannot be written
  // Flushes, closes and renames; false (and the temporary removed) on any error.
  bool commit();
  // Closes and removes the temporary file.
  void discard();
  // Why stream() is null or commit() failed: IS_READ_ONLY, IS_A_FOLDER or the system's text.
  const std::string& problem() const { return reason; }

 private:
  void open_in_place(const std::string& resolved);
  void open_temporary(const std::string& resolved);
  void keep_owner_and_mode(int descriptor, const std::string& resolved);
  bool fail(int error);  // records the system's reason, returns false

  std::string target_name;  // the file the links lead to, renamed over on commit
  std::string temporary_name;
  std::string reason;
  FILE* file = nullptr;
};

}  // namespace stippon
