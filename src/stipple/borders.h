#pragma once

#include "image/image.h"

namespace stippon {

// How filter2 treats the edge of its source.
enum _cut_type { cut_none = 0, cut_same = 1, cut_unused = 2, cut_valid = 3 };

// Correlates source with an odd square mask into result: cut_same keeps the source's size,
// reading `outside` beyond its edge; cut_valid keeps the places where the mask lies wholly on the
// source. Result may be the source or the mask. 0 on success, -1 for a mask that is not odd and
// square, larger than the source, or a raster whose samples do not match its size.
int filter2(const _image& mask, const _image& source, _cut_type cut, float outside, _image& result);

// The borders of source: 0 where the Sobel gradient marks an edge by the threshold's rule, 255
// elsewhere, a raster of the source's size (all white when it is smaller than 3 x 3). Borders may
// be the source.
void find_borders(const _image& source, float threshold, _image& borders);

}  // namespace stippon
