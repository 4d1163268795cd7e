// The document's deferred work: changes recorded while the window is responsive, run once on a
// copy on another thread, and the images taken back.
#include <algorithm>
#include <cstdint>

#include "document/stipple_document.h"
#include "stipple/borders.h"

namespace stippon {

_document_work _stipple_document::take_work() {
  const _document_work work = pending;
  pending = {};
  return work;
}

void _stipple_document::put_back_work(const _document_work& work) {
  _document_work owed = work;
  owed.add(pending);
  pending = owed;
}

void _stipple_document::drop_work(const _document_settings& settings) {
  pending = {};
  current = settings;
}

_preview_size _stipple_document::planned_preview() const {
  if (!image_loaded) return {};
  return preview_size(current.width, input_image->width, input_image->height);
}

bool _stipple_document::keep_drawing(_work_progress::_stage stage, unsigned done,
                                     unsigned total) const {
  if (control == nullptr) return true;
  control->set_done(progress.at(stage, done, total));
  return !control->cancelled();
}

_work_sizes _stipple_document::work_sizes(const _document_work& work) const {
  _work_sizes sizes;
  if (!input_image) return sizes;
  const float w = work.regrids() ? work.width() : current.width;
  const _preview_size print = preview_size(w, input_image->width, input_image->height);
  const double scale = current.stipple.scale_factor;
  sizes.input_pixels = double(input_image->width) * input_image->height;
  sizes.print_pixels = double(print.width) * print.height;
  sizes.cells = sizes.print_pixels / (scale * scale);
  // Places kept from an earlier run cost nothing: only new ones are counted.
  const bool relaxed = current.stipple.placement == placement_relaxed;
  sizes.relaxes =
      relaxed && (work.remakes_grid() || !grid.relaxed_dots || grid.relaxed_for != size_draws());
  sizes.relaxes_inks =
      relaxed && current.inks == inks_cmyk &&
      (work.remakes_grid() || !grid.cmyk.has_places(current.stipple, preview_seed));
  sizes.colour = current.colour_stippling || (!work.restipples() && color_stippling.width > 0);
  return sizes;
}

std::unique_ptr<_stipple_document> _stipple_document::worker_copy(
    const _document_work& work) const {
  std::unique_ptr<_stipple_document> copy(new _stipple_document(pool));
  copy->current = current;
  copy->limit = limit;
  copy->image_loaded = image_loaded;
  copy->enlargement = enlargement;
  copy->dot_sheets = dot_sheets;
  copy->input_image = input_image;
  copy->input_colour = input_colour;
  copy->separation = separation;
  copy->matcher = matcher;
  // A new grid makes these from the input; otherwise the work reads them.
  if (!work.remakes_grid()) copy->grid = grid;
  // The preview's seed and size, without the samples the work draws again or leaves alone.
  copy->preview_seed = preview_seed;
  copy->stippling_image.dimensions(stippling_image.height, stippling_image.width);
  // Only whether the colour-stippled picture exists, and its size, matter to a redraw.
  if (color_stippling.width > 0) {
    copy->color_stippling.dimensions(color_stippling.height, color_stippling.width);
    copy->color_stippling.create();
  }
  return copy;
}

bool _stipple_document::run_work(const _document_work& work, _work_control& run_control) {
  control = &run_control;
  progress = _work_progress(work, work_sizes(work));
  if (work.regrids()) {
    derive(work.width());
  } else if (work.retones()) {
    derive(current.width);
  } else if (work.reborders() && image_loaded) {
    find_borders(grid.original_image, current.borders_threshold, grid.borders_image);
    keep_drawing(_work_progress::borders, 1, 1);
  }
  // The colour dots take their ink from the colour field.
  if (work.reinks() && image_loaded) fill_colour_field();
  if (work.restipples() && image_loaded && !run_control.cancelled()) stipple_preview();
  // Dots drawn just now are in the current ink already.
  const bool inked = work.restipples() && current.colour_stippling;
  const bool colour_exists = current.colour_stippling || color_stippling.width > 0;
  if (work.reinks() && !inked && image_loaded && colour_exists && !run_control.cancelled())
    stipple_colour();
  control = nullptr;
  return !run_control.cancelled();
}

void _stipple_document::adopt_work(_stipple_document&& done, const _document_work& work) {
  image_loaded = done.image_loaded;
  enlargement = done.enlargement;
  matcher = std::move(done.matcher);
  grid = std::move(done.grid);
  separation = done.separation;
  if (work.restipples()) {
    stippling_image.dimensions(done.stippling_image.height, done.stippling_image.width);
    stippling_image.samples = std::move(done.stippling_image.samples);
  }
  if (work.restipples() || work.reinks()) color_stippling = std::move(done.color_stippling);
}

}  // namespace stippon
