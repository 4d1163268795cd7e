#include <gtest/gtest.h>

#include "image/image.h"

namespace stippon {
namespace {

_image raster(int rows, int columns, std::vector<float> values) {
  _image image;
  image.set(rows, columns, values);
  return image;
}

TEST(Raster, GeometryAndAccess) {
  _image image;
  image.create(true);
  EXPECT_TRUE(image.samples.empty());
  image.dimensions(2, 3);
  image.dimensions(0, 5);  // ignored
  image.create(true);
  EXPECT_EQ(image.samples, std::vector<float>(6, 255.0f));
  image.put(1u, 2u, 7.0f);
  EXPECT_EQ(image.samples[5], 7.0f);
  EXPECT_EQ(image.get_position(1, 2), 5u);

  // Writes outside the raster change nothing.
  const std::vector<float> before = image.samples;
  image.put(2u, 0u, 9.0f);
  image.put(0u, 3u, 9);
  image.put(6u, 9.0f);
  image.put_add(2, 0, 0.0f, false, 0, merging_minimum);
  image.put_subtract(6, 0.0f);
  EXPECT_EQ(image.samples, before);

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
      {"product, single precision", 100, 77, false, 0, merging_product, (77.0f * 100.0f) / 255.0f},
      {"minimum keeps darker ground", 100, 200, false, 0, merging_minimum, 100},
      {"minimum takes darker dot", 100, 50, false, 0, merging_minimum, 50},
      {"black below level", 255, 100, true, 128, merging_minimum, 0},
      {"white above level", 255, 200, true, 128, merging_product, 255},
      {"truncated product below level", 128, 254.9f, true, 128, merging_product, 0},
      {"level zero always white", 0, 0, true, 0, merging_product, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _image image = raster(1, 2, {c.ground, c.ground});
    image.put_add(0, 0, c.value, c.black_white, c.level, c.merging);
    image.put_add(1u, c.value, c.black_white, c.level, c.merging);
    EXPECT_EQ(image.samples, std::vector<float>(2, c.expected));
  }
  _image image = raster(1, 1, {200});
  image.put_subtract(0, 0, 100.0f);
  EXPECT_EQ(image.get(0u), 150.0f);
}

TEST(Raster, CopiesKeepOrResetGenerators) {
  _image source = raster(1, 3, {1, 2, 3});
  source.random_generators[2].set_range(5.0f, 9.0f);
  const _image copy(source);
  EXPECT_EQ(copy.samples, source.samples);
  EXPECT_EQ(copy.random_generators[2].scale, RANDOM_UNIT);  // default [0, 1)

  _image target = raster(2, 2, {0, 0, 0, 0});
  target.random_generators[0].set_range(-1.0f, 1.0f);
  target = source;
  EXPECT_EQ(target.samples, source.samples);
  EXPECT_EQ(target.height, 1u);
  EXPECT_EQ(target.random_generators[0].scale, 2.0f * RANDOM_UNIT);
  EXPECT_EQ(target.random_generators[2].low, 0.0f);
  target = raster(1, 1, {7});  // moving in keeps them too
  EXPECT_EQ(target.random_generators[0].low, -1.0f);
}

TEST(Raster, Arithmetic) {
  const _image a = raster(1, 3, {1, 2, 4});
  EXPECT_EQ((a - raster(1, 3, {2, 2, 2})).samples, (std::vector<float>{-1, 0, 2}));
  EXPECT_EQ((a / 4.0f).samples, (std::vector<float>{0.25f, 0.5f, 1}));
  EXPECT_EQ(a.samples, (std::vector<float>{1, 2, 4}));  // operands untouched
  _image c = raster(1, 3, {1, 1, 2});
  EXPECT_EQ(c.normalize().samples, (std::vector<float>{0.25f, 0.25f, 0.5f}));
  EXPECT_EQ(raster(1, 2, {0, 255}).mean(), 127.5f);
  _image longer = a;  // a shorter operand is read only as far as it reaches
  longer *= raster(1, 1, {10});
  EXPECT_EQ(longer.samples, (std::vector<float>{10, 2, 4}));
}

}  // namespace
}  // namespace stippon
