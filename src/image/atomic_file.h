#pragma once

#include <cstdio>
#include <string>

namespace stippon {

// A file written under a temporary name in the target's folder and renamed over the target only
// on commit(), so that a failed or interrupted write never leaves a truncated file behind.
class _atomic_file {
 public:
  explicit _atomic_file(const std::string& target);
  ~_atomic_file();  // removes the temporary file unless committed
  _atomic_file(const _atomic_file&) = delete;
  _atomic_file& operator=(const _atomic_file&) = delete;

  FILE* stream() const { return file; }  // null when the temporary could not be created
  // The errno of the first failure (creating the temporary, or a step of commit()); 0 if none.
  int error() const { return failure; }
  // Flushes, closes and renames; false (and the temporary removed) on any error.
  bool commit();
  // Closes and removes the temporary file.
  void discard();

 private:
  std::string target_name;
  std::string temporary_name;
  FILE* file = nullptr;
  int failure = 0;
};

}  // namespace stippon
