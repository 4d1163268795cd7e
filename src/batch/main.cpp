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
  catch_interrupts();
  _console console(!options.quiet);
  const _exit_status status =
      options.output_dir.empty()
          ? _batch_printer(options, console, false).print(options.inputs.front(), options.output)
          : _folder_run(options, console).run();
  console.show({});
  end_if_interrupted();
  return status;
}
