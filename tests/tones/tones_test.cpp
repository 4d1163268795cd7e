// Colour ramps and the installed tones.
#include <gtest/gtest.h>

#include "tones/color_ramp.h"
#include "tones/tone_table.h"

namespace stippon {
namespace {

const std::string DATA = STIPPON_DATA_DIR;

// An ink's ramp runs from the ink, opaque, to white.
TEST(ColorRamp, FromAnInk) {
  const _color_ramp blue(_pixel(0, 0, 255, 0));
  EXPECT_EQ(blue.get_color(0), _pixel(0, 0, 255, 255));  // the ink, made opaque
  EXPECT_EQ(blue.get_color(51), _pixel(51, 51, 255, 255));
  // t in single precision, the blend in double, truncated.
  EXPECT_EQ(_color_ramp(_pixel(10, 20, 30)).get_color(100), _pixel(106, 112, 118, 255));
}

// The installed tones: tone 0 the identity, every ramp going from dark to light.
TEST(ToneTable, InstalledTones) {
  _texture tones[TONE_COUNT];
  ASSERT_EQ(load_tones(tones, DATA), 1);
  for (int i = 0; i < TONE_COUNT; ++i) {
    SCOPED_TRACE(TONES[i].label);
    float previous = -1.0f;
    for (unsigned g = 0; g < 256; ++g) {
      const _pixel colour = tones[i].get(0, g);
      const float luma = 0.2126f * colour.r + 0.7152f * colour.g + 0.0722f * colour.b;
      EXPECT_GE(luma, previous) << "grey " << g;
      previous = luma;
      EXPECT_TRUE(i != 0 || colour == _pixel(g, g, g, 255)) << "grey " << g;
    }
  }
}

}  // namespace
}  // namespace stippon
