#include "image/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace stippon {

_atomic_file::_atomic_file(const std::string& target) : target_name(target) {
  // The temporary lives in the target's folder so that the final rename never crosses devices.
  std::string pattern = target + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) {
    failure = errno;
    return;
  }
  temporary_name = name.data();
  // mkstemp creates the file private (0600); give it the mode a plain fopen would have.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor, 0666 & ~mask);
  file = ::fdopen(descriptor, "wb");
  if (file == nullptr) {
    failure = errno;
    ::close(descriptor);
    ::unlink(temporary_name.c_str());
    temporary_name.clear();
  }
}

_atomic_file::~_atomic_file() {
  discard();
}

bool _atomic_file::commit() {
  if (file == nullptr) return false;
  // Keep the reason of the first step that fails: a full disk often shows only at the flush.
  const auto step = [this](bool done) {
    if (!done && failure == 0) failure = errno != 0 ? errno : EIO;
    return done;
  };
  errno = 0;
  bool written = step(std::fflush(file) == 0) && step(std::ferror(file) == 0);
  written = written && step(::fsync(::fileno(file)) == 0);
  written = step(std::fclose(file) == 0) && written;
  file = nullptr;
  if (written && step(std::rename(temporary_name.c_str(), target_name.c_str()) == 0)) {
    temporary_name.clear();
    return true;
  }
  ::unlink(temporary_name.c_str());
  temporary_name.clear();
  return false;
}

void _atomic_file::discard() {
  if (file != nullptr) {
    std::fclose(file);
    file = nullptr;
  }
  if (!temporary_name.empty()) {
    ::unlink(temporary_name.c_str());
    temporary_name.clear();
  }
}

}  // namespace stippon
