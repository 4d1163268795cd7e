#pragma once

#include <functional>
#include <string>

#include "image/image.h"

namespace stippon {

// How the delivered dot library is made. Every variant is grown once at 1200 ppi and reduced by
// area averaging to 600 and 300 ppi, so the dot seen on screen is the dot that prints.
inline constexpr int DOT_SHEET_VARIANTS = 11;
inline constexpr unsigned DOT_SHEET_SEED = 1789;

// The 1200 ppi sheet of a dot size (4..8): one row of 11 blots of side 4 x size, picked among
// candidates grown from a fixed seed. Samples are whole grey levels. Reseeds random().
_image grow_dot_sheet(unsigned dot_size);

// Means over factor x factor blocks, rounded to whole grey levels.
_image reduce_dot_sheet(const _image& sheet, unsigned factor);

// Writes the fifteen sheets "dots_S_R.pgm" into folder and calls written with each file name.
// "" on success, else why the first file that could not be written failed.
std::string write_dot_sheets(const std::string& folder,
                             const std::function<void(const std::string&)>& written = {});

}  // namespace stippon
