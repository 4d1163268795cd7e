// The output geometry of the controller: the panel's size, units and typed dimensions handed to
// the document, and the dimensions it shows.
#include "controller/gl_widget.h"
#include "ui/general_tab.h"

namespace stippon {

void _gl_widget::set_size(_output_size size) {
  edit([size](_document_settings& s) { s.output_size = size; });
  update_dimensions();
}

void _gl_widget::set_units(_output_units units) {
  edit([units](_document_settings& s) { s.output_units = units; });
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
  set_typed_edge(value, false);
}

void _gl_widget::set_height(float value) {
  set_typed_edge(value, true);
}

void _gl_widget::set_typed_edge(float value, bool is_height) {
  const float w = doc.geometry().typed_width(value, is_height, doc.settings().output_units);
  if (doc.loaded()) edit([w](_document_settings& s) { s.width = w; });
  update_dimensions();
}

void _gl_widget::set_scale_factor(float value) {
  edit([value](_document_settings& s) { s.stipple.scale_factor = value; });
}

void _gl_widget::set_save_resolution(_resolution_position p) {
  if (p < resolution_1200 || p > resolution_300) return;
  edit([p](_document_settings& s) { s.save_resolution[s.device] = p; });
}

}  // namespace stippon
