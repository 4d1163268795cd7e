#include "stipple/random_stream.h"

namespace stippon {

_random_stream::_random_stream() : _random_stream(1u) {}

_random_stream::_random_stream(unsigned seed) {
  // data_ starts zeroed: initstate_r writes the old state's type through data_.state otherwise.
  initstate_r(seed, state_, STATE_BYTES, &data_);
}

_random_stream::_random_stream(const _random_stream& other) {
  take_state(other);
}

_random_stream& _random_stream::operator=(const _random_stream& other) {
  if (this != &other) take_state(other);
  return *this;
}

// random_data points into its own state buffer: copy the words, then move the pointers over.
void _random_stream::take_state(const _random_stream& other) {
  for (size_t i = 0; i < STATE_BYTES; ++i) state_[i] = other.state_[i];
  data_ = other.data_;
  int32_t* const base = reinterpret_cast<int32_t*>(state_);
  const int32_t* const other_base = reinterpret_cast<const int32_t*>(other.state_);
  data_.fptr = base + (other.data_.fptr - other_base);
  data_.rptr = base + (other.data_.rptr - other_base);
  data_.state = base + (other.data_.state - other_base);
  data_.end_ptr = base + (other.data_.end_ptr - other_base);
}

long _random_stream::next() {
  int32_t value = 0;
  random_r(&data_, &value);
  return value;
}

}  // namespace stippon
