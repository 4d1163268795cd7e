#pragma once

#include <csignal>
#include <string>

#include "batch/console.h"
#include "batch/options.h"
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

// Prints photographs with the settings of the command line, one after another on one document of
// the desktop program, which reads the dot sheets and the tone, and measures tone matching, once
// for all of them. Each print is written atomically, so one that fails leaves no file behind and
// an older one untouched.
class _batch_printer {
 public:
  // One of many: no stages on the progress line, and messages name the photograph.
  _batch_printer(const _batch_options& options, _console& console, bool one_of_many);
  _exit_status print(const std::string& input, const std::string& output);
  // The dot sheets and the tone the prints need, read once; print() reads them when not yet.
  _exit_status load_data();

 private:
  const _batch_options& options;
  _console& console;
  const bool many;
  _stipple_document document;
  bool data_loaded = false;
  // The print being made:
  std::string input, output;
  bool oversize = false;
  float width = 0.0f;  // in pixels at 300 ppi

  void say(const std::string& message);
  void stage(const std::string& text) {
    if (!many) console.show(text + "...");
  }
  _exit_status fail(_exit_status status, const std::string& message) {
    return say(message), status;
  }
  void note(const std::string& message) {  // --verbose only
    if (options.verbose) say(message);
  }
  void warn(const std::string& message) {  // unless --quiet
    if (!options.quiet) say("warning: " + message);
  }

  _exit_status run();
  _exit_status read_input();
  _exit_status prepare();
  _exit_status compute();
  _exit_status write();
  bool tone_applied() const;
};

}  // namespace stippon
