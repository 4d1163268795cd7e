// The installed tones.
#include <gtest/gtest.h>

#include "tones/tone_table.h"

namespace stippon {
namespace {

const std::string DATA = STIPPON_DATA_DIR;

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
