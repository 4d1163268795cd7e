#include "image/uniform_random.h"

#include <cstdlib>

namespace stippon {

void _uniform_random::set_range(float new_low, float new_high) {
  low = new_low;
  high = new_high;
  scale = (high - low) * RANDOM_UNIT;
}

float _uniform_random::draw() {
  return at(::random());
}

}  // namespace stippon
