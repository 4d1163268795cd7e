#include "batch/batch.h"

#include <chrono>
#include <cstdio>

#include "document/data_location.h"
#include "image/file_access.h"

namespace stippon {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void note_interrupt(int signal_number) {
  interrupted = signal_number;
}

std::string size_text(unsigned width, unsigned height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

std::string decimals(double value, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %s", value, unit);
  return text;
}

}  // namespace

_interrupts_caught::_interrupts_caught() {
  for (size_t i = 0; i < std::size(SIGNALS); ++i)
    previous[i] = std::signal(SIGNALS[i], note_interrupt);
}

_interrupts_caught::~_interrupts_caught() {
  for (size_t i = 0; i < std::size(SIGNALS); ++i) std::signal(SIGNALS[i], previous[i]);
  if (interrupted != 0) std::raise(interrupted);
}

bool _interrupts_caught::happened() {
  return interrupted != 0;
}

_batch_run::_batch_run(const _batch_options& options) : options(options), progress(!options.quiet) {
  document.set_settings(options.settings);
  document.on_oversize_input = [this](int) { oversize = true; };
}

_exit_status _batch_run::run() {
  const auto start = std::chrono::steady_clock::now();
  // The output is checked first, rather than after minutes of stippling.
  if (same_file(options.input, options.output))
    return fail(exit_usage,
                options.output + ": is the input; the print would replace the photograph");
  const std::string problem = output_problem(options.output);
  if (!problem.empty()) return fail(exit_unwritable, options.output + ": " + problem);
  for (auto step : {&_batch_run::read_input, &_batch_run::prepare, &_batch_run::load_data,
                    &_batch_run::compute, &_batch_run::write}) {
    // An interrupt ends the program once the run is over; what is left is not worth doing.
    if (_interrupts_caught::happened()) return exit_failure;
    const _exit_status status = (this->*step)();
    if (status != exit_success) return status;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  note("wrote " + options.output + " in " + decimals(elapsed.count(), "s"));
  return exit_success;
}

void _batch_run::say(const std::string& message) {
  progress.show({});
  std::fprintf(stderr, "stippon-batch: %s\n", message.c_str());
}

_exit_status _batch_run::read_input() {
  progress.show("reading " + options.input + "...");
  // "Optimal for input" makes three pixels of every input pixel: an input whose output could not
  // be made is refused from its header, before its samples are read.
  const bool optimal = options.settings.output_size == size_optimal;
  const int edge = optimal ? static_cast<int>(document.texture_limit() / OPTIMAL_SCALE) : 0;
  if (document.read_input(options.input, edge)) return exit_success;
  const std::string message = "Cannot read " + options.input + ": " + document.read_failure();
  if (oversize && optimal) return fail(exit_usage, message + " (--size optimal triples each edge)");
  return fail(exit_unreadable, message);
}

_exit_status _batch_run::prepare() {
  const unsigned W = document.input().width;
  const unsigned H = document.input().height;
  const _output_geometry geometry = document.geometry();
  const _document_settings& settings = options.settings;
  width =
      settings.output_size == size_custom
          ? geometry.typed_width(options.typed_edge, options.typed_height, settings.output_units)
          : geometry.target_width(settings.output_size);
  const std::string problem = geometry.problem(width);
  if (!problem.empty()) return fail(exit_usage, problem);
  const _preview_size size = preview_size(width, W, H);
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
  if (stippled && !document.load_dots(folder))
    return fail(exit_unreadable, "cannot read the dot sheets in " + folder + "/dots");
  const int tone = options.settings.tone;
  if (!tone_applied()) return exit_success;
  progress.show("reading the tones...");
  if (!document.load_tone(folder, tone))
    return fail(exit_unreadable, "cannot read the tone " + tone_path(folder, tone));
  return exit_success;
}

_exit_status _batch_run::compute() {
  progress.show("resampling, borders and halftone...");
  if (!document.derive(width))
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
  const std::string text = "writing " + options.output;
  progress.show(text + "...");
  const _band_progress shown = [this, &text](unsigned done, unsigned total) {
    progress.show(text, done, total);
    return !_interrupts_caught::happened();
  };
  if (!options.svg_output()) {
    const _print_result result = document.write_print(options.output, options.resolution,
                                                      options.image, tone_applied(), shown);
    return result.written ? exit_success : fail(exit_unwritable, result.error);
  }
  _svg_options svg = options.svg;
  svg.measure_travel = options.verbose;
  const _svg_result result = document.write_svg(options.output, svg, shown);
  if (!result.written) return fail(exit_unwritable, result.error);
  note(std::to_string(result.dots) + " dots in " + std::to_string(result.layers) +
       (result.layers == 1 ? " layer" : " layers"));
  const _pen_travel& travel = result.travel;
  if (options.svg.dots != svg_shapes)
    note("pen-up travel " + decimals(travel.drawn / 1000.0, "m") + " row by row, " +
         decimals(travel.serpentine / 1000.0, "m") + " in strips, " +
         decimals(travel.improved / 1000.0, "m") + " improved");
  return exit_success;
}

bool _batch_run::tone_applied() const {
  return options.colour_output() && !options.colour_image() && options.settings.tone != 0;
}

}  // namespace stippon
