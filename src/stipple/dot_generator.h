#pragma once

#include "image/image.h"

namespace stippon {

// One ink blot grown in a size x size cell by a small simulation of ink soaking into paper:
// `drops` drops of `spot` samples, `steps` rounds of spreading, each darkening by `darkening`
// and keeping 1 - absorption of its ink; an elongation above 0 stretches it along `angle`
// degrees. A paper (absorbency, 0..255) smaller than the cell, or none, is replaced by one grown
// for it. Draws from the process's random().
_image grow_blot(unsigned spot, unsigned size, float darkening, unsigned steps, unsigned drops,
                 float elongation, float angle, float absorption, const _image* paper);

// A sheet of rows x columns cells of side `cell`, each holding a blot of random darkening,
// steps, angle and absorption around the given drops and steps. False, leaving the sheet alone,
// for a layout with no cells or more than 2^32 samples.
bool grow_blots(_image& sheet, int rows, int columns, int cell, float drops_value,
                float steps_value, const _image* paper);

}  // namespace stippon
