#pragma once

#include "image/image.h"
#include "image/texture.h"

namespace stippon {

// Turns the photograph's colours at the halftone grid into the inks of the dots placed there.
// Where the grey is g the dots cover about c = 1 - linear(g) of the paper, and the eye mixes
// dots and white paper in linear light: paper + c x (ink - 1). A dot of the photograph's own colour
// would leave the print light and pale. Each texel becomes the ink whose mix at that coverage is
// the photograph's colour; a colour darker in some channel than the paper left between the dots
// allows (linear value below 1 - c) is first raised by that much in every channel, which keeps
// its channels' differences, and so more of its chroma than clipping the channel would. Neutral
// greys give black dots, as grey stippling draws.
void dot_inks(const _image& grey, _texture& colours);

}  // namespace stippon
