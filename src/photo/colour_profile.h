#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace stippon {

// A photograph's embedded ICC profile, read with Little CMS, and the conversion of its colours
// to sRGB, the space in which grey is made and dots are coloured.
class _colour_profile {
 public:
  // Reads the profile's bytes (none: no profile). A profile that does not parse, describes no RGB
  // or grey colours, or gives no conversion to sRGB is malformed.
  explicit _colour_profile(const std::vector<uint8_t>& bytes);
  ~_colour_profile();
  _colour_profile(const _colour_profile&) = delete;
  _colour_profile& operator=(const _colour_profile&) = delete;

  bool malformed() const { return malformed_; }
  // Whether the colours change: false without a profile, for a malformed one, and for one whose
  // conversion moves no 8-bit colour by more than a level (sRGB and profiles that say the same),
  // so that such photographs keep their exact values.
  bool converts() const { return converts_; }
  // Converts pixels of 8-bit RGB (R = G = B for a grey profile, which reads R) to sRGB in place.
  void to_srgb(uint8_t* rgb, size_t pixels) const;

 private:
  struct _lcms;
  std::unique_ptr<_lcms> lcms_;
  bool malformed_ = false;
  bool converts_ = false;
};

}  // namespace stippon
