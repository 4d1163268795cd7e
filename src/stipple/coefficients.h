#pragma once

namespace stippon {

// Variable-coefficient error-diffusion weights by input grey level: ahead, below-behind, below,
// and their sum.
extern const int Coefficients[256][4];

}  // namespace stippon
