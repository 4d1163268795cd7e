#pragma once

#include <string>

#include "batch/options.h"

namespace stippon {

// The largest preview edge: the texture limit the desktop program assumes before OpenGL reports
// its own, and the largest input edge it reads.
inline constexpr unsigned MAX_PREVIEW_EDGE = 16384;

// Target width in pixels at 300 ppi of an input of W x H pixels, as the general panel computes
// it for the chosen sheet, "Optimal for input" or a typed width or height.
float target_width(const _batch_options& options, unsigned W, unsigned H);

// Why an output of target width w cannot be made from a W x H input (empty when it can): under
// one halftone cell, or a preview edge outside 1 .. MAX_PREVIEW_EDGE.
std::string check_target_width(float w, float scale_factor, unsigned W, unsigned H);

}  // namespace stippon
