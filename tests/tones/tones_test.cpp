#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "image/file_png.h"
#include "image/scratch.h"
#include "tones/color_ramp.h"
#include "tones/tone_table.h"

namespace stippon {
namespace {

using testing::scratch_dir;

const std::string DATA = STIPPON_DATA_DIR;

TEST(ColorRamp, NeutralAndFromAnInk) {
  EXPECT_EQ(_color_ramp().get_color(0), _pixel(0, 0, 0, 255));
  EXPECT_EQ(_color_ramp().get_color(200), _pixel(200, 200, 200, 255));
  const _color_ramp blue(_pixel(0, 0, 255, 0));
  EXPECT_EQ(blue.get_color(0), _pixel(0, 0, 255, 255));  // the ink, made opaque
  EXPECT_EQ(blue.get_color(51), _pixel(51, 51, 255, 255));
  EXPECT_EQ(blue.get_color(255), _pixel(255, 255, 255, 255));
  // t in single precision, the blend in double, truncated.
  EXPECT_EQ(_color_ramp(_pixel(10, 20, 30)).get_color(100), _pixel(106, 112, 118, 255));
}

// The installed tones: tone 0 the identity, every ramp going from dark to light.
TEST(ToneTable, InstalledTones) {
  _texture tones[TONE_COUNT];
  ASSERT_EQ(load_tones(tones, DATA), 1);
  for (int i = 0; i < TONE_COUNT; ++i) {
    SCOPED_TRACE(TONES[i].label);
    ASSERT_GE(tones[i].width, 256u);
    float previous = -1.0f;
    for (unsigned g = 0; g < 256; ++g) {
      const _pixel colour = tones[i].get(0, g);
      const float luma = 0.2126f * colour.r + 0.7152f * colour.g + 0.0722f * colour.b;
      EXPECT_GE(luma, previous) << "grey " << g;
      previous = luma;
      if (i == 0) {
        EXPECT_EQ(colour, _pixel(g, g, g, 255));
      }
    }
  }
}

// Loads from a scratch data folder holding the installed tones except the missing one; returns
// what the load printed on standard output.
std::string load_without(int missing, int expected_result, _texture (&tones)[TONE_COUNT],
                         bool from_working_directory = false) {
  scratch_dir dir;
  std::filesystem::create_directory(dir.file("tones"));
  for (int i = 0; i < TONE_COUNT; ++i)
    if (i != missing)
      std::filesystem::copy_file(DATA + "/" + TONES[i].file, dir.file(TONES[i].file));
  const auto previous = std::filesystem::current_path();
  if (from_working_directory) std::filesystem::current_path(dir.path());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(from_working_directory ? load_tones(tones) : load_tones(tones, dir.path()),
            expected_result);
  std::filesystem::current_path(previous);
  std::string out = ::testing::internal::GetCapturedStdout();
  const size_t folder = out.find(dir.path());
  return folder == std::string::npos ? out : out.replace(folder, dir.path().size(), "<dir>");
}

TEST(ToneTable, MissingTones) {
  _texture tones[TONE_COUNT];
  EXPECT_EQ(load_without(12, 1, tones), "Error: Cannot open image file <dir>/tones/sepia_04.png\n");
  EXPECT_TRUE(tones[12].texels.empty());
  _texture expected;
  ASSERT_EQ(_file_png().read(DATA + "/" + TONES[13].file, expected), 1);
  EXPECT_TRUE(tones[13].texels == expected.texels);

  _texture without_first[TONE_COUNT];  // the first tone is required; nothing else is read
  EXPECT_EQ(load_without(0, 0, without_first),
            "Error: Cannot open image file <dir>/tones/grayscale_01.png\n");
  EXPECT_TRUE(std::all_of(std::begin(without_first), std::end(without_first),
                          [](const _texture& tone) { return tone.texels.empty(); }));

  _texture from_here[TONE_COUNT];  // from the working directory the table's names are shown
  EXPECT_EQ(load_without(3, 1, from_here, true),
            "Error: Cannot open image file ./tones/palladium_02.png\n");
}

}  // namespace
}  // namespace stippon
