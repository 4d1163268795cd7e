#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "batch/batch.h"

namespace stippon {

// stippon-batch --output-dir: every INPUT printed into the folder. Workers, as many as the cores
// and the memory allow, each take the next photograph in turn and print it as a single run does,
// so each file is the one that run writes. A photograph that fails is named with its reason and
// the others are still printed; the status is that of the first INPUT that failed.
class _folder_run {
 public:
  _folder_run(const _batch_options& options, _console& console);
  _exit_status run();

 private:
  struct _job {
    std::string input, output;
    _exit_status status = exit_success;
  };

  const _batch_options& options;
  _console& console;
  std::vector<_job> jobs;
  std::atomic<size_t> next{0}, done{0};

  // Two INPUTs of one name would print to one file: said before anything is printed.
  std::string collision() const;
  unsigned worker_count() const;
  void work(_batch_printer& printer);
};

}  // namespace stippon
