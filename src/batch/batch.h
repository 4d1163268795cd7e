#pragma once

#include <csignal>
#include <string>

#include "batch/options.h"
#include "batch/progress.h"
#include "document/stipple_document.h"

namespace stippon {

enum _exit_status {
  exit_success = 0,
  exit_failure = 1,     // anything else, e.g. not enough memory
  exit_usage = 2,       // bad options, or a size this input cannot give
  exit_unreadable = 3,  // the input or a data file
  exit_unwritable = 4,  // the output
};

// While one exists, Ctrl+C, a closed terminal or a kill only mark the run as interrupted: the
// print being written stops at its next band and removes its temporary file, then the signal
// ends the program as it would have.
class _interrupts_caught {
 public:
  _interrupts_caught();
  ~_interrupts_caught();
  _interrupts_caught(const _interrupts_caught&) = delete;
  _interrupts_caught& operator=(const _interrupts_caught&) = delete;
  static bool happened();

 private:
  static constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
  void (*previous[std::size(SIGNALS)])(int) = {};
};

// One run of stippon-batch: the document of the desktop program, set from the command line, read,
// computed and written. The output is written atomically, so a run that fails leaves no file
// behind and an older one untouched.
class _batch_run {
 public:
  explicit _batch_run(const _batch_options& options);
  _exit_status run();

 private:
  const _batch_options& options;
  _progress_line progress;
  _stipple_document document;
  bool oversize = false;
  float width = 0.0f;  // of the print, in pixels at 300 ppi

  // A line on standard error.
  void say(const std::string& message);
  _exit_status fail(_exit_status status, const std::string& message) {
    return say(message), status;
  }
  void note(const std::string& message) {  // --verbose only
    if (options.verbose) say(message);
  }
  void warn(const std::string& message) {  // unless --quiet
    if (!options.quiet) say("warning: " + message);
  }

  _exit_status read_input();
  _exit_status prepare();
  _exit_status load_data();
  _exit_status compute();
  _exit_status write();
  bool tone_applied() const;
};

}  // namespace stippon
