#pragma once

// Runs the stippon-batch executable and keeps its exit status and messages.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "image/scratch.h"

extern char** environ;

namespace stippon::testing {

using _scratch = scratch_dir;

struct _batch_result {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out, err;
};

// Runs the batch with these arguments; stdout and stderr go to files in the scratch folder.
inline _batch_result run_batch(const std::vector<std::string>& arguments, const _scratch& scratch) {
  std::vector<char*> argv = {const_cast<char*>(STIPPON_BATCH_EXE)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.data()));
  argv.push_back(nullptr);
  const std::string out_name = scratch / ".out", err_name = scratch / ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const auto& [fd, name] : {std::pair{1, &out_name}, {2, &err_name}})
    posix_spawn_file_actions_addopen(&actions, fd, name->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
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
