#include "tones/halftone_grid.h"

#include <future>

#include "image/q_image.h"
#include "stipple/borders.h"
#include "stipple/halftoning.h"

namespace stippon {

void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone, const _tone_lookup& tones,
                          const _grid_steps& done, _thread_pool* pool) {
  const auto tell = [&done](_grid_step step) {
    if (done) done(step);
  };
  if (r == 1.0f)
    original = input;
  else
    resample(input, r, original);
  tones.apply(original);
  tell(grid_resampled);
  // The borders and the halftone both only read the original.
  const auto borders_of_original = [&borders, &original, borders_threshold] {
    find_borders(original, borders_threshold, borders);
  };
  std::future<void> found;
  // However the halftone ends, the borders are finished before the rasters can go.
  struct _waiting {
    std::future<void>& found;
    ~_waiting() {
      if (found.valid()) found.wait();
    }
  } waiting{found};
  if (pool != nullptr)
    found = pool->submit(borders_of_original);
  else
    borders_of_original();
  halftone = original;
  halftoning_ostromoukhov(halftone);
  if (found.valid()) found.get();
  // Told here, on the caller's thread, in their order.
  tell(grid_bordered);
  tell(grid_halftoned);
}

}  // namespace stippon
