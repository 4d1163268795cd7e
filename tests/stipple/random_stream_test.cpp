// The per-run generator against the process-wide one it stands in for.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "stipple/random_stream.h"

namespace stippon {
namespace {

// The number of draws before the first one that differs from random() after srandom(seed).
long agreeing_draws(_random_stream stream, unsigned seed, long draws) {
  srandom(seed);
  for (long i = 0; i < draws; ++i)
    if (stream.next() != ::random()) return i;
  return draws;
}

TEST(RandomStream, DrawsWhatSrandomAndRandomDraw) {
  // clang-format off
  struct { const char* name; unsigned seed; long draws; } cases[] = {
      {"seed 0, which srandom() takes as 1", 0u, 3'000'000},
      {"seed 1, the sequence of an unseeded process", 1u, 3'000'000},
      {"a clock seed", 1717171717u, 2'000'000},
      {"2^31 - 1", 2147483647u, 1'000'000},
      {"2^31", 2147483648u, 1'000'000},
      {"the largest unsigned", UINT_MAX, 1'000'000}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(agreeing_draws(_random_stream(c.seed), c.seed, c.draws), c.draws) << c.name;
  EXPECT_EQ(agreeing_draws(_random_stream(), 1, 1000), 1000) << "unseeded";
  // Many seeds, spread over the whole unsigned range.
  for (unsigned i = 0; i < 2000; ++i) {
    const unsigned seed = i * 2147483629u + 7u;
    ASSERT_EQ(agreeing_draws(_random_stream(seed), seed, 400), 400) << seed;
  }
}

// A copy carries on from where the original was and neither disturbs the other, nor the
// process-wide sequence: a worker's copy of a document draws what the document would.
TEST(RandomStream, CopiesContinueIndependently) {
  srandom(99);
  const long first_global = ::random();
  srandom(99);
  _random_stream original(4242);
  for (int i = 0; i < 12345; ++i) original.next();
  _random_stream copy(original), assigned;
  assigned = original;
  for (int i = 0; i < 100000; ++i) {
    const long value = original.next();
    ASSERT_EQ(copy.next(), value) << i;
    ASSERT_EQ(assigned.next(), value) << i;
  }
  const long expected = original.next();
  for (int i = 0; i < 50; ++i) copy.next();
  EXPECT_NE(copy.next(), expected);
  EXPECT_EQ(assigned.next(), expected);
  EXPECT_EQ(::random(), first_global);
}

}  // namespace
}  // namespace stippon
