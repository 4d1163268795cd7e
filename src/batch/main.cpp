// stippon-batch: the stippling pipeline of the desktop program, from the command line.
#include <cstdio>

#include "batch/folder.h"

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
  const _batch_options& options = parsed.options;
  const _interrupts_caught caught;
  _console console(!options.quiet);
  if (!options.output_dir.empty()) return _folder_run(options, console).run();
  return _batch_printer(options, console, false).print(options.inputs.front(), options.output);
}
