#pragma once

#include "image/image.h"

namespace stippon {

// Ostromoukhov's variable-coefficient error diffusion in place, serpentine from the bottom row:
// every sample becomes 0 (a dot) or 255, each level spreading its error with the weights of its
// own row of the table (stipple/coefficients.h). Pure black stays black.
void halftoning_ostromoukhov(_image& image);

}  // namespace stippon
