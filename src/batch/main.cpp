// stippon-batch: the stippling pipeline of the desktop program, from the command line.
#include <cstdio>
#include <new>

#include "batch/batch.h"

int main(int argc, char** argv) {
  using namespace stippon;
  const _parse_result parsed = parse_batch_options({argv + 1, argv + argc});
  if (parsed.action == action_help) std::fputs(parsed.message.c_str(), stdout);
  if (parsed.action == action_version) std::printf("stippon-batch %s\n", STIPPON_VERSION);
  if (parsed.action == action_usage_error)
    std::fprintf(stderr, "stippon-batch: %s\nTry 'stippon-batch --help'.\n",
                 parsed.message.c_str());
  if (parsed.action != action_run)
    return parsed.action == action_usage_error ? exit_usage : exit_success;
  try {
    const _interrupts_caught caught;
    return _batch_run(parsed.options).run();
  } catch (const std::bad_alloc&) {
    std::fputs("stippon-batch: not enough memory for this output size\n", stderr);
    return exit_failure;
  }
}
