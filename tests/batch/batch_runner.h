#pragma once

// Runs the stippon-batch executable and keeps its exit status and messages, in a scratch folder
// that is removed again.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace stippon::testing {

struct _batch_result {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class _scratch {
 public:
  _scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "stippon-batch-XXXXXX");
    dir = ::mkdtemp(pattern.data());
  }
  ~_scratch() {
    std::error_code error;
    std::filesystem::remove_all(dir, error);
  }
  _scratch(const _scratch&) = delete;
  _scratch& operator=(const _scratch&) = delete;

  std::string operator/(const std::string& name) const { return (dir / name).string(); }
  // The files in the folder, to check that a failed run leaves nothing behind.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    return names;
  }

  std::filesystem::path dir;
};

// Runs the batch with these arguments; stdout and stderr go to files in the scratch folder.
inline _batch_result run_batch(const std::vector<std::string>& arguments, const _scratch& scratch) {
  std::vector<std::string> all = {STIPPON_BATCH_EXE};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const std::string out_name = (scratch.dir / ".out").string();
  const std::string err_name = (scratch.dir / ".err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = 0;
  _batch_result result;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = read_file(out_name);
  result.err = read_file(err_name);
  std::filesystem::remove(out_name);
  std::filesystem::remove(err_name);
  return result;
}

}  // namespace stippon::testing
