#include <gtest/gtest.h>

#include "image/scratch.h"
#include "tones/color_ramp.h"
#include "tones/tone_table.h"

namespace stippon {
namespace {

const std::string DATA = STIPPON_DATA_DIR;

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

// The program loads the tones from its working directory: with one tone missing there, the
// others still load and the missing one is named as the table has it.
TEST(ToneTable, MissingTone) {
  testing::scratch_dir scratch;
  std::filesystem::create_directory(scratch / "tones");
  for (int i = 0; i < TONE_COUNT; ++i)
    if (i != 12) std::filesystem::copy_file(DATA + "/" + TONES[i].file, scratch / TONES[i].file);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch.dir);
  _texture tones[TONE_COUNT];
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(load_tones(tones), 1);
  std::filesystem::current_path(previous);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file ./tones/sepia_04.png\n");
  for (int i = 0; i < TONE_COUNT; ++i) EXPECT_EQ(tones[i].texels.empty(), i == 12) << i;
}

}  // namespace
}  // namespace stippon
