#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "controller/print_job.h"

namespace stippon {

// Photographs printed into one folder. Workers, as many as the cores and the memory allow, each
// take the next photograph in turn and print it as a single print job does, so each file is the
// one that job writes. A photograph that fails is named with its reason and the others are still
// printed; the status is that of the first photograph that failed.
class _folder_print {
 public:
  // Once `cancelled` says so, no further photograph is begun.
  _folder_print(const _print_request& request, _print_messages& messages,
                std::function<bool()> cancelled);
  // The next photograph, and the file in the folder its print goes to.
  void add(const std::string& input, const std::string& output);
  // Skipping existing files keeps the prints already in the folder.
  _print_status run(const std::string& folder, bool skip_existing);

 private:
  struct _photograph {
    std::string input, output;
    _print_status status = print_done;
  };

  const _print_request request;
  _print_messages& messages;
  const std::function<bool()> cancelled;
  std::vector<_photograph> photographs;
  std::atomic<size_t> next{0}, done{0};

  // Two photographs of one name would print to one file: said before anything is printed.
  std::string collision() const;
  unsigned worker_count() const;
  void work(_print_job& job, bool skip_existing);
};

}  // namespace stippon
