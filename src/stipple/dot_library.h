#pragma once

#include <functional>
#include <memory>
#include <string>

#include "image/image.h"

namespace stippon {

// Sheets are indexed [resolution position][dot size]; sizes 4..8 are loaded.
inline constexpr int DOT_RESOLUTIONS = 3;
inline constexpr int DOT_SLOTS = 20;
inline constexpr int DOT_SIZE_MIN = 4;
inline constexpr int DOT_SIZE_MAX = 8;

// The fifteen dot sheets "<dir>/dots/dots_S_R.pgm" (R = 1200, 600, 300; S = 4..8), owned. The
// stippler takes one resolution row as a table of DOT_SLOTS sheet pointers indexed by dot size;
// the slots of sizes that are not loaded stay null.
class _dot_sheets {
 public:
  _dot_sheets() = default;
  _dot_sheets(const _dot_sheets&) = delete;
  _dot_sheets& operator=(const _dot_sheets&) = delete;

  // Reads the sheets in the order above through the photo reader, none with an edge above
  // max_size. Returns 1 when all fifteen were read, 0 at the first failure (later files are not
  // opened; the failed slot holds an empty sheet). A sheet too large calls on_oversize(max_size)
  // first.
  int load(int max_size, const std::string& dir = ".",
           const std::function<void(int max_size)>& on_oversize = {});

  _image** row(int resolution) { return table[resolution]; }
  _image* const* row(int resolution) const { return table[resolution]; }
  const _image* sheet(int resolution, int size) const { return table[resolution][size]; }

 private:
  std::unique_ptr<_image> owned[DOT_RESOLUTIONS][DOT_SLOTS];
  _image* table[DOT_RESOLUTIONS][DOT_SLOTS] = {};

  void clear();
};

}  // namespace stippon
