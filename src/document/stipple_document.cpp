#include "document/stipple_document.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "image/q_image.h"
#include "photo/photo_reader.h"
#include "stipple/borders.h"
#include "stipple/dot_inks.h"
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

}  // namespace

_stipple_document::_stipple_document() : _stipple_document(std::make_shared<_thread_pool>()) {}

_stipple_document::_stipple_document(std::shared_ptr<_thread_pool> threads)
    : pool(std::move(threads)),
      dot_sheets(std::make_shared<_dot_sheets>()),
      input_image(std::make_shared<const _image>()),
      input_colour(std::make_shared<const _rgb_image>()) {}

void _stipple_document::set_threads(unsigned threads) {
  pool = std::make_shared<_thread_pool>(threads);
}

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
  _rgb_image colour;
  _photo_reader reader;
  const int edge = max_edge > 0 ? max_edge : limit;
  if (!reader.read(file_name, image, colour, edge)) {
    // The reason alone: the front ends name the file in their own words.
    const std::string prefix = "Cannot read " + file_name + ": ";
    failure =
        reader.error().starts_with(prefix) ? reader.error().substr(prefix.size()) : reader.error();
    if (reader.failure() == _photo_failure::too_large && on_oversize_input) on_oversize_input(edge);
    return false;
  }
  failure.clear();
  warning = reader.warning();
  input_image = std::make_shared<const _image>(std::move(image));
  input_colour =
      std::make_shared<const _rgb_image>(keeps_colour ? std::move(colour) : _rgb_image());
  return true;
}

bool _stipple_document::read(const std::string& file_name) {
  if (!read_input(file_name)) return false;
  const _output_geometry shape = geometry();
  // "Custom" keeps the print's width: the picture's before, or one kept from an earlier run.
  update_images(fitted_width(shape.reading_width(current.output_size, current.width), shape));
  return true;
}

_output_geometry _stipple_document::geometry() const {
  return _output_geometry(input_image->width, input_image->height, current.stipple.scale_factor,
                          limit);
}

float _stipple_document::fitted_width(float w, const _output_geometry& shape) {
  if (shape.fits_texture(w)) return w;
  if (on_texture_fallback) on_texture_fallback();
  return shape.fallback_width();
}

void _stipple_document::update_images(float w) {
  if (input_image->width == 0 || input_image->height == 0) return;
  if (deferring) {
    current.width = w;
    image_loaded = image_loaded || geometry().usable(w);
    pending.add_grid(w);
    return;
  }
  derive(w);
  stipple_preview();
}

bool _stipple_document::derive(float w) {
  current.width = w;
  const float W = static_cast<float>(input_image->width);
  enlargement = (w / current.stipple.scale_factor) / W;
  // The identity lookup leaves every sample as it is, and it costs no calibration.
  const _tone_lookup lookup =
      matcher.lookup(current.stipple, dot_sheets->row(resolution_300), current.tone_match);
  derive_halftone_grid(
      *input_image, enlargement, current.borders_threshold, grid.original_image, grid.borders_image,
      grid.halftoning_image, lookup,
      [this](_grid_step step) {
        const _work_progress::_stage stages[] = {_work_progress::resample, _work_progress::borders,
                                                 _work_progress::halftone};
        keep_drawing(stages[step], 1, 1);
      },
      pool.get());
  grid.relaxed_dots.reset();
  if (grid.original_image.width == 0 || grid.original_image.height == 0) return false;

  fill_colour_field();

  // The preview's samples wait for the stippling: a print written in bands never needs them.
  const _preview_size size = preview_size(w, input_image->width, input_image->height);
  stippling_image.dimensions(size.height, size.width);
  stippling_image.samples = {};
  image_loaded = true;
  if (current.inks == inks_cmyk) derive_inks();
  return true;
}

_relaxed_draws _stipple_document::size_draws() const {
  return _relaxed_draws::of(current.stipple, pattern_seed());
}

// A cancelled run keeps no places: the rounds it stopped would be missing.
bool _stipple_document::relax_dots() {
  if (current.stipple.placement != placement_relaxed) return true;
  const _relaxed_draws draws = size_draws();
  if (grid.relaxed_dots && grid.relaxed_for == draws) return true;
  const auto rounds = [this](unsigned done, unsigned total) {
    return keep_drawing(_work_progress::relax, done, total);
  };
  grid.relaxed_dots =
      _relaxed_dots::of(current.stipple, grid.halftoning_image, grid.original_image,
                        _random_stream(static_cast<unsigned>(preview_seed)), pool.get(), rounds);
  grid.relaxed_for = draws;
  if (control == nullptr || !control->cancelled()) return true;
  grid.relaxed_dots.reset();
  return false;
}

// Every plan of relaxed placement reads the same places; one asked for before they were made
// makes its own.
_dot_plan _stipple_document::grey_plan(int k, _random_stream& stream) const {
  stream = _random_stream(static_cast<unsigned>(preview_seed));
  if (current.stipple.placement != placement_relaxed)
    return _dot_plan::grey(current.stipple, grid.halftoning_image, k, stream);
  if (grid.relaxed_dots && grid.relaxed_for == size_draws())
    return _dot_plan::grey(current.stipple, grid.halftoning_image, k, stream, &*grid.relaxed_dots);
  const _relaxed_dots places = _relaxed_dots::of(current.stipple, grid.halftoning_image,
                                                 grid.original_image, stream, pool.get());
  return _dot_plan::grey(current.stipple, grid.halftoning_image, k, stream, &places);
}

void _stipple_document::fill_colour_field() {
  if (current.colour_source == colour_photo) {
    if (input_colour->empty())
      grid.color_original = grid.original_image;
    else
      resample(*input_colour, grid.original_image.width, grid.original_image.height,
               grid.color_original);
    dot_inks(grid.original_image, grid.color_original);
  } else {
    grid.color_original.dimensions(grid.original_image.height, grid.original_image.width);
    grid.color_original.create();
    grid.color_original.fill(current.ink);
  }
}

// The colour draws continue the random sequence where the grey ones of the same seeds end.
_dot_plan _stipple_document::colour_plan(int k) const {
  _random_stream stream;
  grey_plan(k, stream);
  return _dot_plan::colour(current.stipple, grid.halftoning_image, grid.borders_image,
                           grid.color_original, k, stream);
}

// Drawn from a generator of its own, never the process's, so that a run may leave the GUI thread.
void _stipple_document::stipple_preview() {
  if (!relax_dots()) return;
  stippling_image.create(true);
  stamp_grey(stippling_image, resolution_300);
  if (current.colour_stippling) stipple_colour();
  if (cmyk_print()) stipple_inks();
}

void _stipple_document::stamp_grey(_image& target, int row) const {
  _random_stream stream;
  const _dot_plan plan = grey_plan(output_scale(row), stream);
  _banded_print print(plan, dot_sheets->row(row), target.height, target.width, current.stipple);
  print.set_progress([this](unsigned done, unsigned total) {
    return keep_drawing(_work_progress::stipple, done, total);
  });
  print.set_pool(pool.get());
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
  print.set_progress([this](unsigned done, unsigned total) {
    return keep_drawing(_work_progress::colour, done, total);
  });
  print.set_pool(pool.get());
  print.print_colour(
      into_raster(color_stippling.texels, color_stippling.height, color_stippling.width), PAPER);
}

void _stipple_document::apply(const _document_settings& settings) {
  _document_settings target = settings.normalised();
  if (!image_loaded) {
    current = target;
    return;
  }
  const _document_work work = work_for(target);
  current = target;
  if (deferring) {
    pending.add(work);
    return;
  }
  _work_control unstoppable;
  run_work(work, unstoppable);
}

_document_work _stipple_document::work_for(_document_settings& target) {
  const float w = new_width(target);
  const bool regrid = w > 0.0f || target.stipple.scale_factor != current.stipple.scale_factor;
  target.width = w > 0.0f ? w : current.width;
  const bool restipple = !(target.stipple == current.stipple) ||
                         target.colour_stippling != current.colour_stippling ||
                         target.inks != current.inks;
  // A matched tone depends on the dots: the halftone is made again for new ones. The inks of a
  // CMYK print are always matched to their separation.
  const bool matched = target.tone_match.matching != tone_matching_none || target.inks == inks_cmyk;
  _document_work work;
  // The print keeps its size when only the packing changes: the cells within it change.
  // The inks' grids are made with the grid.
  if (regrid || target.inks != current.inks) work.add_grid(target.width);
  if (!(target.tone_match == current.tone_match) || (matched && restipple)) work.add_tones();
  if (target.borders_threshold != current.borders_threshold) work.add_borders();
  if (restipple) work.add_stipple();
  if (!(target.ink == current.ink)) work.add_ink();
  if (target.colour_source != current.colour_source) work.add_ink();
  return work;
}

// A typed or restored width wins over the size it comes with; "Custom" keeps the current width
// until one is typed.
float _stipple_document::new_width(const _document_settings& target) {
  const _output_geometry shape(input_image->width, input_image->height, target.stipple.scale_factor,
                               limit);
  float w = 0.0f;
  if (target.width > 0.0f && target.width != current.width)
    w = target.width;
  else if (target.output_size != current.output_size)
    w = shape.target_width(target.output_size);
  return shape.usable(w) ? fitted_width(w, shape) : 0.0f;
}

void _stipple_document::restipple() {
  if (!image_loaded) return;
  if (deferring) {
    pending.add_stipple();
  } else if (!stippling_image.samples.empty()) {
    stipple_preview();
  }
}

void _stipple_document::new_seeds() {
  preview_seed = time(nullptr);
  restipple();
}

void _stipple_document::set_seed(uint32_t seed) {
  preview_seed = seed;
  restipple();
}

int64_t _stipple_document::pattern_seed() const {
  return preview_seed;
}

const _image* _stipple_document::list_image(int position) const {
  switch (position) {
    case list_original:
      return &grid.original_image;
    case list_borders:
      return &grid.borders_image;
    case list_halftoning:
      return &grid.halftoning_image;
    case list_stippling:
      return &stippling_image;
    default:
      return nullptr;
  }
}

const _texture* _stipple_document::list_texture(int position) const {
  if (position == list_color_original) return &grid.color_original;
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
