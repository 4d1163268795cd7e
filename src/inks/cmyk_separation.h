#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "image/image.h"
#include "image/pixel.h"
#include "image/rgb_image.h"
#include "parallel/thread_pool.h"

namespace stippon {

// The process inks in the order they are separated, stippled, layered and written.
enum _ink { ink_cyan = 0, ink_magenta, ink_yellow, ink_black };
constexpr int INK_COUNT = 4;

// Amounts of the four inks, 0 (none) to 255 (solid).
using _ink_amounts = std::array<uint8_t, INK_COUNT>;

// Separates sRGB colours into the four process inks of a CMYK printing profile, with the grey
// they share printed in black: a neutral is mostly black ink, which stays neutral whatever the
// register of the inks, and lays down less ink. The profile's own separation gives each colour
// as the press would print it; its cyan, magenta and yellow in common then go to black as far
// as they do in the profile's neutrals, and cyan, magenta and yellow are found again so that the
// colour matches the profile's. The separation is worked out once on a lattice of colours and
// interpolated between them by Little CMS.
class _cmyk_separation {
 public:
  // Reads the profile and works out the separation, on the pool's threads when given; false
  // when the profile is missing or not a CMYK printing profile.
  bool load(const std::string& profile_file, _thread_pool* pool = nullptr);
  bool loaded() const { return separation != nullptr; }

  // The share of the area each ink's dots cover for a colour (see cover_table).
  _ink_amounts inks_of(_pixel colour) const;
  // The amounts the profile's press lays down for it.
  _ink_amounts press_inks_of(_pixel colour) const;
  // The inks' shares of a photograph (row 0 at the bottom) as grey rasters of its size, white where
  // an ink is absent and black where it is solid, as grey stippling draws them: of its colour, or
  // of its grey when it has none.
  std::array<_image, INK_COUNT> separate(const _image& grey, const _rgb_image& colour) const;
  // Each ink solid on the paper, as the profile sees it, in sRGB.
  _pixel ink_colour(int ink) const { return inks[size_t(ink)]; }

  // The profile the program separates through: Debian's ghostscript data ships it.
  static constexpr const char* DEFAULT_PROFILE =
      "/usr/share/color/icc/ghostscript/default_cmyk.icc";

 private:
  std::shared_ptr<void> separation;  // the transform from sRGB to the inks
  void cover_table(int ink, void* measure);

  std::array<_pixel, INK_COUNT> inks;
  std::array<std::array<uint8_t, 256>, INK_COUNT> covers;  // of the press's amounts
};

}  // namespace stippon
