#include "controller/folder_print.h"

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

// What one print holds at once for this request, in bytes; the print's size follows the
// photograph for the optimal size, so it is counted as the largest there is.
uint64_t print_memory(const _print_request& request) {
  const _document_settings& settings = request.settings;
  const int size = settings.output_size;
  double pixels = double(DEFAULT_TEXTURE_LIMIT) * DEFAULT_TEXTURE_LIMIT;
  if (is_sheet(size)) pixels = double(SHEET_SIDES[size]) * SHEET_SIDES[size + 1];
  if (size == size_custom)
    pixels = std::pow(double(to_pixels(request.typed_edge, settings.output_units)), 2.0);
  return uint64_t(pixels) * BYTES_PER_PRINT_PIXEL + PHOTO_ALLOWANCE;
}

}  // namespace

_folder_print::_folder_print(const _print_request& request, _print_messages& messages,
                             std::function<bool()> cancelled)
    : request(request), messages(messages), cancelled(std::move(cancelled)) {}

void _folder_print::add(const std::string& input, const std::string& output) {
  photographs.push_back({input, output});
}

_print_status _folder_print::run(const std::string& folder, bool skip_existing) {
  if (photographs.empty()) return print_done;
  const std::string clash = collision();
  if (!clash.empty()) return messages.say(clash), print_refused;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    return messages.say(folder + ": cannot make the folder (" + error.message() + ")"),
           print_unwritable;
  // Each worker reads the data before any photograph: a missing file fails them all at once.
  // The workers share the cores between their prints' threads.
  const unsigned count = worker_count();
  _print_request each = request;
  if (each.threads == 0) each.threads = std::max(1u, std::thread::hardware_concurrency() / count);
  std::vector<std::unique_ptr<_print_job>> jobs;
  std::vector<std::thread> workers;
  for (unsigned i = count; i > 0; --i) {
    jobs.push_back(std::make_unique<_print_job>(each, messages, true, cancelled));
    const _print_status status = jobs.back()->load_data(photographs.front().output);
    if (status != print_done) return status;
  }
  for (auto& job : jobs)
    workers.emplace_back([this, &job, skip_existing] { work(*job, skip_existing); });
  for (std::thread& worker : workers) worker.join();
  messages.show({});
  const auto failed = [](const _photograph& photo) { return photo.status != print_done; };
  const auto first = std::find_if(photographs.begin(), photographs.end(), failed);
  if (first == photographs.end()) return print_done;
  messages.say(std::to_string(std::count_if(photographs.begin(), photographs.end(), failed)) +
               " of " + std::to_string(photographs.size()) + " photographs failed");
  return first->status;
}

std::string _folder_print::collision() const {
  std::map<std::string, const _photograph*> outputs;
  for (const _photograph& photo : photographs)
    if (const auto [at, added] = outputs.emplace(photo.output, &photo); !added)
      return at->second->input + " and " + photo.input + " would both print to " + photo.output +
             "; rename one or print them in separate calls";
  return {};
}

unsigned _folder_print::worker_count() const {
  const uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
  const uint64_t fitting = available_memory() / print_memory(request);
  return unsigned(std::max<uint64_t>(1, std::min({cores, fitting, uint64_t(photographs.size())})));
}

void _folder_print::work(_print_job& job, bool skip_existing) {
  for (size_t i = next++; i < photographs.size() && !cancelled(); i = next++) {
    _photograph& photo = photographs[i];
    const bool kept = skip_existing && std::filesystem::exists(photo.output);
    if (!kept) photo.status = job.print(photo.input, photo.output);
    // With a progress line, one line counts the photographs done; a log gets a line for each.
    const std::string counted =
        std::to_string(++done) + " of " + std::to_string(photographs.size());
    if (messages.shows_progress())
      messages.show(counted + " photographs done");
    else if (!request.quiet)
      messages.say(counted + (kept                         ? ": kept " + photo.output
                              : photo.status == print_done ? ": wrote " + photo.output
                                                           : ": failed " + photo.input));
  }
}

}  // namespace stippon
