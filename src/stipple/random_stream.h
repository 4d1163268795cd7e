#pragma once

#include <cstdint>
#include <cstdlib>

namespace stippon {

// A generator of its own that draws exactly what srandom(seed) followed by random() draws from
// the process-wide glibc generator (the same additive feedback generator with its default
// 128-byte state), so that a run can stipple off the GUI thread, or beside another run, and still
// place the dots the preview placed.
class _random_stream {
 public:
  _random_stream();  // as the process starts: srandom(1)
  explicit _random_stream(unsigned seed);
  // A copy continues from the same point of the sequence, independently of the original.
  _random_stream(const _random_stream& other);
  _random_stream& operator=(const _random_stream& other);
  ~_random_stream() = default;

  // As random(): the next draw, 0 .. 2^31 - 1.
  long next();

 private:
  // The state size of srandom(): 31 words of feedback behind the word glibc keeps for its type.
  static constexpr size_t STATE_BYTES = 128;

  void take_state(const _random_stream& other);

  alignas(int32_t) char state_[STATE_BYTES] = {};
  random_data data_ = {};
};

}  // namespace stippon
