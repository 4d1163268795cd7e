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

// The tone's label in lower case with '_' for blanks, as the command line names it:
// "Platinum Palladium" is "platinum_palladium".
std::string tone_name(int index);

// The file of tone `index` in the data folder dir; from the working directory (".") the table's
// name as it stands, so that messages show it so.
std::string tone_path(const std::string& dir, int index);

// Reads the fifteen tone images from dir into tones. Returns 0 when tone 0 cannot be read (the
// others are then not read), 1 otherwise; a failing other tone only prints the reader's message.
int load_tones(_texture (&tones)[TONE_COUNT], const std::string& dir = ".");

// Reads tone `index` alone, strictly: false unless it reads as a ramp at least 256 x 1.
bool load_tone(_texture& tone, const std::string& dir, int index);

}  // namespace stippon
