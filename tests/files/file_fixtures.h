#pragma once

// What the file tests share: captured output, folder snapshots, tiny PNG chunks, a child process
// with other rights, and redirected or fed standard streams.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "image/scratch.h"

namespace stippon::testing {

// Runs `action` and returns what it printed on standard output and standard error.
template <typename Action>
std::pair<std::string, std::string> printed(Action action) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  action();
  std::string err = ::testing::internal::GetCapturedStderr();
  return {::testing::internal::GetCapturedStdout(), err};
}

// Everything about the entries under a folder that a write could change: kind, mode, owner,
// inode, and the bytes of a file or the target of a link.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    struct stat status {};
    ::lstat(entry.path().c_str(), &status);
    std::string& facts = entries[entry.path().string()];
    facts = std::to_string(status.st_mode) + " " + std::to_string(status.st_uid) + " " +
            std::to_string(status.st_ino) + " ";
    if (S_ISLNK(status.st_mode))
      facts += std::filesystem::read_symlink(entry.path()).string();
    else if (S_ISREG(status.st_mode))
      facts += read_file(entry.path());
  }
  return entries;
}

// A 3 x 2 raster as a PGM file holds it, file rows 10 20 30 / 40 50 60; the first file row is
// the image's top (last) row.
inline const std::string RASTER = "\x0a\x14\x1e\x28\x32\x3c";
inline const std::vector<float> BOTTOM_UP = {40, 50, 60, 10, 20, 30};
inline const std::string SUITE = STIPPON_TEST_DATA_DIR "/pngsuite/";

inline std::string be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A PNG chunk with its length and checksum.
inline std::string png_chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  return be32(uint32_t(data.size())) + body + be32(uint32_t(crc));
}

// Runs `action` in a child process once `setup` has changed what the child may do, and returns
// what it answered, or "child failed" if it died.
inline std::string in_child(const std::function<bool()>& setup,
                            const std::function<std::string()>& action) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string answer = "setup failed";
    if (setup()) try {
        answer = action();
      } catch (...) {
        ::_exit(2);  // never back into the test runner, which would go on in the child
      }
    const bool sent = ::write(channel[1], answer.data(), answer.size()) == ssize_t(answer.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(channel[1]);
  std::string answer;
  char buffer[4096];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    answer.append(buffer, size_t(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : "child failed";
}

// An unprivileged user and group (nobody, nogroup) for checks of permissions; only root can
// become them.
inline constexpr uid_t OTHER_USER = 65534;
inline constexpr gid_t OTHER_GROUP = 65534;

inline std::string as_other_user(const std::function<std::string()>& action) {
  return in_child(
      [] {
        return ::setgroups(0, nullptr) == 0 &&
               ::setresgid(OTHER_GROUP, OTHER_GROUP, OTHER_GROUP) == 0 &&
               ::setresuid(OTHER_USER, OTHER_USER, OTHER_USER) == 0;
      },
      action);
}

// Points a standard descriptor (0 or 1) at another file for the lifetime of the object.
class redirected {
 public:
  redirected(int standard, int replacement) : standard(standard), saved(::dup(standard)) {
    ::dup2(replacement, standard);
  }
  ~redirected() {
    ::dup2(saved, standard);
    ::close(saved);
  }
  redirected(const redirected&) = delete;
  redirected& operator=(const redirected&) = delete;

 private:
  int standard;
  int saved;
};

// Writes bytes into a FIFO from another thread, as another program would; a reader that stops
// early makes the write fail rather than raise SIGPIPE.
class feeder {
 public:
  feeder(std::string name, std::string bytes)
      : ignored(std::signal(SIGPIPE, SIG_IGN)),
        worker([name = std::move(name), bytes = std::move(bytes)] {
          const int descriptor = ::open(name.c_str(), O_WRONLY | O_CLOEXEC);
          if (descriptor < 0) return;
          for (size_t done = 0; done < bytes.size();) {
            const ssize_t sent = ::write(descriptor, bytes.data() + done, bytes.size() - done);
            if (sent <= 0) break;
            done += size_t(sent);
          }
          ::close(descriptor);
        }) {}

 private:
  void (*ignored)(int);
  std::jthread worker;
};

}  // namespace stippon::testing
