#include "controller/print_job.h"

#include <chrono>
#include <cstdio>
#include <new>

#include "document/data_location.h"
#include "files/file_access.h"
#include "print/print_format.h"

namespace stippon {

namespace {

std::string size_text(unsigned width, unsigned height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

std::string decimals(double value, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %s", value, unit);
  return text;
}

}  // namespace

_print_job::_print_job(const _print_request& request, _print_messages& messages, bool one_of_many,
                       std::function<bool()> cancelled)
    : request(request), messages(messages), many(one_of_many), cancelled(std::move(cancelled)) {
  document.apply(request.settings);
  document.keep_colour(request.settings.colour_source == colour_photo ||
                       request.settings.inks == inks_cmyk);
  if (request.threads != 0) document.set_threads(request.threads);
  document.on_oversize_input = [this](int) { oversize = true; };
}

_print_status _print_job::print(const std::string& photograph, const std::string& file) {
  input = photograph;
  output = file;
  oversize = false;
  try {
    return run();
  } catch (const std::bad_alloc&) {
    return say("not enough memory for this output size", print_failed);
  }
}

_print_status _print_job::load_data(const std::string& file) {
  output = file;
  return read_data();
}

_print_status _print_job::run() {
  const auto start = std::chrono::steady_clock::now();
  // The output is checked first, rather than after minutes of stippling.
  if (same_file(input, output))
    return say(output + ": is the input; the print would replace the photograph", print_refused);
  const std::string problem = output_problem(output);
  if (!problem.empty()) return say(output + ": " + problem, print_unwritable);
  for (auto step : {&_print_job::read_input, &_print_job::read_data, &_print_job::compute,
                    &_print_job::write}) {
    // Once cancelled, what is left is not worth doing.
    if (cancelled()) return print_failed;
    const _print_status status = (this->*step)();
    if (status != print_done) return status;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  note("wrote " + output + " in " + decimals(elapsed.count(), "s"));
  return print_done;
}

_print_status _print_job::say(const std::string& message, _print_status status) {
  const bool named = !many || message.find(input) != std::string::npos;
  messages.say(named ? message : input + ": " + message);
  return status;
}

_print_status _print_job::read_input() {
  stage("reading " + input);
  // "Optimal for input" makes three pixels of every input pixel: an input whose output could not
  // be made is refused from its header, before its samples are read.
  const _document_settings& settings = request.settings;
  const bool optimal = settings.output_size == size_optimal;
  const int edge = optimal ? static_cast<int>(document.texture_limit() / OPTIMAL_SCALE) : 0;
  if (!document.read_input(input, edge)) {
    const std::string message = "Cannot read " + input + ": " + document.read_failure();
    if (oversize && optimal)
      return say(message + " (--size optimal triples each edge)", print_refused);
    return say(message, print_unreadable);
  }
  if (!document.read_warning().empty() && !request.quiet)
    say("warning: " + document.read_warning());
  const unsigned W = document.input().width, H = document.input().height;
  const _output_geometry geometry = document.geometry();
  width =
      settings.output_size == size_custom
          ? geometry.typed_width(request.typed_edge, request.typed_height, settings.output_units)
          : geometry.target_width(settings.output_size);
  const std::string problem = geometry.problem(width);
  if (!problem.empty()) return say(problem, print_refused);
  const _preview_size size = preview_size(width, W, H);
  const unsigned k = output_scale(request.resolution);
  note("input " + input + ": " + size_text(W, H) + "; output " +
       size_text(k * size.width, k * size.height) + " at " +
       std::to_string(VECRES[request.resolution]) + " ppi");
  return print_done;
}

_print_status _print_job::read_data() {
  if (data_loaded) return print_done;
  // Tone matching measures what the dots print, so it needs them too.
  const bool stippled = request.image == list_stippling || request.image == list_color_stippling ||
                        request.settings.tone_match.matching != tone_matching_none;
  data_loaded = !stippled && !tone_applied();
  if (data_loaded) return print_done;
  // Looked up only now: images drawn without dots or tones need no data folder.
  const _data_location data = _data_location::find(request.data_dir);
  if (!data.found()) return say(data.report(), print_unreadable);
  note("data from " + data.description());
  const std::string& folder = data.folder();
  if (stippled && !document.load_dots(folder))
    return say("cannot read the dot sheets in " + folder + "/dots", print_unreadable);
  const int tone = request.settings.tone;
  if (tone_applied()) {
    stage("reading the tones");
    if (!document.load_tone(folder, tone))
      return say("cannot read the tone " + tone_path(folder, tone), print_unreadable);
  }
  data_loaded = true;
  return print_done;
}

_print_status _print_job::compute() {
  stage("resampling, borders and halftone");
  if (!document.derive(width))
    return say("the output is too small for the shape of this input", print_refused);
  if (document.enlarged() && !request.quiet)
    say("warning: the input is enlarged to fit this output size and packing factor, which may "
        "lower the quality; a smaller size or a higher-resolution original avoids it");
  if (request.seed)
    document.set_seed(*request.seed);
  else
    document.new_seeds();
  // srandom() sees the seed as an unsigned int: that is the value a seed is given as.
  const uint32_t seed = static_cast<uint32_t>(document.pattern_seed());
  note("seed " + std::to_string(seed) + (request.seed ? "" : " (from the clock)"));
  // A vector print draws its dots from the seeds when it is written, as a raster print does.
  return print_done;
}

_print_status _print_job::write() {
  const std::string text = "writing " + output;
  stage(text);
  const _band_progress shown = [this, &text](unsigned done, unsigned total) {
    if (!many) messages.show(text, done, total);
    return !cancelled();
  };
  if (!svg_print_name(output)) {
    const _print_result result =
        document.write_print(output, request.resolution, request.image, tone_applied(), shown);
    return result.written ? print_done : say(result.error, print_unwritable);
  }
  _svg_options svg = request.svg;
  svg.measure_travel = request.verbose;
  const _svg_result result = document.write_svg(output, svg, shown);
  if (!result.written) return say(result.error, print_unwritable);
  note(std::to_string(result.dots) + " dots in " + std::to_string(result.layers) +
       (result.layers == 1 ? " layer" : " layers"));
  const _pen_travel& travel = result.travel;
  if (request.svg.dots != svg_shapes)
    note("pen-up travel " + decimals(travel.drawn / 1000.0, "m") + " row by row, " +
         decimals(travel.serpentine / 1000.0, "m") + " in strips, " +
         decimals(travel.improved / 1000.0, "m") + " improved");
  return print_done;
}

bool _print_job::tone_applied() const {
  return colour_print_name(output) && !request.colour_image() && request.settings.tone != 0;
}

}  // namespace stippon
