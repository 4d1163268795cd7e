#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "files/file_access.h"

namespace stippon {

namespace {

// A short name of its own rather than the target's name with a suffix, so that any target name
// the system accepts (up to 255 bytes) leaves room for the temporary beside it. The leading dot
// keeps it out of ordinary listings while it exists.
constexpr char TEMPORARY_PREFIX[] = ".stippon-";
constexpr int TEMPORARY_LETTERS = 10;
constexpr int TEMPORARY_ATTEMPTS = 100;

std::string folder_of(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash + 1);
}

// Makes the rename itself durable, not only the data it points to.
void sync_folder(const std::string& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

}  // namespace

_atomic_file::_atomic_file(const std::string& target) {
  reason = output_problem(target);
  if (!reason.empty()) return;
  if (is_standard_stream(target)) {
    // A duplicate, so that closing the stream leaves fd 1 to the rest of the program.
    const int descriptor = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0 || (file = ::fdopen(descriptor, "wb")) == nullptr) {
      fail(errno);
      if (descriptor >= 0) ::close(descriptor);
    }
    return;
  }
  const std::string resolved = resolve_links(target);
  if (resolved.empty()) {
    fail(errno);
    return;
  }
  struct stat status {};
  if (::stat(resolved.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
    open_in_place(resolved);
  else
    open_temporary(resolved);
}

_atomic_file::~_atomic_file() {
  discard();
}

void _atomic_file::open_in_place(const std::string& resolved) {
  const int descriptor = ::open(resolved.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0 || (file = ::fdopen(descriptor, "wb")) == nullptr) {
    fail(errno);
    if (descriptor >= 0) ::close(descriptor);
  }
}

void _atomic_file::open_temporary(const std::string& resolved) {
  // Created with 0666 so that the system applies the umask and the folder's default ACL exactly
  // as for any new file; O_EXCL makes the name ours alone.
  static constexpr char letters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device entropy;
  std::uniform_int_distribution<int> pick(0, sizeof letters - 2);
  const std::string folder = folder_of(resolved);
  int descriptor = -1;
  std::string name;
  for (int attempt = 0; attempt < TEMPORARY_ATTEMPTS && descriptor < 0; ++attempt) {
    name = (folder == "." ? std::string() : folder) + TEMPORARY_PREFIX;
    for (int k = 0; k < TEMPORARY_LETTERS; ++k) name.push_back(letters[pick(entropy)]);
    descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno != EEXIST) break;
  }
  if (descriptor < 0) {
    fail(errno);
    return;
  }
  temporary_name = name;
  target_name = resolved;
  keep_owner_and_mode(descriptor, resolved);
  file = ::fdopen(descriptor, "wb");
  if (file == nullptr) {
    fail(errno);
    ::close(descriptor);
    ::unlink(temporary_name.c_str());
    temporary_name.clear();
  }
}

void _atomic_file::keep_owner_and_mode(int descriptor, const std::string& resolved) {
  struct stat old {
  }, created{};
  if (::stat(resolved.c_str(), &old) != 0 || ::fstat(descriptor, &created) != 0) return;
  // Best effort: root gives the file back to its owner, a user keeps its group when a member of
  // it; the attempt fails harmlessly otherwise. It comes first because a change of owner clears
  // set-id bits, and those are not copied anyway: new contents do not inherit them.
  const bool same_owner = old.st_uid == created.st_uid && old.st_gid == created.st_gid;
  if (!same_owner && ::fchown(descriptor, old.st_uid, old.st_gid) != 0 &&
      ::fchown(descriptor, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Neither is essential: the file then belongs to the caller, as any file it creates.
  }
  ::fchmod(descriptor, old.st_mode & 0777);
}

bool _atomic_file::fail(int error) {
  reason = system_reason(error);
  return false;
}

bool _atomic_file::commit() {
  if (file == nullptr) return false;
  const bool in_place = temporary_name.empty();
  bool written = std::fflush(file) == 0 && std::ferror(file) == 0;
  int error = written ? 0 : errno;
  // Pipes and terminals cannot be synced; there is nothing to rename either.
  if (written && !in_place && ::fsync(::fileno(file)) != 0) {
    written = false;
    error = errno;
  }
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = errno;
  }
  file = nullptr;
  if (in_place) return written || fail(error);
  if (written && std::rename(temporary_name.c_str(), target_name.c_str()) == 0) {
    temporary_name.clear();
    sync_folder(folder_of(target_name));
    return true;
  }
  fail(written ? errno : error);
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
