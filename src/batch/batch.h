#pragma once

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

// From here on Ctrl+C, a closed terminal or a kill only mark the run as interrupted: the print
// being written stops at its next band and removes its temporary file.
void catch_interrupts();
bool interrupted();
// Ends the program by the signal that interrupted it, as that signal would have.
void end_if_interrupted();

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

  // Says a message, naming the photograph when one of many; returns the status.
  _exit_status say(const std::string& message, _exit_status status = exit_success);
  void note(const std::string& message) {  // --verbose only
    if (options.verbose) say(message);
  }
  void stage(const std::string& text) {
    if (!many) console.show(text + "...");
  }
  _exit_status run();
  _exit_status read_input();
  _exit_status compute();
  _exit_status write();
  bool tone_applied() const;
};

}  // namespace stippon
