#include "files/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace stippon {

namespace {

// As many links as the kernel itself follows before it reports a loop.
constexpr int MAX_LINKS = 40;

std::string folder_of(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// Empty when some write permission bit grants the caller this existing file. The system's check
// covers owner, group, ACLs and read-only mounts; the mode bits add the one case it lets through,
// a file nobody may write that root would overwrite.
std::string write_refusal(const std::string& name, const struct stat& file) {
  if (::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0)
    return errno == EACCES || errno == EPERM ? IS_READ_ONLY : system_reason(errno);
  if ((file.st_mode & 0222) == 0) return IS_READ_ONLY;
  return {};
}

// A rename over a file in a folder with the sticky bit (such as /tmp) is allowed only to the
// owner of the file or of the folder, and to root.
bool sticky_refuses(const struct stat& folder, const struct stat& file) {
  const uid_t caller = ::geteuid();
  return (folder.st_mode & S_ISVTX) != 0 && caller != 0 && caller != file.st_uid &&
         caller != folder.st_uid;
}

}  // namespace

bool is_standard_stream(const std::string& name) {
  return name == STANDARD_STREAM;
}

std::string system_reason(int error) {
  return std::generic_category().message(error);
}

std::string resolve_links(const std::string& name) {
  std::string current = name;
  for (int hops = 0; hops <= MAX_LINKS; ++hops) {
    struct stat link {};
    if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return current;
    std::vector<char> target(static_cast<size_t>(link.st_size > 0 ? link.st_size : 255) + 1);
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) == target.size()) {  // the link grew meanwhile
      errno = ENAMETOOLONG;
      return {};
    }
    const std::string next(target.data(), static_cast<size_t>(length));
    const bool relative = !next.starts_with('/') && current.find('/') != std::string::npos;
    current = relative ? folder_of(current) + "/" + next : next;
  }
  errno = ELOOP;
  return {};
}

file_handle open_input(const std::string& name, std::string& reason) {
  // Standard input is read through a duplicate so that closing the stream leaves fd 0 open.
  const int descriptor = is_standard_stream(name) ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                                  : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    reason = S_ISDIR(status.st_mode) ? IS_A_FOLDER : system_reason(errno);
    ::close(descriptor);
    return nullptr;
  }
  file_handle file(::fdopen(descriptor, "rb"));
  if (!file) {
    reason = system_reason(errno);
    ::close(descriptor);
  }
  return file;
}

std::string output_problem(const std::string& name) {
  if (is_standard_stream(name)) return {};
  const std::string target = resolve_links(name);
  if (target.empty()) return system_reason(errno);
  struct stat file {};
  const bool exists = ::stat(target.c_str(), &file) == 0;
  if (!exists && errno != ENOENT) return system_reason(errno);
  if (exists && S_ISDIR(file.st_mode)) return IS_A_FOLDER;
  if (exists) {
    std::string refusal = write_refusal(target, file);
    // Pipes and devices are written in place: their folder plays no part.
    if (!refusal.empty() || !S_ISREG(file.st_mode)) return refusal;
  }
  const std::string folder = folder_of(target);
  struct stat place {};
  if (::stat(folder.c_str(), &place) != 0) return system_reason(errno);
  if (!S_ISDIR(place.st_mode)) return system_reason(ENOTDIR);
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return system_reason(errno);
  if (exists && sticky_refuses(place, file)) return system_reason(EPERM);
  return {};
}

bool same_file(const std::string& input, const std::string& output) {
  if (is_standard_stream(output)) return false;
  struct stat in {
  }, out{};
  const int read =
      is_standard_stream(input) ? ::fstat(STDIN_FILENO, &in) : ::stat(input.c_str(), &in);
  return read == 0 && ::stat(output.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
         in.st_ino == out.st_ino;
}

}  // namespace stippon
