#pragma once

#include <string>

#include "image/file_pgm.h"
#include "image/image.h"

namespace stippon {

// Sheets are indexed [resolution position][dot size]; sizes 4..8 are loaded.
inline constexpr int DOT_RESOLUTIONS = 3;
inline constexpr int DOT_SLOTS = 20;
inline constexpr int DOT_SIZE_MIN = 4;
inline constexpr int DOT_SIZE_MAX = 8;

// Loads "<dir>/dots/dots_S_R.pgm" for R = 1200, 600, 300 and S = 4..8 in that order, allocating
// each sheet into its slot before reading it (the sheets live until the process ends). Returns 1
// when all fifteen were read, 0 at the first failure (later files are not opened).
int load_dot_sheets(_image* sheets[DOT_RESOLUTIONS][DOT_SLOTS], int max_size,
                    const std::string& dir = ".", _file_pgm reader = {});

}  // namespace stippon
