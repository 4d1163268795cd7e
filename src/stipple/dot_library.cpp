#include "stipple/dot_library.h"

#include "photo/photo_reader.h"
#include "stipple/output.h"

namespace stippon {

void _dot_sheets::clear() {
  for (int r = 0; r < DOT_RESOLUTIONS; ++r)
    for (int s = 0; s < DOT_SLOTS; ++s) {
      owned[r][s].reset();
      table[r][s] = nullptr;
    }
}

int _dot_sheets::load(int max_size, const std::string& dir,
                      const std::function<void(int max_size)>& on_oversize) {
  _photo_reader reader;
  clear();
  for (int r = 0; r < DOT_RESOLUTIONS; ++r) {
    for (int s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
      // The slot holds its sheet before the read, so a failed read still leaves it allocated.
      owned[r][s] = std::make_unique<_image>();
      table[r][s] = owned[r][s].get();
      const std::string name =
          dir + "/dots/dots_" + std::to_string(s) + "_" + std::to_string(VECRES[r]) + ".pgm";
      if (reader.read(name, *owned[r][s], max_size)) continue;
      if (reader.failure() == _photo_failure::too_large && on_oversize) on_oversize(max_size);
      return 0;
    }
  }
  return 1;
}

}  // namespace stippon
