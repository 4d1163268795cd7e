#include "tones/halftone_grid.h"

#include "image/q_image.h"
#include "stipple/borders.h"
#include "stipple/halftoning.h"

namespace stippon {

void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone, const _tone_lookup& tones) {
  if (r == 1.0f)
    original = input;
  else
    resample(input, r, original);
  tones.apply(original);
  find_borders(original, borders_threshold, borders);
  halftone = original;
  halftoning_ostromoukhov(halftone);
}

}  // namespace stippon
