#pragma once

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

  _exit_status fail(_exit_status status, const std::string& message);
  void note(const std::string& message);  // --verbose only
  void warn(const std::string& message);  // unless --quiet

  _exit_status read_input();
  _exit_status prepare(float& w);
  _exit_status load_data();
  _exit_status check_output();
  _exit_status compute(float w);
  _exit_status write();

  bool tone_applied() const;
  _exit_status write_svg();
};

}  // namespace stippon
