#include "document/stipple_document.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "photo/photo_reader.h"
#include "stipple/borders.h"
#include "tones/halftone_grid.h"

namespace stippon {

namespace {

const _pixel PAPER(255, 255, 255, 255);

// A sink that puts the bands of a print into a raster of its size, whose row 0 is the bottom.
template <class T>
auto into_raster(std::vector<T>& cells, unsigned height, unsigned width) {
  return [&cells, height, width](const T* band, unsigned top, unsigned rows) {
    for (unsigned i = 0; i < rows; ++i)
      std::copy_n(band + size_t(i) * width, width,
                  cells.begin() + size_t(height - 1 - top - i) * width);
    return true;
  };
}

unsigned short dot_size(int value) {
  // The stippler indexes the dot sheet row with the size: only loaded sizes may reach it.
  return static_cast<unsigned short>(std::clamp(value, DOT_SIZE_MIN, DOT_SIZE_MAX));
}

}  // namespace

_stipple_document::_stipple_document()
    : dot_sheets(std::make_shared<_dot_sheets>()), input_image(std::make_shared<const _image>()) {}

bool _stipple_document::load_dots(const std::string& dir) {
  return dot_sheets->load(limit, dir, on_oversize_input) == 1;
}

bool _stipple_document::load_tones(const std::string& dir) {
  return stippon::load_tones(tones, dir) == 1;
}

bool _stipple_document::load_tone(const std::string& dir, int index) {
  return index >= 0 && index < TONE_COUNT && stippon::load_tone(tones[index], dir, index);
}

bool _stipple_document::read_input(const std::string& file_name, int max_edge) {
  // Read aside: a failed read must leave every image as it was.
  _image image;
  _photo_reader reader;
  const int edge = max_edge > 0 ? max_edge : limit;
  if (!reader.read(file_name, image, edge)) {
    // The reason alone: the front ends name the file in their own words.
    const std::string prefix = "Cannot read " + file_name + ": ";
    failure =
        reader.error().starts_with(prefix) ? reader.error().substr(prefix.size()) : reader.error();
    if (reader.failure() == _photo_failure::too_large && on_oversize_input) on_oversize_input(edge);
    return false;
  }
  failure.clear();
  input_image = std::make_shared<const _image>(std::move(image));
  return true;
}

bool _stipple_document::read(const std::string& file_name) {
  if (!read_input(file_name)) return false;
  update_images(
      fitted_width(geometry().reading_width(current.output_size, planned_preview().width)));
  return true;
}

_output_geometry _stipple_document::geometry() const {
  return _output_geometry(input_image->width, input_image->height, current.stipple.scale_factor,
                          limit);
}

float _stipple_document::fitted_width(float w) {
  const _output_geometry shape = geometry();
  if (shape.fits_texture(w)) return w;
  if (on_texture_fallback) on_texture_fallback();
  return shape.fallback_width();
}

void _stipple_document::update_images(float w) {
  if (input_image->width == 0 || input_image->height == 0) return;
  current.ink = DEFAULT_INK;
  if (deferring) {
    made_width = w;
    image_loaded = image_loaded || geometry().usable(w);
    pending.add_grid(w);
    return;
  }
  derive(w);
  stipple_preview();
}

bool _stipple_document::derive(float w) {
  made_width = w;
  const float W = static_cast<float>(input_image->width);
  enlargement = (w / current.stipple.scale_factor) / W;
  if (on_grid) on_grid(enlarged());
  // The identity lookup leaves every sample as it is, and it costs no calibration.
  const _tone_lookup lookup =
      matcher.lookup(current.stipple, dot_sheets->row(resolution_300), current.tone_match);
  derive_halftone_grid(*input_image, enlargement, current.borders_threshold, original_image,
                       borders_image, halftoning_image, lookup);
  if (original_image.width == 0 || original_image.height == 0) return false;

  color_original.dimensions(original_image.height, original_image.width);
  color_original.create();
  color_original.fill(current.ink);

  // The preview's samples wait for the stippling: a print written in bands never needs them.
  const _preview_size size = preview_size(w, input_image->width, input_image->height);
  stippling_image.dimensions(size.height, size.width);
  stippling_image.samples = {};
  image_loaded = true;
  return true;
}

_dot_plan _stipple_document::grey_plan(int k, _random_stream& stream) const {
  stream = _random_stream(static_cast<unsigned>(preview_seed));
  return _dot_plan::grey(current.stipple, halftoning_image, k, stream);
}

// The colour draws continue the random sequence where the grey ones of the same seeds end.
_dot_plan _stipple_document::colour_plan(int k) const {
  _random_stream stream;
  grey_plan(k, stream);
  return _dot_plan::colour(current.stipple, halftoning_image, borders_image, color_original, k,
                           stream);
}

// Drawn from a generator of its own, never the process's, so that a run may leave the GUI thread.
void _stipple_document::stipple_preview() {
  stippling_image.create(true);
  stamp_grey(stippling_image, resolution_300);
  if (current.colour_stippling) stipple_colour();
}

void _stipple_document::stamp_grey(_image& target, int row) const {
  _random_stream stream;
  const _dot_plan plan = grey_plan(output_scale(row), stream);
  _banded_print print(plan, dot_sheets->row(row), target.height, target.width, current.stipple);
  print.set_progress([this](unsigned done, unsigned total) { return keep_drawing(done, total); });
  print.print_grey(into_raster(target.samples, target.height, target.width));
}

// The colour-stippled picture always has the preview's size, also when it is switched on after
// the preview was made.
void _stipple_document::size_colour_stippling() {
  if (color_stippling.width != stippling_image.width ||
      color_stippling.height != stippling_image.height) {
    color_stippling.dimensions(stippling_image.height, stippling_image.width);
    color_stippling.create();
  }
  color_stippling.fill(PAPER);
}

void _stipple_document::stipple_colour() {
  size_colour_stippling();
  const _dot_plan plan = colour_plan(1);
  _banded_print print(plan, dot_sheets->row(resolution_300), color_stippling.height,
                      color_stippling.width, current.stipple);
  print.set_progress(
      [this](unsigned, unsigned) { return control == nullptr || !control->cancelled(); });
  print.print_colour(
      into_raster(color_stippling.texels, color_stippling.height, color_stippling.width), PAPER);
}

void _stipple_document::refresh() {
  if (!image_loaded) return;
  // A matched tone depends on the dots: the halftone is made again for the new ones.
  const bool retone = current.tone_match.matching != tone_matching_none;
  if (deferring) {
    if (retone) pending.add_tones();
    pending.add_stipple();
    return;
  }
  if (retone) derive(made_width);
  stipple_preview();
}

void _stipple_document::set_size(_output_size size) {
  current.output_size = size;
  const _output_geometry shape = geometry();
  const float w = shape.target_width(size);
  // "Custom" keeps the current output until a width or a height is typed.
  if (shape.usable(w)) set_size_output(w);
}

void _stipple_document::set_size_output(float w) {
  if (!image_loaded) return;
  update_images(fitted_width(w));
}

void _stipple_document::set_width(float value) {
  set_typed_edge(value, false);
}

void _stipple_document::set_height(float value) {
  set_typed_edge(value, true);
}

void _stipple_document::set_typed_edge(float value, bool is_height) {
  const _output_geometry shape = geometry();
  const float w = shape.typed_width(value, is_height, current.output_units);
  if (image_loaded && shape.usable(w)) set_size_output(w);
}

bool _stipple_document::set_scale_factor(float value) {
  if (!std::isfinite(value) || value <= 0.0f) return false;
  current.stipple.scale_factor = value;
  // The print keeps its size: only the cells within it change.
  if (image_loaded) update_images(made_width);
  return true;
}

void _stipple_document::set_save_resolution(_resolution_position position) {
  if (position < resolution_1200 || position > resolution_300) return;
  current.save_resolution[current.device] = position;
}

void _stipple_document::set_displacement(float value) {
  current.stipple.displacement = value;
  refresh();
}

void _stipple_document::set_merging_function(_merging_function merging) {
  current.stipple.merging_function = merging;
  refresh();
}

void _stipple_document::set_random_distribution(_random_distribution distribution) {
  current.stipple.random_distribution = distribution;
  refresh();
}

void _stipple_document::set_device(_mode_device device) {
  if (device < device_grayscale || device > device_color_tones) return;
  current.device = device;
  set_black_white(device == device_black_white);
  if (device == device_grayscale) current.tone = 0;
}

void _stipple_document::set_black_white(bool on) {
  current.stipple.black_white = on;
  refresh();
}

void _stipple_document::set_black_level(int level) {
  current.stipple.black_level = level;
  refresh();
}

bool _stipple_document::set_tone(int tone) {
  if (tone < 0 || tone >= TONE_COUNT) return false;
  current.tone = tone;
  return true;
}

void _stipple_document::set_contrast_threshold(int threshold) {
  current.stipple.contrast_threshold = threshold;
  refresh();
}

unsigned short _stipple_document::set_dot_size(_dot_size_field field, int value) {
  // The other end of the pair: min and max of one zone are neighbours in the enumeration.
  const bool is_min = field == dot_low_density_min || field == dot_high_density_min;
  const auto other = static_cast<_dot_size_field>(is_min ? field + 1 : field - 1);
  const unsigned short other_end = current.dot_size(other);
  const bool crosses = is_min ? other_end < value : other_end > value;
  current.dot_size(field) = crosses ? other_end : dot_size(value);
  refresh();
  return current.dot_size(field);
}

void _stipple_document::set_borders_slider(int value) {
  current.stipple.borders_slider_value = value;
  current.borders_threshold = value / BORDERS_SLIDER_STEPS;
  if (image_loaded) {
    if (deferring) {
      pending.add_borders();
    } else {
      find_borders(original_image, current.borders_threshold, borders_image);
    }
  }
  refresh();
}

void _stipple_document::set_colour_stippling(bool on) {
  current.colour_stippling = on;
  // A deferred run draws it in any case: its stippling is owed.
  if (on && image_loaded && !deferring) size_colour_stippling();
  refresh();
}

void _stipple_document::set_tone_match(const _tone_settings& tone_match) {
  current.tone_match = tone_match;
  if (!image_loaded) return;
  if (deferring) {
    pending.add_tones();
    return;
  }
  derive(made_width);
  stipple_preview();
}

void _stipple_document::set_ink(_pixel ink) {
  current.ink = ink;
  if (deferring) {
    if (image_loaded) pending.add_ink();
    return;
  }
  color_original.fill(ink);
  // Only a colour-stippled picture that exists is redrawn in the new ink.
  if (image_loaded && (current.colour_stippling || color_stippling.width > 0)) stipple_colour();
}

void _stipple_document::new_seeds() {
  preview_seed = time(nullptr);
}

void _stipple_document::set_seed(uint32_t seed) {
  preview_seed = seed;
}

int64_t _stipple_document::pattern_seed() const {
  return preview_seed;
}

void _stipple_document::reset_general() {
  const _document_settings defaults;
  current.output_units = defaults.output_units;
  current.output_size = defaults.output_size;
  current.stipple.scale_factor = defaults.stipple.scale_factor;
  current.stipple.displacement = defaults.stipple.displacement;
  current.stipple.merging_function = defaults.stipple.merging_function;
  current.stipple.random_distribution = defaults.stipple.random_distribution;
  current.stipple.black_white = defaults.stipple.black_white;
  current.stipple.black_level = defaults.stipple.black_level;
  current.tone = defaults.tone;
  current.tone_match = defaults.tone_match;
  current.device = defaults.device;
  std::copy(std::begin(defaults.save_resolution), std::end(defaults.save_resolution),
            std::begin(current.save_resolution));
}

const _image* _stipple_document::list_image(int position) const {
  switch (position) {
    case list_original:
      return &original_image;
    case list_borders:
      return &borders_image;
    case list_halftoning:
      return &halftoning_image;
    case list_stippling:
      return &stippling_image;
    default:
      return nullptr;
  }
}

const _texture* _stipple_document::list_texture(int position) const {
  if (position == list_color_original) return &color_original;
  if (position == list_color_stippling) return &color_stippling;
  return nullptr;
}

_texture _stipple_document::picture(const _image& image, bool toned) const {
  _texture shown;
  shown = image;
  const _texture& ramp = tones[current.tone];
  // A tone whose file was missing has no ramp to look colours up in.
  if (toned && ramp.width > 0 && ramp.height > 0) shown.tone(ramp);
  return shown;
}

}  // namespace stippon
