// The batch's option parser on any arguments (NUL-separated), and a small whole run with what it
// accepts: a 16 x 12 photograph printed at 300 ppi into a scratch file.
#include <cstdio>
#include <string>
#include <vector>

#include "batch/console.h"
#include "batch/options.h"
#include "controller/print_job.h"
#include "fuzz_input.h"

using namespace stippon;

namespace {

std::string small_photo() {
  std::string pgm = "P5\n16 12\n255\n";
  for (int i = 0; i < 16 * 12; ++i) pgm += static_cast<char>((i * 37) & 0xff);
  return pgm;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      arguments.emplace_back();
    else
      arguments.back() += static_cast<char>(data[i]);
  }
  _parse_result parsed = parse_batch_options(arguments);
  // Every refusal says why, and help is the text that --help prints.
  fuzzing::require(parsed.action == action_run || parsed.action == action_version ||
                   !parsed.message.empty());
  if (parsed.action != action_run) return 0;
  // Only sizes that stay small, and one print: the run, not the stippling of a poster or a
  // folder of them, is what is fuzzed.
  _batch_options& options = parsed.options;
  if (options.resolution != resolution_300 || options.settings.output_size == size_optimal ||
      options.settings.output_size < size_a8 || options.settings.output_size == size_custom ||
      !options.output_dir.empty())
    return 0;
  static const std::string photo = small_photo();
  const std::string input =
      fuzzing::as_file(reinterpret_cast<const uint8_t*>(photo.data()), photo.size());
  const std::string extension = options.output.substr(options.output.rfind('.') + 1);
  const std::string output = "/tmp/stippon-fuzz-print." + extension;
  options.data_dir = STIPPON_DATA_DIR;
  options.quiet = true;
  _console console(false);
  _print_job(options, console, false, [] { return false; }).print(input, output);
  std::remove(output.c_str());
  return 0;
}
