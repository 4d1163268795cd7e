// The one path by which a whole settings value is restored: undo and redo, the Images panel's
// Reset, and the choices kept from the last run.
#include "controller/gl_widget.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"

namespace stippon {

void _gl_widget::apply_settings(const _document_settings& target, float width) {
  const _document_settings before = doc.settings();
  const bool loaded = doc.loaded();
  const bool regrid = loaded && ((width > 0.0f && width != doc.output_width()) ||
                                 target.stipple.scale_factor != before.stipple.scale_factor);
  const bool new_tones = !(target.tone_match == before.tone_match);
  const bool new_borders = target.borders_threshold != before.borders_threshold;
  const bool restipple =
      !(target.stipple == before.stipple) || target.colour_stippling != before.colour_stippling;
  doc.set_settings(target);
  if (loaded) {
    if (regrid) {
      doc.update_images(width > 0.0f ? width : doc.output_width());
    } else if (new_tones) {
      // The halftone is made again, borders and stippling with it.
      doc.set_tone_match(target.tone_match);
    } else if (new_borders) {
      doc.set_borders_slider(target.stipple.borders_slider_value);
    } else if (restipple) {
      doc.refresh();
    }
    // A new grid starts in the default ink; the colour field follows the ink in any case.
    const _pixel ink_now = regrid ? DEFAULT_INK : before.ink;
    if (!(target.ink == ink_now)) doc.set_ink(target.ink);
  }
  if (general != nullptr) general->show_settings(doc.settings());
  if (images != nullptr) images->show_settings(doc.settings());
  if (!loaded) return;
  refresh_image();
  update_dimensions();
}

// The Images panel's own controls back to their defaults, as one change.
void _gl_widget::reset_images_parameters() {
  _document_settings defaults;
  _document_settings target = doc.settings();
  for (const _dot_size_field field :
       {dot_low_density_min, dot_low_density_max, dot_high_density_min, dot_high_density_max})
    target.dot_size(field) = defaults.dot_size(field);
  target.stipple.contrast_threshold = defaults.stipple.contrast_threshold;
  target.stipple.borders_slider_value = defaults.stipple.borders_slider_value;
  target.borders_threshold = defaults.borders_threshold;
  target.colour_stippling = defaults.colour_stippling;
  target.ink = defaults.ink;
  apply_settings(target, doc.output_width());
}

}  // namespace stippon
