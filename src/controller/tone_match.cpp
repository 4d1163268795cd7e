// Levels, gamma and tone matching handed to the document, then the picture on screen redrawn.
#include "controller/gl_widget.h"

namespace stippon {

void _gl_widget::set_tone_match(const _tone_settings& tones) {
  edit([&tones](_document_settings& s) { s.tone_match = tones; });
}

}  // namespace stippon
