// Levels, gamma and tone matching handed to the document, then the picture on screen redrawn.
#include "controller/gl_widget.h"
#include "ui/busy_cursor.h"

namespace stippon {

void _gl_widget::set_tone_match(const _tone_settings& tones) {
  {
    _busy_cursor busy;
    doc.set_tone_match(tones);
  }
  refresh_image();
}

}  // namespace stippon
