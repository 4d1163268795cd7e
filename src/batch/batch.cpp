#include "batch/batch.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "document/data_location.h"
#include "image/file_access.h"

namespace stippon {

namespace {

// Ctrl+C, a closed terminal or a kill while the print is written: the write stops at the next
// band and removes its temporary file, then the signal ends the program as it would have.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void note_interrupt(int signal_number) {
  interrupted = signal_number;
}

class _interrupts_caught {
 public:
  _interrupts_caught() {
    for (int signal_number : SIGNALS)
      previous[index(signal_number)] = std::signal(signal_number, note_interrupt);
  }
  ~_interrupts_caught() {
    for (int signal_number : SIGNALS) std::signal(signal_number, previous[index(signal_number)]);
    if (interrupted != 0) std::raise(interrupted);
  }
  _interrupts_caught(const _interrupts_caught&) = delete;
  _interrupts_caught& operator=(const _interrupts_caught&) = delete;

 private:
  static constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
  static size_t index(int signal_number) {
    return signal_number == SIGINT ? 0 : signal_number == SIGTERM ? 1 : 2;
  }
  void (*previous[3])(int) = {};
};

std::string size_text(unsigned width, unsigned height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

std::string metres(double millimetres) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f m", millimetres / 1000.0);
  return text;
}

}  // namespace

_batch_run::_batch_run(const _batch_options& options) : options(options), progress(!options.quiet) {
  document.set_settings(options.settings);
  if (options.threads != 0) document.set_threads(options.threads);
  document.on_oversize_input = [this](int) { oversize = true; };
}

_exit_status _batch_run::run() {
  const auto start = std::chrono::steady_clock::now();
  float w = 0.0f;
  _exit_status status = check_output();
  if (status == exit_success) status = read_input();
  if (status == exit_success) status = prepare(w);
  if (status == exit_success) status = load_data();
  if (status == exit_success) status = compute(w);
  if (status == exit_success) status = write();
  if (status != exit_success) return status;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", elapsed.count());
  note("wrote " + options.output + " in " + seconds + " s");
  return exit_success;
}

_exit_status _batch_run::fail(_exit_status status, const std::string& message) {
  progress.clear();
  std::fprintf(stderr, "stippon-batch: %s\n", message.c_str());
  return status;
}

void _batch_run::note(const std::string& message) {
  if (!options.verbose) return;
  progress.clear();
  std::fprintf(stderr, "stippon-batch: %s\n", message.c_str());
}

void _batch_run::warn(const std::string& message) {
  if (options.quiet) return;
  progress.clear();
  std::fprintf(stderr, "stippon-batch: warning: %s\n", message.c_str());
}

_exit_status _batch_run::read_input() {
  progress.stage("reading " + options.input);
  // "Optimal for input" makes three pixels of every input pixel: an input whose output could not
  // be made is refused from its header, before its samples are read.
  const bool optimal = options.settings.output_size == size_optimal;
  const int edge = optimal ? static_cast<int>(document.texture_limit() / OPTIMAL_SCALE) : 0;
  if (!document.read_input(options.input, edge)) {
    if (oversize && optimal)
      return fail(exit_usage, "Cannot read " + options.input + ": " + document.read_failure() +
                                  " (--size optimal triples each edge)");
    return fail(exit_unreadable, "Cannot read " + options.input + ": " + document.read_failure());
  }
  return exit_success;
}

_exit_status _batch_run::prepare(float& w) {
  const unsigned W = document.input().width;
  const unsigned H = document.input().height;
  const _output_geometry geometry = document.geometry();
  const _typed_size& typed = options.typed;
  w = options.settings.output_size == size_custom
          ? geometry.typed_width(typed.value, typed.is_height, typed.units)
          : geometry.target_width(options.settings.output_size);
  const std::string problem = geometry.problem(w);
  if (!problem.empty()) return fail(exit_usage, problem);
  const _preview_size size = preview_size(w, W, H);
  const unsigned k = output_scale(options.resolution);
  note("input " + options.input + ": " + size_text(W, H) + "; output " +
       size_text(k * size.width, k * size.height) + " at " +
       std::to_string(VECRES[options.resolution]) + " ppi");
  return exit_success;
}

_exit_status _batch_run::load_data() {
  // Tone matching measures what the dots print, so it needs them too.
  const bool stippled = options.image == list_stippling || options.image == list_color_stippling ||
                        options.settings.tone_match.matching != tone_matching_none;
  if (!stippled && !tone_applied()) return exit_success;
  // Looked up only now: images drawn without dots or tones need no data folder.
  const _data_location data = _data_location::find(options.data_dir);
  if (!data.found()) return fail(exit_unreadable, data.report());
  note("data from " + data.description());
  const std::string& folder = data.folder();
  if (stippled) {
    // The loader prints a line of its own on standard output.
    progress.clear();
    if (!document.load_dots(folder))
      return fail(exit_unreadable, "cannot read the dot sheets in " + folder + "/dots");
  }
  const int tone = options.settings.tone;
  if (tone_applied()) {
    progress.stage("reading the tones");
    if (!document.load_tone(folder, tone))
      return fail(exit_unreadable, "cannot read the tone " + tone_path(folder, tone));
  }
  return exit_success;
}

// Found out before any work rather than after minutes of stippling.
_exit_status _batch_run::check_output() {
  if (same_file(options.input, options.output))
    return fail(exit_usage,
                options.output + ": is the input; the print would replace the photograph");
  const std::string problem = output_problem(options.output);
  if (!problem.empty()) return fail(exit_unwritable, options.output + ": " + problem);
  return exit_success;
}

_exit_status _batch_run::compute(float w) {
  progress.stage("resampling, borders and halftone");
  if (!document.derive(w))
    return fail(exit_usage, "the output is too small for the shape of this input");
  if (document.enlarged())
    warn(
        "the input is enlarged to fit this output size and packing factor, which may lower "
        "the quality; a smaller size or a higher-resolution original avoids it");
  if (options.seed)
    document.set_seed(*options.seed);
  else
    document.new_seeds();
  // srandom() sees the seed as an unsigned int: that is the value --seed takes.
  const uint32_t seed = static_cast<uint32_t>(document.pattern_seed());
  note("seed " + std::to_string(seed) + (options.seed ? "" : " (from the clock)"));
  // A vector print draws its dots from the seeds when it is written, as a raster print does.
  return exit_success;
}

_exit_status _batch_run::write() {
  if (options.svg_output()) return write_svg();
  const std::string text = "writing " + options.output;
  progress.stage(text);
  _interrupts_caught caught;
  const _print_result result =
      document.write_print(options.output, options.resolution, options.image, tone_applied(),
                           [this, &text](unsigned done, unsigned total) {
                             progress.fraction(text, done, total);
                             return interrupted == 0;
                           });
  if (!result.written) return fail(exit_unwritable, result.error);
  return exit_success;
}

bool _batch_run::tone_applied() const {
  return options.colour_output() && !options.colour_image() && options.settings.tone != 0;
}

_exit_status _batch_run::write_svg() {
  const std::string text = "writing " + options.output;
  progress.stage(text);
  _svg_options svg = options.svg;
  svg.measure_travel = options.verbose;
  const _svg_result result =
      document.write_svg(options.output, svg, [this, &text](unsigned done, unsigned total) {
        progress.fraction(text, done, total);
        return true;
      });
  if (!result.written) return fail(exit_unwritable, result.error);
  note(std::to_string(result.dots) + " dots in " + std::to_string(result.layers) +
       (result.layers == 1 ? " layer" : " layers"));
  if (options.svg.dots != svg_shapes) {
    const _pen_travel& travel = result.travel;
    note("pen-up travel " + metres(travel.drawn) + " row by row, " + metres(travel.serpentine) +
         " in strips, " + metres(travel.improved) + " improved");
  }
  return exit_success;
}

}  // namespace stippon
