#include "batch/batch.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "document/data_location.h"
#include "image/atomic_file.h"
#include "image/file_pgm.h"
#include "image/file_png.h"

namespace stippon {

namespace {

// Holds off interruption while the output is written, so that its temporary file is always
// renamed or removed; a pending signal takes effect when the hold ends.
class _signals_held {
 public:
  _signals_held() {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    sigprocmask(SIG_BLOCK, &held, &previous);
  }
  ~_signals_held() { sigprocmask(SIG_SETMASK, &previous, nullptr); }
  _signals_held(const _signals_held&) = delete;
  _signals_held& operator=(const _signals_held&) = delete;

 private:
  sigset_t previous;
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
  document.on_oversize_input = [this](int) { oversize = true; };
}

_exit_status _batch_run::run() {
  const auto start = std::chrono::steady_clock::now();
  float w = 0.0f;
  _exit_status status = read_input();
  if (status == exit_success) status = prepare(w);
  if (status == exit_success) status = load_data();
  if (status == exit_success) status = check_output();
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
  const _image& input = document.input();
  if (!document.read_input(options.input) || input.width == 0 || input.height == 0) {
    if (oversize)
      return fail(exit_unreadable, options.input + " has an edge above " +
                                       std::to_string(document.texture_limit()) + " pixels");
    return fail(exit_unreadable, "cannot read the PGM image " + options.input);
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
  const bool stippled = options.image == list_stippling || options.image == list_color_stippling;
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

_exit_status _batch_run::check_output() {
  // Found out now rather than after minutes of stippling.
  std::error_code error;
  if (std::filesystem::is_directory(options.output, error))
    return fail(exit_unwritable, options.output + " is a folder");
  _atomic_file probe(options.output);
  if (probe.stream() == nullptr) return fail(exit_unwritable, "cannot write " + options.output);
  probe.discard();
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
  // A vector print draws its dots from the seeds when it is written: no raster is stippled.
  if (options.svg_output()) return exit_success;

  if (options.image == list_stippling && options.resolution != resolution_300) {
    // The preview's own dots are not needed: its seeds alone fix the pattern.
    progress.stage("stippling at " + std::to_string(VECRES[options.resolution]) + " ppi");
    document.print(options.resolution);
  } else if (options.image == list_stippling || options.image == list_color_stippling) {
    progress.stage("stippling");
    document.stipple_preview();
  }
  return exit_success;
}

_exit_status _batch_run::write() {
  _signals_held held;
  if (options.svg_output()) return write_svg();
  bool written = false;
  if (options.png_output()) {
    _texture picture = result_texture();
    written = write_png(picture);
  } else {
    written = write_pgm(result_image());
  }
  if (!written) return fail(exit_unwritable, "cannot write " + options.output);
  return exit_success;
}

bool _batch_run::tone_applied() const {
  return options.png_output() && !options.colour_image() && options.settings.tone != 0;
}

const _image& _batch_run::result_image() {
  if (const _image* print = document.current_print()) return *print;
  return *document.list_image(options.image);
}

_texture _batch_run::result_texture() {
  if (const _texture* picture = document.list_texture(options.image)) return *picture;
  // The picture the desktop program shows: the grey image, through the tone if one is chosen.
  _texture picture = document.picture(result_image(), tone_applied());
  document.release_print();  // at 1200 ppi the float raster is the largest thing held
  return picture;
}

bool _batch_run::write_pgm(const _image& image) {
  const std::string text = "writing " + options.output;
  progress.stage(text);
  _file_pgm writer;
  writer.on_progress = [this, &text](unsigned done, unsigned total) {
    progress.fraction(text, done, total);
    // The writer reports its success on standard output: give it a clean line.
    if (done == total) progress.clear();
    return true;
  };
  return writer.write(options.output, image) == 1;
}

bool _batch_run::write_png(const _texture& picture) {
  progress.stage("writing " + options.output);
  _file_png writer;
  return writer.write(options.output, picture, static_cast<unsigned>(VECRES[options.resolution])) ==
         1;
}

_exit_status _batch_run::write_svg() {
  const std::string text = "writing " + options.output;
  progress.stage(text);
  const _svg_result result =
      document.write_svg(options.output, options.svg, [this, &text](unsigned done, unsigned total) {
        progress.fraction(text, done, total);
        return true;
      });
  if (!result.written) return fail(exit_unwritable, result.error);
  note(std::to_string(result.dots) + " dots in " + std::to_string(result.layers) +
       (result.layers == 1 ? " layer" : " layers"));
  if (options.svg.dots != svg_shapes) {
    const _pen_travel& travel = result.travel;
    note("pen-up travel " + metres(travel.drawn) + " row by row, " + metres(travel.nearest) +
         " nearest first, " + metres(travel.improved) + " improved" +
         (travel.settled ? "" : " (improvement stopped by its time budget)"));
  }
  return exit_success;
}

}  // namespace stippon
