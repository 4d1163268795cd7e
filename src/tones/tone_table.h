#pragma once

#include <string>

#include "image/texture.h"

namespace stippon {

inline constexpr int TONE_COUNT = 15;

struct _tone_entry {
  const char* label;  // as shown in the panel
  const char* file;   // relative to the data folder, e.g. "./tones/grayscale_01.png"
};

extern const _tone_entry TONES[TONE_COUNT];

// Reads the fifteen tone images from dir into tones. Returns 0 when tone 0 cannot be read (the
// others are then not read), 1 otherwise; a failing other tone only prints the reader's message.
int load_tones(_texture (&tones)[TONE_COUNT], const std::string& dir = ".");

}  // namespace stippon
