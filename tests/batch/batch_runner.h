#pragma once

// Runs the stippon-batch executable, or another program, and keeps its exit status and messages.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <optional>
#include <utility>

#include "image/scratch.h"

extern char** environ;

namespace stippon::testing {

using _scratch = scratch_dir;

struct _batch_result {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out, err;
};

// Where a program runs: its working directory (empty: the test's own) and the environment
// variables changed from the test's own (nullopt: removed).
struct _run_context {
  std::string working_directory;
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
};

inline std::vector<std::string> changed_environment(const _run_context& context) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string entry = *variable;
    bool changed = false;
    for (const auto& [name, value] : context.environment)
      changed = changed || entry.starts_with(name + "=");
    if (!changed) variables.push_back(entry);
  }
  for (const auto& [name, value] : context.environment)
    if (value) variables.push_back(name + "=" + *value);
  return variables;
}

// Runs a program (found on PATH unless the name has a slash) with these arguments; stdout and
// stderr go to files in the scratch folder.
// standard_input names a file read as standard input (empty: the test's own).
inline _batch_result run_program(const std::string& program,
                                 const std::vector<std::string>& arguments, const _scratch& scratch,
                                 const _run_context& context = {},
                                 const std::string& standard_input = {}) {
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.data()));
  argv.push_back(nullptr);
  std::vector<std::string> variables = changed_environment(context);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  const std::string out_name = scratch / ".out", err_name = scratch / ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const auto& [fd, name] : {std::pair{1, &out_name}, {2, &err_name}})
    posix_spawn_file_actions_addopen(&actions, fd, name->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  if (!standard_input.empty())
    posix_spawn_file_actions_addopen(&actions, 0, standard_input.c_str(), O_RDONLY, 0);
  if (!context.working_directory.empty())
    posix_spawn_file_actions_addchdir_np(&actions, context.working_directory.c_str());
  pid_t pid = 0;
  _batch_result result;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
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

inline _batch_result run_batch(const std::vector<std::string>& arguments, const _scratch& scratch,
                               const _run_context& context = {}) {
  return run_program(STIPPON_BATCH_EXE, arguments, scratch, context);
}

}  // namespace stippon::testing
