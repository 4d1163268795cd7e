#pragma once

#include <functional>

#include "image/image.h"
#include "parallel/thread_pool.h"
#include "tones/tone_lookup.h"

namespace stippon {

// The steps of a halftone grid, each told once done, for a run's progress.
enum _grid_step { grid_resampled, grid_bordered, grid_halftoned };
using _grid_steps = std::function<void(_grid_step)>;

// The halftone grid of a target width: the input copied (r == 1) or resampled by r and put
// through the tone lookup, its borders and its halftone. The identity lookup leaves the samples
// as they were. With a pool, the borders are found on it while the halftone is made.
void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone,
                          const _tone_lookup& tones = _tone_lookup(), const _grid_steps& done = {},
                          _thread_pool* pool = nullptr);

}  // namespace stippon
