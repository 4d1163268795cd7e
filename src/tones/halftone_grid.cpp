#include "tones/halftone_grid.h"

#include "image/q_image.h"
#include "stipple/borders.h"
#include "stipple/halftoning.h"

namespace stippon {

void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone, const _tone_lookup& tones,
                          const _grid_steps& done) {
  const auto tell = [&done](_grid_step step) {
    if (done) done(step);
  };
  if (r == 1.0f)
    original = input;
  else
    resample(input, r, original);
  tones.apply(original);
  tell(grid_resampled);
  find_borders(original, borders_threshold, borders);
  tell(grid_bordered);
  halftone = original;
  halftoning_ostromoukhov(halftone);
  tell(grid_halftoned);
}

}  // namespace stippon
