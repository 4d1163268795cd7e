#include "stipple/uniform_random.h"

namespace stippon {

void _uniform_random::set_range(float new_low, float new_high) {
  low = new_low;
  high = new_high;
  scale = (high - low) * RANDOM_UNIT;
}

}  // namespace stippon
