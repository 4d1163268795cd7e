#pragma once

#include <string>
#include <vector>

#include "controller/print_request.h"

namespace stippon {

// Everything the command line decides: the print, and the files it goes to; the defaults are
// those of the desktop program.
struct _batch_options : _print_request {
  std::vector<std::string> inputs;  // INPUT, or with --output-dir every INPUT
  std::string output;               // OUTPUT, or with --output-dir the first INPUT's print
  std::string output_dir;           // --output-dir: a print of every INPUT in this folder
  std::string format = "png";       // --format: the ending of the prints in --output-dir
  bool skip_existing = false;

  // With --output-dir, the print of `input`: DIR/<its name without the ending>.<format>.
  std::string print_name(const std::string& input) const;
};

enum _parse_action { action_run, action_help, action_version, action_usage_error };

struct _parse_result {
  _parse_action action = action_run;
  _batch_options options;
  std::string message;  // the help text, or what was wrong for action_usage_error
};

// Parses the arguments after the program name. Numbers must parse whole and lie in range.
_parse_result parse_batch_options(const std::vector<std::string>& arguments);

}  // namespace stippon
