// The vectorised merges of a sheet row against the plain reference's per-sample rule (put_add),
// on samples of every kind: bytes, fractions, negatives, the edges of the black and white levels,
// infinities and NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "image/image.h"
#include "image/sample_cast.h"
#include "stipple/dot_merge.h"
#include "stipple/reference_stippling.h"

namespace stippon {
namespace {

// A fixed sequence of 32-bit values.
uint32_t hashed(uint32_t i) {
  i = (i ^ (i >> 16)) * 0x7feb352dU;
  i = (i ^ (i >> 15)) * 0x846ca68bU;
  return i ^ (i >> 16);
}

// Mostly bytes and their fractions, with now and then a value no sheet of bytes holds.
float sample(uint32_t i) {
  const uint32_t h = hashed(i);
  const float odd[] = {-0.0f,
                       -1.0f,
                       -0.5f,
                       -300.0f,
                       1e9f,
                       3e12f,
                       65536.0f * 255.0f,
                       std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::quiet_NaN()};
  if (h % 64 == 0) return odd[(h >> 8) % std::size(odd)];
  if (h % 3 == 0) return 255.0f;
  return h % 2 == 0 ? float(h % 256) : float(h % 65536) / 256.0f;
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  // An empty row has no data pointer, which memcmp must not be given.
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

// Rows of 0 to 40 samples, one sample at a time through put_add against the row at once.
template <class Merge>
void expect_rows_agree(Merge merge, bool black_white, unsigned short black_level,
                       _merging_function merging, uint32_t seed) {
  for (unsigned count = 0; count <= 40; ++count)
    for (uint32_t round = 0; round < 50; ++round) {
      std::vector<float> ground(count), dot(count);
      for (unsigned j = 0; j < count; ++j) {
        ground[j] = sample(seed + round * 1000 + j);
        dot[j] = sample(seed + round * 1000 + j + 500);
      }
      _image plain;
      plain.set(1, int(count), ground);
      for (unsigned j = 0; j < count; ++j)
        reference::put_add(plain, 0u, j, dot[j], black_white, black_level, merging);
      merge_span(ground.data(), dot.data(), count, merge);
      ASSERT_TRUE(same_bits(ground, plain.samples)) << count << " samples, round " << round;
    }
}

TEST(DotMerge, RowsEqualThePerSampleRule) {
  {
    SCOPED_TRACE("product");
    expect_rows_agree(_merge_product{}, false, 0, merging_product, 1);
  }
  {
    SCOPED_TRACE("minimum");
    expect_rows_agree(_merge_minimum{}, false, 0, merging_minimum, 2);
  }
  for (unsigned short level : {0, 1, 90, 127, 140, 254, 255, 256, 40000, 65535}) {
    SCOPED_TRACE(testing::Message() << "black and white at " << level);
    expect_rows_agree(_merge_black_white(level), true, level, merging_product, 3 + level);
  }
}

// Products a few steps either side of the least one painted white, for every black level the
// programs offer: the comparison that replaces the division must cut exactly there.
TEST(DotMerge, BlackAndWhiteCutsAtTheLeastWhiteProduct) {
  for (unsigned level = 0; level <= 255; ++level) {
    const _merge_black_white merge(static_cast<unsigned short>(level));
    std::vector<float> ground, dot;
    float product = merge.least_white();
    for (int step = 0; step < 4; ++step) product = std::nextafter(product, 0.0f);
    for (int step = 0; step < 8; ++step, product = std::nextafter(product, 1e9f)) {
      // product = dot x 1 exactly, and dot x 255 for the dots that are whole levels.
      ground.push_back(1.0f);
      dot.push_back(product);
    }
    _image plain;
    plain.set(1, int(ground.size()), ground);
    for (unsigned j = 0; j < dot.size(); ++j)
      reference::put_add(plain, 0u, j, dot[j], true, static_cast<unsigned short>(level),
                         merging_product);
    merge_span(ground.data(), dot.data(), unsigned(dot.size()), merge);
    ASSERT_TRUE(same_bits(ground, plain.samples)) << "black level " << level;
  }
}

TEST(DotMerge, LowBytesEqualTheLowByteOfEachSample) {
  for (unsigned count : {0u, 1u, 7u, 64u, 1001u}) {
    std::vector<float> samples(count);
    for (unsigned i = 0; i < count; ++i) samples[i] = sample(i * 31 + count) - 128.0f;
    std::vector<unsigned char> bytes(count), plain(count);
    for (unsigned i = 0; i < count; ++i) plain[i] = low_byte(samples[i]);
    low_bytes(samples.data(), count, bytes.data());
    EXPECT_EQ(bytes, plain) << count << " samples";
  }
  // Whole rows inside the 32-bit range, and rows with one sample beyond it.
  std::vector<float> samples = {-2147483520.0f, 2147483520.0f, 255.9f, -1.0f, 256.0f};
  for (float beyond : {3e9f, -3e9f, 1e19f}) {
    for (std::vector<float> row : {samples, [&] {
                                     std::vector<float> v = samples;
                                     v.push_back(beyond);
                                     return v;
                                   }()}) {
      std::vector<unsigned char> bytes(row.size()), plain(row.size());
      for (size_t i = 0; i < row.size(); ++i) plain[i] = low_byte(row[i]);
      low_bytes(row.data(), row.size(), bytes.data());
      EXPECT_EQ(bytes, plain) << "beyond " << beyond;
    }
  }
}

}  // namespace
}  // namespace stippon
