#pragma once

#include <functional>
#include <string>

#include "controller/print_messages.h"
#include "controller/print_request.h"
#include "document/stipple_document.h"

namespace stippon {

// How a print ended. The numbers are the exit statuses of stippon-batch, which returns them.
enum _print_status {
  print_done = 0,
  print_failed = 1,      // anything else, e.g. not enough memory
  print_refused = 2,     // a size this input cannot give, or the input as its own output
  print_unreadable = 3,  // the input or a data file
  print_unwritable = 4,  // the output
};

// Prints photographs as the request asks, one after another on one document of the desktop
// program, which reads the dot sheets and the tone, and measures tone matching, once for all of
// them. Each print is written atomically, so one that fails leaves no file behind and an older
// one untouched.
class _print_job {
 public:
  // One of many: no stages on the progress line, and messages name the photograph. Once
  // `cancelled` says so, no further step is begun and the print being written stops at its next
  // band.
  _print_job(const _print_request& request, _print_messages& messages, bool one_of_many,
             std::function<bool()> cancelled);
  _print_status print(const std::string& input, const std::string& output);
  // The dot sheets and the tone that prints to a file like `output` need, read once; print()
  // reads them when not yet.
  _print_status load_data(const std::string& output);

 private:
  const _print_request request;
  _print_messages& messages;
  const bool many;
  const std::function<bool()> cancelled;
  _stipple_document document;
  bool data_loaded = false;
  // The print being made:
  std::string input, output;
  bool oversize = false;
  float width = 0.0f;  // in pixels at 300 ppi

  // Says a message, naming the photograph when one of many; returns the status.
  _print_status say(const std::string& message, _print_status status = print_done);
  void note(const std::string& message) {  // verbose only
    if (request.verbose) say(message);
  }
  void stage(const std::string& text) {
    if (!many) messages.show(text + "...");
  }
  _print_status run();
  _print_status read_input();
  _print_status read_data();
  _print_status compute();
  _print_status write();
  bool tone_applied() const;
};

}  // namespace stippon
