#pragma once

#include "image/image.h"
#include "tones/tone_lookup.h"

namespace stippon {

// The halftone grid of a target width: the input copied (r == 1) or resampled by r and put
// through the tone lookup, its borders and its halftone. The identity lookup leaves the samples
// as they were.
void derive_halftone_grid(const _image& input, float r, float borders_threshold, _image& original,
                          _image& borders, _image& halftone,
                          const _tone_lookup& tones = _tone_lookup());

}  // namespace stippon
