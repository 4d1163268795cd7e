#include "stipple/dot_library.h"

#include <cstdio>

#include "stipple/output.h"

namespace stippon {

int load_dot_sheets(_image* sheets[DOT_RESOLUTIONS][DOT_SLOTS], int max_size,
                    const std::string& dir, _file_pgm reader) {
  for (int r = 0; r < DOT_RESOLUTIONS; ++r)
    for (int s = 0; s < DOT_SLOTS; ++s) sheets[r][s] = nullptr;
  std::printf("Reading dots files\n");
  std::fflush(stdout);
  for (int r = 0; r < DOT_RESOLUTIONS; ++r) {
    for (int s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
      // The slot holds its sheet before the read, so a failed read still leaves it allocated.
      sheets[r][s] = new _image;
      const std::string name =
          dir + "/dots/dots_" + std::to_string(s) + "_" + std::to_string(VECRES[r]) + ".pgm";
      if (reader.read(name, *sheets[r][s], max_size) == 0) return 0;
    }
  }
  return 1;
}

}  // namespace stippon
