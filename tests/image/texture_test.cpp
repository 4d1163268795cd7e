#include <gtest/gtest.h>

#include "image/texture.h"

namespace stippon {
namespace {

_texture single(_pixel texel) {
  _texture texture;
  texture.dimensions(1, 1);
  texture.create();
  texture.put(0, 0, texel);
  return texture;
}

TEST(Texture, GeometryCreateAndAccess) {
  _texture empty;
  empty.create();
  EXPECT_EQ(empty.width, 0u);
  EXPECT_TRUE(empty.texels.empty());

  _texture texture;
  texture.dimensions(1, 256);
  texture.create();
  ASSERT_EQ(texture.texels.size(), 256u);
  for (const _pixel& texel : texture.texels) EXPECT_EQ(texel, _pixel(0, 0, 0, 255));

  texture.dimensions(0, 3);
  EXPECT_EQ(texture.width, 256u);
  texture.put(0, 255, _pixel(1, 2, 3, 4));
  texture.put(1, 0, _pixel(9, 9, 9, 9));  // outside
  texture.put(0, 256, _pixel(9, 9, 9, 9));
  EXPECT_EQ(texture.get(0, 255), _pixel(1, 2, 3, 4));
  EXPECT_EQ(texture.pixels(0, 254) + 1, texture.pixels(0, 255));
  EXPECT_EQ(texture.pixels(1, 0), nullptr);
  texture.fill(_pixel(5, 6, 7, 8));
  EXPECT_EQ(texture.get(0, 0), _pixel(5, 6, 7, 8));

  _pixel pixel;
  pixel.red(1).green(2).blue(3).alpha(4);
  EXPECT_EQ(pixel, _pixel(1, 2, 3, 4));
  pixel.set(9, 8, 7, 6);
  EXPECT_EQ(pixel, _pixel(9, 8, 7, 6));
  ::testing::internal::CaptureStdout();
  pixel.show_values();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Red=9 Green=8 Blue=7 Alpha=6\n");
}

TEST(Texture, MergingColours) {
  struct Case {
    const char* name;
    _pixel texel, colour;
    _merging_function merging;
    _pixel expected;
  };
  const _pixel ink(128, 64, 255, 0);
  const Case cases[] = {
      {"product on white keeps alpha",
       {255, 255, 255, 200},
       ink,
       merging_product,
       {128, 64, 255, 200}},
      {"product on grey", {100, 100, 100, 255}, ink, merging_product, {50, 25, 100, 255}},
      {"minimum on grey", {100, 100, 100, 255}, ink, merging_minimum, {100, 64, 100, 255}},
      {"white colour, product",
       {10, 20, 30, 40},
       {255, 255, 255, 0},
       merging_product,
       {10, 20, 30, 40}},
      {"white colour, minimum",
       {10, 20, 30, 40},
       {255, 255, 255, 0},
       merging_minimum,
       {10, 20, 30, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _texture texture = single(c.texel);
    texture.put_add(0, 0, c.colour, c.merging);
    texture.put_add(0, 1, c.colour, c.merging);  // outside: ignored
    EXPECT_EQ(texture.get(0, 0), c.expected);
  }
}

TEST(Texture, FromGreyRaster) {
  _image grey;
  std::vector<float> values = {0, 127.9f, 255, 256.0f, -1.0f, 300.5f};
  grey.set(2, 3, values);
  _texture texture;
  texture = grey;
  ASSERT_EQ(texture.height, 2u);
  ASSERT_EQ(texture.width, 3u);
  EXPECT_EQ(texture.get(0, 1), _pixel(127, 127, 127, 255));  // no flip
  EXPECT_EQ(texture.get(0, 2), _pixel(255, 255, 255, 255));
  EXPECT_EQ(texture.get(1, 0), _pixel(0, 0, 0, 255));        // 256 wraps to 0
  EXPECT_EQ(texture.get(1, 1), _pixel(255, 255, 255, 255));  // -1 wraps to 255
  EXPECT_EQ(texture.get(1, 2), _pixel(44, 44, 44, 255));

  texture = _image();
  EXPECT_EQ(texture.width, 0u);
  EXPECT_EQ(texture.height, 0u);
  EXPECT_TRUE(texture.texels.empty());
}

TEST(Texture, ToneThroughRamp) {
  _texture ramp;
  ramp.dimensions(2, 256);  // the first row holds the colours
  ramp.create();
  for (unsigned i = 0; i < 256; ++i) ramp.put(0, i, _pixel(255 - i, i, 7, i / 2));

  _texture texture;
  texture.dimensions(1, 3);
  texture.create();
  texture.put(0, 0, _pixel(10, 200, 30, 255));
  texture.put(0, 1, _pixel(255, 0, 0, 255));
  texture.put(0, 2, _pixel(0, 0, 0, 255));
  texture.tone(ramp);
  EXPECT_EQ(texture.get(0, 0), _pixel(245, 10, 7, 5));  // red channel alone picks the entry
  EXPECT_EQ(texture.get(0, 1), _pixel(0, 255, 7, 127));
  EXPECT_EQ(texture.get(0, 2), _pixel(255, 0, 7, 0));

  // A ramp too short for a level, or without rows, leaves that texel as it is.
  _texture narrow;
  narrow.dimensions(1, 100);
  narrow.create();
  narrow.fill(_pixel(1, 1, 1, 1));
  _texture toned;
  toned.dimensions(1, 2);
  toned.create();
  toned.put(0, 0, _pixel(99, 99, 99, 255));
  toned.put(0, 1, _pixel(100, 100, 100, 255));
  toned.tone(narrow);
  EXPECT_EQ(toned.get(0, 0), _pixel(1, 1, 1, 1));
  EXPECT_EQ(toned.get(0, 1), _pixel(100, 100, 100, 255));
  toned.tone(_texture());
  EXPECT_EQ(toned.get(0, 1), _pixel(100, 100, 100, 255));
}

}  // namespace
}  // namespace stippon
