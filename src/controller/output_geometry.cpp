// The output geometry of the controller: the panel's size, units and typed dimensions handed to
// the document, and the dimensions it shows.
#include "controller/gl_widget.h"
#include "ui/general_tab.h"

namespace stippon {

void _gl_widget::set_size(_output_size size) {
  resize_output([this, size] { doc.set_size(size); });
}

void _gl_widget::set_units(_output_units units) {
  doc.set_units(units);
  update_dimensions();
}

void _gl_widget::update_dimensions() {
  if (general == nullptr) return;
  // The size asked for, also while the picture is still being made.
  const _preview_size preview = doc.planned_preview();
  const _output_units units = doc.settings().output_units;
  general->set_width(from_pixels(preview.width, units));
  general->set_height(from_pixels(preview.height, units));
}

// A text that is not a number, or a size below one halftone cell, changes nothing; the panel
// shows the current dimensions again.
void _gl_widget::set_width(float value) {
  resize_output([this, value] { doc.set_width(value); });
}

void _gl_widget::set_height(float value) {
  resize_output([this, value] { doc.set_height(value); });
}

void _gl_widget::resize_output(const std::function<void()>& change) {
  change();
  refresh_image();
  update_dimensions();
}

void _gl_widget::set_scale_factor(float value) {
  if (!doc.set_scale_factor(value)) return;
  refresh_image();
}

void _gl_widget::set_save_resolution(_resolution_position p) {
  doc.set_save_resolution(p);
}

}  // namespace stippon
