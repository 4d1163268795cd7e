// The one path by which a whole settings value is restored: undo and redo, the Images panel's
// Reset, and the choices kept from the last run.
#include "controller/gl_widget.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"

namespace stippon {

void _gl_widget::apply_settings(const _document_settings& target) {
  doc.apply(target);
  if (general != nullptr) general->show_settings(doc.settings());
  if (images != nullptr) images->show_settings(doc.settings());
  if (!doc.loaded()) return;
  refresh_image();
  update_dimensions();
}

// The Images panel's own controls back to their defaults, as one change.
void _gl_widget::reset_images_parameters() {
  const _document_settings defaults;
  _document_settings target = doc.settings();
  _stipple_settings& stipple = target.stipple;
  stipple.low_density_min = defaults.stipple.low_density_min;
  stipple.low_density_max = defaults.stipple.low_density_max;
  stipple.high_density_min = defaults.stipple.high_density_min;
  stipple.high_density_max = defaults.stipple.high_density_max;
  stipple.contrast_threshold = defaults.stipple.contrast_threshold;
  target.borders_threshold = defaults.borders_threshold;
  target.colour_stippling = defaults.colour_stippling;
  target.ink = defaults.ink;
  apply_settings(target);
}

}  // namespace stippon
