// stippon-batch: the stippling pipeline of the desktop program, from the command line.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/options.h"

int main(int argc, char** argv) {
  using namespace stippon;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const _parse_result parsed = parse_batch_options(arguments);
  switch (parsed.action) {
    case action_help:
      std::fputs(batch_usage().c_str(), stdout);
      return exit_success;
    case action_version:
      std::printf("stippon-batch %s\n", STIPPON_VERSION);
      return exit_success;
    case action_usage_error:
      std::fprintf(stderr, "stippon-batch: %s\nTry 'stippon-batch --help'.\n",
                   parsed.message.c_str());
      return exit_usage;
    case action_run:
      break;
  }
  try {
    return _batch_run(parsed.options).run();
  } catch (const std::bad_alloc&) {
    std::fputs("stippon-batch: not enough memory for this output size\n", stderr);
    return exit_failure;
  }
}
