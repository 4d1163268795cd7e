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

void _stipple_document::drop_work(const _document_settings& settings, float width) {
  pending = {};
  current = settings;
  made_width = width;
}

_preview_size _stipple_document::planned_preview() const {
  if (!image_loaded) return {};
  return preview_size(made_width, input_image->width, input_image->height);
}

bool _stipple_document::keep_drawing(unsigned done, unsigned total) const {
  if (control == nullptr) return true;
  if (total > 0)
    control->set_done(static_cast<unsigned>(uint64_t(done) * _work_control::WHOLE / total));
  return !control->cancelled();
}

std::unique_ptr<_stipple_document> _stipple_document::worker_copy(
    const _document_work& work) const {
  auto copy = std::make_unique<_stipple_document>();
  copy->current = current;
  copy->limit = limit;
  copy->image_loaded = image_loaded;
  copy->enlargement = enlargement;
  copy->made_width = made_width;
  copy->dot_sheets = dot_sheets;
  copy->input_image = input_image;
  copy->matcher = matcher;
  // A new grid makes these from the input; otherwise the work reads them.
  if (!work.remakes_grid()) {
    copy->original_image = original_image;
    copy->borders_image = borders_image;
    copy->halftoning_image = halftoning_image;
    copy->color_original = color_original;
  }
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
  if (work.regrids()) {
    derive(work.width());
  } else if (work.retones()) {
    derive(made_width);
  } else if (work.reborders() && image_loaded) {
    find_borders(original_image, current.borders_threshold, borders_image);
  }
  // The colour dots take their ink from the colour field.
  if (work.reinks()) color_original.fill(current.ink);
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
  made_width = done.made_width;
  matcher = std::move(done.matcher);
  original_image = std::move(done.original_image);
  borders_image = std::move(done.borders_image);
  halftoning_image = std::move(done.halftoning_image);
  color_original = std::move(done.color_original);
  if (work.restipples()) {
    stippling_image.dimensions(done.stippling_image.height, done.stippling_image.width);
    stippling_image.samples = std::move(done.stippling_image.samples);
  }
  if (work.restipples() || work.reinks()) color_stippling = std::move(done.color_stippling);
  if (work.regrids() && on_grid) on_grid(enlarged());
}

}  // namespace stippon
