// Levels, gamma and tone matching handed to the document, then the picture on screen redrawn.
#include "controller/gl_widget.h"

namespace stippon {

void _gl_widget::set_tone_match(const _tone_settings& tones) {
  doc.set_tone_match(tones);
  refresh_image();
}

}  // namespace stippon
