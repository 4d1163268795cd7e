#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "image/file_png.h"
#include "image/scratch.h"
#include "tones/tone_table.h"

namespace stippon {
namespace {

using testing::scratch_dir;

const std::string DATA = STIPPON_DATA_DIR;

TEST(ToneTable, LabelsAndFiles) {
  const char* labels[TONE_COUNT] = {"Grayscale",
                                    "Cyanotype",
                                    "Palladium 1",
                                    "Palladium 2",
                                    "Platinum 1",
                                    "Platinum 2",
                                    "Platinum Palladium",
                                    "Selenium",
                                    "Selenium Brown",
                                    "Sepia 1",
                                    "Sepia 2",
                                    "Sepia 3",
                                    "Sepia 4",
                                    "Silver",
                                    "Silver Gelatin"};
  for (int i = 0; i < TONE_COUNT; ++i) {
    EXPECT_STREQ(TONES[i].label, labels[i]);
    EXPECT_TRUE(std::string(TONES[i].file).starts_with("./tones/")) << TONES[i].file;
  }
  EXPECT_STREQ(TONES[0].file, "./tones/grayscale_01.png");
  EXPECT_STREQ(TONES[14].file, "./tones/silver_gelatin_01.png");
}

// The installed tones: 256 wide, tone 0 the identity, every ramp going from dark to light.
TEST(ToneTable, InstalledTonesLoad) {
  _texture tones[TONE_COUNT];
  ASSERT_EQ(load_tones(tones, DATA), 1);
  for (int i = 0; i < TONE_COUNT; ++i) {
    SCOPED_TRACE(TONES[i].label);
    ASSERT_GE(tones[i].width, 256u);
    ASSERT_GE(tones[i].height, 1u);
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

// Copies the installed tones into a scratch data folder without the named ones.
void copy_tones_without(const scratch_dir& dir, std::initializer_list<int> missing) {
  std::filesystem::create_directory(dir.file("tones"));
  for (int i = 0; i < TONE_COUNT; ++i)
    if (std::find(missing.begin(), missing.end(), i) == missing.end())
      std::filesystem::copy_file(DATA + "/" + TONES[i].file, dir.file(TONES[i].file));
}

TEST(ToneTable, MissingToneIsSkipped) {
  scratch_dir dir;
  copy_tones_without(dir, {12});
  _texture tones[TONE_COUNT];
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(load_tones(tones, dir.path()), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file " + dir.path() + "/tones/sepia_04.png\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(tones[12].texels.empty());
  for (int i : {0, 11, 13, 14}) {
    _texture expected;
    ASSERT_EQ(_file_png().read(DATA + "/" + TONES[i].file, expected), 1);
    EXPECT_TRUE(tones[i].texels == expected.texels) << TONES[i].label;
  }
}

TEST(ToneTable, MissingFirstToneStopsTheLoad) {
  scratch_dir dir;
  copy_tones_without(dir, {0});
  _texture tones[TONE_COUNT];
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(load_tones(tones, dir.path()), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file " + dir.path() + "/tones/grayscale_01.png\n");
  for (const _texture& tone : tones) EXPECT_TRUE(tone.texels.empty());
}

TEST(ToneTable, WorkingDirectoryKeepsTheTableNames) {
  const auto previous = std::filesystem::current_path();
  scratch_dir dir;
  copy_tones_without(dir, {3});
  std::filesystem::current_path(dir.path());
  _texture tones[TONE_COUNT];
  ::testing::internal::CaptureStdout();
  const int result = load_tones(tones);
  const std::string out = ::testing::internal::GetCapturedStdout();
  std::filesystem::current_path(previous);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(out, "Error: Cannot open image file ./tones/palladium_02.png\n");
}

}  // namespace
}  // namespace stippon
