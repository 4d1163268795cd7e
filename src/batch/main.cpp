// stippon-batch: the stippling pipeline of the desktop program, from the command line.
#include <csignal>
#include <cstdio>

#include "batch/console.h"
#include "batch/options.h"
#include "controller/folder_print.h"

namespace {

constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t interrupt_signal = 0;

extern "C" void note_interrupt(int signal_number) {
  interrupt_signal = signal_number;
}

bool interrupted() {
  return interrupt_signal != 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace stippon;
  const _parse_result parsed = parse_batch_options({argv + 1, argv + argc});
  if (parsed.action == action_help) std::fputs(parsed.message.c_str(), stdout);
  if (parsed.action == action_version) std::printf("stippon-batch %s\n", STIPPON_VERSION);
  if (parsed.action == action_usage_error)
    std::fprintf(stderr, "stippon-batch: %s\nTry 'stippon-batch --help'.\n",
                 parsed.message.c_str());
  // Bad usage exits with the status of a refused print.
  if (parsed.action != action_run)
    return parsed.action == action_usage_error ? print_refused : print_done;
  const _batch_options& options = parsed.options;
  // From here on Ctrl+C, a closed terminal or a kill only mark the run as interrupted: the print
  // being written stops at its next band and removes its temporary file.
  for (int signal_number : SIGNALS) std::signal(signal_number, note_interrupt);
  _console console(!options.quiet);
  _print_status status = print_done;
  if (options.output_dir.empty()) {
    status = _print_job(options, console, false, interrupted)
                 .print(options.inputs.front(), options.output);
  } else {
    _folder_print folder(options, console, interrupted);
    for (const std::string& input : options.inputs) folder.add(input, options.print_name(input));
    status = folder.run(options.output_dir, options.skip_existing);
  }
  console.show({});
  // The program ends by the signal that interrupted it, as that signal would have ended it.
  if (interrupted()) {
    std::signal(interrupt_signal, SIG_DFL);
    std::raise(interrupt_signal);
  }
  return status;
}
