#include <gtest/gtest.h>

#include <cmath>

#include "image/image.h"

namespace stippon {
namespace {

_image raster(unsigned rows, unsigned columns, std::vector<float> values) {
  _image image;
  image.set(static_cast<int>(rows), static_cast<int>(columns), values);
  return image;
}

TEST(Raster, GeometryAndCreate) {
  _image empty;
  EXPECT_EQ(empty.width, 0u);
  EXPECT_EQ(empty.height, 0u);
  empty.create(true);
  EXPECT_TRUE(empty.samples.empty());

  _image image;
  image.dimensions(2, 3);
  image.create(true);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.samples, std::vector<float>(6, 255.0f));
  image.put(1u, 2u, 7.0f);
  EXPECT_EQ(image.samples[5], 7.0f);
  EXPECT_EQ(image.get_position(1, 2), 5u);

  image.dimensions(0, 5);  // ignored
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.width, 3u);
  image.create(false);
  EXPECT_EQ(image.samples, std::vector<float>(6, 0.0f));
}

TEST(Raster, AccessOutsideIsIgnored) {
  _image image = raster(2, 2, {1, 2, 3, 4});
  image.put(2u, 0u, 9.0f);
  image.put(0u, 2u, 9.0f);
  image.put(4u, 9.0f);
  image.put(2u, 0u, 9);
  image.put_add(2, 0, 0.0f, false, 0, merging_minimum);
  image.put_add(4, 0.0f, false, 0, merging_minimum);
  image.put_subtract(0, 2, 0.0f);
  image.put_subtract(4, 0.0f);
  EXPECT_EQ(image.samples, (std::vector<float>{1, 2, 3, 4}));
  image.put(1u, 1u, 8);
  image.put(0u, 5.5f);
  EXPECT_EQ(image.get(1, 1), 8.0f);
  EXPECT_EQ(image.get(0u), 5.5f);

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(image.get_position(2, 0), 4294967295u);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Row or Col values are outside of the valid range\n");
}

TEST(Raster, MergingRules) {
  struct Case {
    const char* name;
    float ground, value;
    bool black_white;
    unsigned short level;
    _merging_function merging;
    float expected;
  };
  const Case cases[] = {
      {"product on white", 255, 128, false, 0, merging_product, 128},
      {"product on black", 0, 128, false, 0, merging_product, 0},
      {"product in single precision", 100, 77, false, 0, merging_product,
       (77.0f * 100.0f) / 255.0f},
      {"minimum keeps darker ground", 100, 200, false, 0, merging_minimum, 100},
      {"minimum takes darker dot", 100, 50, false, 0, merging_minimum, 50},
      {"black below level", 255, 100, true, 128, merging_minimum, 0},
      {"white above level", 255, 200, true, 128, merging_product, 255},
      {"level equal is white", 255, 128, true, 128, merging_product, 255},
      {"truncated product below level", 128, 254.9f, true, 128, merging_product, 0},
      {"level zero always white", 0, 0, true, 0, merging_product, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _image image = raster(1, 2, {255, c.ground});
    image.put_add(0, 1, c.value, c.black_white, c.level, c.merging);
    image.put_add(0u, c.value, c.black_white, c.level, c.merging);
    EXPECT_EQ(image.get(0, 1), c.expected);
    // A white ground takes the dot under either function; here through the index form.
    if (!c.black_white) {
      EXPECT_EQ(image.get(0u), c.value);
    }
  }
}

TEST(Raster, SubtractAveragesAndSwap) {
  _image image = raster(1, 2, {200, 10});
  image.put_subtract(0, 0, 100.0f);
  image.put_subtract(1u, 20.0f);
  EXPECT_EQ(image.samples, (std::vector<float>{150, 15}));
  image.swap_pixels(0, 1);
  EXPECT_EQ(image.samples, (std::vector<float>{15, 150}));
}

TEST(Raster, CopiesAndGenerators) {
  _image source = raster(1, 3, {1, 2, 3});
  source.random_generators[2].set_range(5.0f, 9.0f);
  source.random_generators[2].seed = 42;

  const _image copy(source);
  EXPECT_EQ(copy.samples, source.samples);
  EXPECT_EQ(copy.width, 3u);
  EXPECT_EQ(copy.random_generators[2].low, 0.0f);
  EXPECT_EQ(copy.random_generators[2].high, 1.0f);
  EXPECT_EQ(copy.random_generators[2].scale, RANDOM_UNIT);

  _image target = raster(2, 2, {0, 0, 0, 0});
  target.random_generators[0].set_range(-1.0f, 1.0f);
  target = source;
  EXPECT_EQ(target.samples, source.samples);
  EXPECT_EQ(target.height, 1u);
  EXPECT_EQ(target.random_generators[0].low, -1.0f);
  EXPECT_EQ(target.random_generators[0].scale, 2.0f * RANDOM_UNIT);
  EXPECT_EQ(target.random_generators[2].low, 0.0f);  // not taken from the source

  target = raster(1, 1, {7});  // move assignment keeps them too
  EXPECT_EQ(target.samples, std::vector<float>{7});
  EXPECT_EQ(target.random_generators[0].low, -1.0f);
}

TEST(Raster, GeneratorDrawsFromTheProcessGenerator) {
  _uniform_random generator;
  generator.set_range(10.0f, 20.0f);
  EXPECT_EQ(generator.scale, 10.0f * RANDOM_UNIT);
  ::srandom(7);
  const long first = ::random();
  ::srandom(7);
  EXPECT_EQ(generator.draw(), 10.0f + generator.scale * static_cast<float>(first));
}

TEST(Raster, Arithmetic) {
  const _image a = raster(1, 3, {1, 2, 4});
  const _image b = raster(1, 3, {2, 2, 2});
  EXPECT_EQ((a + b).samples, (std::vector<float>{3, 4, 6}));
  EXPECT_EQ((a - b).samples, (std::vector<float>{-1, 0, 2}));
  EXPECT_EQ((a * b).samples, (std::vector<float>{2, 4, 8}));
  EXPECT_EQ((a / b).samples, (std::vector<float>{0.5f, 1, 2}));
  EXPECT_EQ((a + 1.0f).samples, (std::vector<float>{2, 3, 5}));
  EXPECT_EQ((a - 1.0f).samples, (std::vector<float>{0, 1, 3}));
  EXPECT_EQ((a * 3.0f).samples, (std::vector<float>{3, 6, 12}));
  EXPECT_EQ((a / 4.0f).samples, (std::vector<float>{0.25f, 0.5f, 1}));
  EXPECT_EQ(a.samples, (std::vector<float>{1, 2, 4}));  // operands untouched

  _image c = raster(1, 3, {1, 1, 2});
  EXPECT_EQ(c.normalize().samples, (std::vector<float>{0.25f, 0.25f, 0.5f}));
  EXPECT_EQ(raster(1, 2, {0, 255}).mean(), 127.5f);

  _image shorter = raster(1, 1, {10});  // a mismatch reads only what the operand has
  _image longer = a;
  longer += shorter;
  EXPECT_EQ(longer.samples, (std::vector<float>{11, 2, 4}));
}

TEST(Raster, ShowValues) {
  ::testing::internal::CaptureStdout();
  raster(2, 2, {1, 2, 3.5f, 4}).show_values();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "  1.0000   2.0000 \n  3.5000   4.0000 \n");
}

}  // namespace
}  // namespace stippon
