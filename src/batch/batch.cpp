#include "batch/batch.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>

#include "document/data_location.h"
#include "files/file_access.h"

namespace stippon {

namespace {

constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t interrupt_signal = 0;

extern "C" void note_interrupt(int signal_number) {
  interrupt_signal = signal_number;
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

void catch_interrupts() {
  for (int signal_number : SIGNALS) std::signal(signal_number, note_interrupt);
}

bool interrupted() {
  return interrupt_signal != 0;
}

void end_if_interrupted() {
  if (!interrupted()) return;
  std::signal(interrupt_signal, SIG_DFL);
  std::raise(interrupt_signal);
}

_batch_printer::_batch_printer(const _batch_options& options, _console& console, bool one_of_many)
    : options(options), console(console), many(one_of_many) {
  document.apply(options.settings);
  document.keep_colour(options.settings.colour_source == colour_photo ||
                       options.settings.inks == inks_cmyk);
  if (options.threads != 0) document.set_threads(options.threads);
  document.on_oversize_input = [this](int) { oversize = true; };
}

_exit_status _batch_printer::print(const std::string& photograph, const std::string& file) {
  input = photograph;
  output = file;
  oversize = false;
  try {
    return run();
  } catch (const std::bad_alloc&) {
    return say("not enough memory for this output size", exit_failure);
  }
}

_exit_status _batch_printer::run() {
  const auto start = std::chrono::steady_clock::now();
  // The output is checked first, rather than after minutes of stippling.
  if (same_file(input, output))
    return say(output + ": is the input; the print would replace the photograph", exit_usage);
  const std::string problem = output_problem(output);
  if (!problem.empty()) return say(output + ": " + problem, exit_unwritable);
  for (auto step : {&_batch_printer::read_input, &_batch_printer::load_data,
                    &_batch_printer::compute, &_batch_printer::write}) {
    // An interrupt ends the program once the print is over; what is left is not worth doing.
    if (interrupted()) return exit_failure;
    const _exit_status status = (this->*step)();
    if (status != exit_success) return status;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  note("wrote " + output + " in " + decimals(elapsed.count(), "s"));
  return exit_success;
}

_exit_status _batch_printer::say(const std::string& message, _exit_status status) {
  const bool named = !many || message.find(input) != std::string::npos;
  console.say(named ? message : input + ": " + message);
  return status;
}

_exit_status _batch_printer::read_input() {
  stage("reading " + input);
  // "Optimal for input" makes three pixels of every input pixel: an input whose output could not
  // be made is refused from its header, before its samples are read.
  const _document_settings& settings = options.settings;
  const bool optimal = settings.output_size == size_optimal;
  const int edge = optimal ? static_cast<int>(document.texture_limit() / OPTIMAL_SCALE) : 0;
  if (!document.read_input(input, edge)) {
    const std::string message = "Cannot read " + input + ": " + document.read_failure();
    if (oversize && optimal)
      return say(message + " (--size optimal triples each edge)", exit_usage);
    return say(message, exit_unreadable);
  }
  if (!document.read_warning().empty() && !options.quiet)
    say("warning: " + document.read_warning());
  const unsigned W = document.input().width, H = document.input().height;
  const _output_geometry geometry = document.geometry();
  width =
      settings.output_size == size_custom
          ? geometry.typed_width(options.typed_edge, options.typed_height, settings.output_units)
          : geometry.target_width(settings.output_size);
  const std::string problem = geometry.problem(width);
  if (!problem.empty()) return say(problem, exit_usage);
  const _preview_size size = preview_size(width, W, H);
  const unsigned k = output_scale(options.resolution);
  note("input " + input + ": " + size_text(W, H) + "; output " +
       size_text(k * size.width, k * size.height) + " at " +
       std::to_string(VECRES[options.resolution]) + " ppi");
  return exit_success;
}

_exit_status _batch_printer::load_data() {
  if (data_loaded) return exit_success;
  // Tone matching measures what the dots print, so it needs them too.
  const bool stippled = options.image == list_stippling || options.image == list_color_stippling ||
                        options.settings.tone_match.matching != tone_matching_none;
  data_loaded = !stippled && !tone_applied();
  if (data_loaded) return exit_success;
  // Looked up only now: images drawn without dots or tones need no data folder.
  const _data_location data = _data_location::find(options.data_dir);
  if (!data.found()) return say(data.report(), exit_unreadable);
  note("data from " + data.description());
  const std::string& folder = data.folder();
  if (stippled && !document.load_dots(folder))
    return say("cannot read the dot sheets in " + folder + "/dots", exit_unreadable);
  const int tone = options.settings.tone;
  if (tone_applied()) {
    stage("reading the tones");
    if (!document.load_tone(folder, tone))
      return say("cannot read the tone " + tone_path(folder, tone), exit_unreadable);
  }
  data_loaded = true;
  return exit_success;
}

_exit_status _batch_printer::compute() {
  stage("resampling, borders and halftone");
  if (!document.derive(width))
    return say("the output is too small for the shape of this input", exit_usage);
  if (document.enlarged() && !options.quiet)
    say("warning: the input is enlarged to fit this output size and packing factor, which may "
        "lower the quality; a smaller size or a higher-resolution original avoids it");
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

_exit_status _batch_printer::write() {
  const std::string text = "writing " + output;
  stage(text);
  const _band_progress shown = [this, &text](unsigned done, unsigned total) {
    if (!many) console.show(text, done, total);
    return !interrupted();
  };
  if (!options.svg_output()) {
    const _print_result result =
        document.write_print(output, options.resolution, options.image, tone_applied(), shown);
    return result.written ? exit_success : say(result.error, exit_unwritable);
  }
  _svg_options svg = options.svg;
  svg.measure_travel = options.verbose;
  const _svg_result result = document.write_svg(output, svg, shown);
  if (!result.written) return say(result.error, exit_unwritable);
  note(std::to_string(result.dots) + " dots in " + std::to_string(result.layers) +
       (result.layers == 1 ? " layer" : " layers"));
  const _pen_travel& travel = result.travel;
  if (options.svg.dots != svg_shapes)
    note("pen-up travel " + decimals(travel.drawn / 1000.0, "m") + " row by row, " +
         decimals(travel.serpentine / 1000.0, "m") + " in strips, " +
         decimals(travel.improved / 1000.0, "m") + " improved");
  return exit_success;
}

bool _batch_printer::tone_applied() const {
  return options.colour_output() && !options.colour_image() && options.settings.tone != 0;
}

}  // namespace stippon
