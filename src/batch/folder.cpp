#include "batch/folder.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

namespace stippon {

namespace {

// Measured on prints up to 33 megapixels: about 3 bytes a pixel at 300 ppi for the derived
// images and the bands, whatever the resolution; the photograph's decoding comes on top.
constexpr uint64_t BYTES_PER_PRINT_PIXEL = 4;
constexpr uint64_t PHOTO_ALLOWANCE = uint64_t{256} << 20;

// The memory the kernel could give without swapping, or the free memory where it does not say.
uint64_t available_memory() {
  std::ifstream info("/proc/meminfo");
  const std::string key = "MemAvailable:";  // then the kibibytes, "kB"
  for (std::string line; std::getline(info, line);)
    if (line.starts_with(key)) return std::stoull(line.substr(key.size())) << 10;
  return uint64_t(sysconf(_SC_AVPHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE));
}

// What one print holds at once for these options, in bytes; the print's size follows the
// photograph for --size optimal, so it is counted as the largest there is.
uint64_t print_memory(const _batch_options& options) {
  const _document_settings& settings = options.settings;
  const int size = settings.output_size;
  double pixels = double(DEFAULT_TEXTURE_LIMIT) * DEFAULT_TEXTURE_LIMIT;
  if (is_sheet(size)) pixels = double(SHEET_SIDES[size]) * SHEET_SIDES[size + 1];
  if (size == size_custom)
    pixels = std::pow(double(to_pixels(options.typed_edge, settings.output_units)), 2.0);
  return uint64_t(pixels) * BYTES_PER_PRINT_PIXEL + PHOTO_ALLOWANCE;
}

}  // namespace

_folder_run::_folder_run(const _batch_options& options, _console& console)
    : options(options), console(console) {
  for (const std::string& input : options.inputs)
    jobs.push_back({input, options.print_name(input)});
}

_exit_status _folder_run::run() {
  const std::string clash = collision();
  if (!clash.empty()) return console.say(clash), exit_usage;
  std::error_code error;
  std::filesystem::create_directories(options.output_dir, error);
  if (error)
    return console.say(options.output_dir + ": cannot make the folder (" + error.message() + ")"),
           exit_unwritable;
  // Each worker reads the data before any photograph: a missing file fails them all at once.
  // The workers share the cores between their prints' threads.
  const unsigned count = worker_count();
  _batch_options each = options;
  if (each.threads == 0) each.threads = std::max(1u, std::thread::hardware_concurrency() / count);
  std::vector<std::unique_ptr<_batch_printer>> printers;
  std::vector<std::thread> workers;
  for (unsigned i = count; i > 0; --i) {
    printers.push_back(std::make_unique<_batch_printer>(each, console, true));
    const _exit_status status = printers.back()->load_data();
    if (status != exit_success) return status;
  }
  for (auto& printer : printers) workers.emplace_back([this, &printer] { work(*printer); });
  for (std::thread& worker : workers) worker.join();
  console.show({});
  const auto failed = [](const _job& job) { return job.status != exit_success; };
  const auto first = std::find_if(jobs.begin(), jobs.end(), failed);
  if (first == jobs.end()) return exit_success;
  console.say(std::to_string(std::count_if(jobs.begin(), jobs.end(), failed)) + " of " +
              std::to_string(jobs.size()) + " photographs failed");
  return first->status;
}

std::string _folder_run::collision() const {
  std::map<std::string, const _job*> outputs;
  for (const _job& job : jobs)
    if (const auto [at, added] = outputs.emplace(job.output, &job); !added)
      return at->second->input + " and " + job.input + " would both print to " + job.output +
             "; rename one or print them in separate calls";
  return {};
}

unsigned _folder_run::worker_count() const {
  const uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
  const uint64_t fitting = available_memory() / print_memory(options);
  return unsigned(std::max<uint64_t>(1, std::min({cores, fitting, uint64_t(jobs.size())})));
}

void _folder_run::work(_batch_printer& printer) {
  for (size_t i = next++; i < jobs.size() && !interrupted(); i = next++) {
    _job& job = jobs[i];
    const bool kept = options.skip_existing && std::filesystem::exists(job.output);
    if (!kept) job.status = printer.print(job.input, job.output);
    // On a terminal one line counts the photographs done; a log gets a line for each.
    const std::string counted = std::to_string(++done) + " of " + std::to_string(jobs.size());
    if (console.shows_progress())
      console.show(counted + " photographs done");
    else if (!options.quiet)
      console.say(counted + (kept                         ? ": kept " + job.output
                             : job.status == exit_success ? ": wrote " + job.output
                                                          : ": failed " + job.input));
  }
}

}  // namespace stippon
