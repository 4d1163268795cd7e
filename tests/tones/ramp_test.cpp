#include <gtest/gtest.h>

#include "tones/color_ramp.h"

namespace stippon {
namespace {

TEST(ColorRamp, Neutral) {
  const _color_ramp ramp;
  ASSERT_EQ(ramp.width, 256u);
  ASSERT_EQ(ramp.height, 1u);
  EXPECT_EQ(ramp.get_color(0), _pixel(0, 0, 0, 255));
  EXPECT_EQ(ramp.get_color(200), _pixel(200, 200, 200, 255));
  EXPECT_EQ(ramp.get_color(255), _pixel(255, 255, 255, 255));
}

TEST(ColorRamp, FromAnInkToWhite) {
  struct Case {
    const char* name;
    _pixel ink;
    unsigned column;
    _pixel expected;
  };
  const Case cases[] = {
      {"the ink itself, made opaque", {0, 0, 255, 0}, 0, {0, 0, 255, 255}},
      {"white at the end", {0, 0, 255, 0}, 255, {255, 255, 255, 255}},
      {"a fifth of the way", {0, 0, 255, 0}, 51, {51, 51, 255, 255}},
      {"halfway from red", {255, 0, 0, 255}, 128, {255, 128, 128, 255}},
      {"truncated blend", {10, 20, 30, 255}, 100, {106, 112, 118, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const _color_ramp ramp(c.ink);
    EXPECT_EQ(ramp.get_color(static_cast<unsigned char>(c.column)), c.expected);
  }
  const _color_ramp ramp(_pixel(40, 90, 10, 255));
  for (unsigned i = 1; i < 256; ++i) {  // every channel rises steadily towards white
    EXPECT_GE(ramp.texels[i].r, ramp.texels[i - 1].r);
    EXPECT_GE(ramp.texels[i].g, ramp.texels[i - 1].g);
    EXPECT_GE(ramp.texels[i].b, ramp.texels[i - 1].b);
  }
}

}  // namespace
}  // namespace stippon
