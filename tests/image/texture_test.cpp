#include <gtest/gtest.h>

#include "image/texture.h"

namespace stippon {
namespace {

_texture row_of(std::vector<_pixel> texels) {
  _texture texture;
  texture.dimensions(1, static_cast<unsigned>(texels.size()));
  texture.create();
  texture.texels = texels;
  return texture;
}

TEST(Texture, MergingColours) {
  struct Case {
    const char* name;
    _pixel texel, colour;
    _merging_function merging;
    _pixel expected;
  };
  const _pixel ink(128, 64, 255, 0), white(255, 255, 255, 0);
  const Case cases[] = {
      {"product on white", {255, 255, 255, 200}, ink, merging_product, {128, 64, 255, 200}},
      {"product on grey", {100, 100, 100, 255}, ink, merging_product, {50, 25, 100, 255}},
      {"minimum on grey", {100, 100, 100, 255}, ink, merging_minimum, {100, 64, 100, 255}},
      {"white, product", {10, 20, 30, 40}, white, merging_product, {10, 20, 30, 40}},
      {"white, minimum", {10, 20, 30, 40}, white, merging_minimum, {10, 20, 30, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _texture texture = row_of({c.texel});
    texture.put_add(0, 0, c.colour, c.merging);
    texture.put_add(0, 1, c.colour, c.merging);  // outside: ignored
    EXPECT_EQ(texture.texels, std::vector<_pixel>{c.expected});
  }
}

TEST(Texture, FromGreyRasterTruncatesAndWraps) {
  _image grey;
  std::vector<float> values = {0, 127.9f, 255, 256.0f, -1.0f, 300.5f};
  grey.set(2, 3, values);
  _texture texture;
  texture = grey;
  ASSERT_EQ(texture.height, 2u);
  const unsigned char expected[] = {0, 127, 255, 0, 255, 44};  // same rows, no flip
  for (int i = 0; i < 6; ++i) {
    const unsigned char v = expected[i];
    EXPECT_EQ(texture.texels[i], _pixel(v, v, v, 255)) << i;
  }
  texture = _image();
  EXPECT_EQ(texture.width, 0u);
  EXPECT_TRUE(texture.texels.empty());
}

TEST(Texture, ToneThroughRamp) {
  _texture ramp;
  ramp.dimensions(2, 256);  // the first row holds the colours
  ramp.create();
  for (unsigned i = 0; i < 256; ++i) ramp.put(0, i, _pixel(255 - i, i, 7, i / 2));
  _texture texture = row_of({{10, 200, 30, 255}, {255, 0, 0, 255}});
  texture.tone(ramp);  // the red channel alone picks the entry
  EXPECT_EQ(texture.texels, (std::vector<_pixel>{{245, 10, 7, 5}, {0, 255, 7, 127}}));

  // A ramp too short for a level, or without rows, leaves that texel as it is.
  _texture toned = row_of({{99, 9, 9, 255}, {100, 9, 9, 255}});
  toned.tone(row_of(std::vector<_pixel>(100, {1, 1, 1, 1})));
  toned.tone(_texture());
  EXPECT_EQ(toned.texels, (std::vector<_pixel>{{1, 1, 1, 1}, {100, 9, 9, 255}}));
}

}  // namespace
}  // namespace stippon
