#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <string>

#include "image/file_pgm.h"
#include "stipple/dot_library.h"
#include "stipple/mottle.h"
#include "stipple/output.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

// A dots folder of synthetic sheets in a temporary directory; the loader's table is freed here
// (the application keeps its sheets until it ends).
class DotLibrary : public testing::Test {
 protected:
  QTemporaryDir root;
  _image* sheets[DOT_RESOLUTIONS][DOT_SLOTS];

  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkdir("dots"));
    for (int r = 0; r < DOT_RESOLUTIONS; ++r)
      for (int s = 0; s < DOT_SLOTS; ++s) sheets[r][s] = reinterpret_cast<_image*>(0x1);
  }
  void TearDown() override {
    for (auto& row : sheets)
      for (_image*& sheet : row)
        if (sheet != reinterpret_cast<_image*>(0x1)) delete sheet;
  }

  std::string dir() const { return root.path().toStdString(); }
  static _image sheet_for(int position, unsigned size) {
    return fixtures::noise_sheet(size * output_scale(position), 11, 1, size * 3 + position);
  }
  void write_all_but(const std::string& missing = "") {
    _file_pgm writer;
    for (int r = 0; r < DOT_RESOLUTIONS; ++r)
      for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
        const std::string name =
            "dots_" + std::to_string(s) + "_" + std::to_string(VECRES[r]) + ".pgm";
        if (name == missing) continue;
        _image sheet = sheet_for(r, s);
        ASSERT_EQ(writer.write(dir() + "/dots/" + name, sheet), 1);
      }
  }
};

TEST_F(DotLibrary, AllFifteenSheetsFillSlotsFourToEight) {
  write_all_but();
  testing::internal::CaptureStdout();
  EXPECT_EQ(load_dot_sheets(sheets, 4096, dir()), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reading dots files\n");
  for (int r = 0; r < DOT_RESOLUTIONS; ++r) {
    for (unsigned s = 0; s < unsigned(DOT_SLOTS); ++s) {
      SCOPED_TRACE(testing::Message() << VECRES[r] << " ppi, slot " << s);
      if (s < unsigned(DOT_SIZE_MIN) || s > unsigned(DOT_SIZE_MAX)) {
        EXPECT_EQ(sheets[r][s], nullptr);
        continue;
      }
      ASSERT_NE(sheets[r][s], nullptr);
      const unsigned side = s * unsigned(output_scale(r));
      EXPECT_EQ(sheets[r][s]->width, 11 * side);
      EXPECT_EQ(sheets[r][s]->height, side);
      EXPECT_EQ(fixtures::max_difference(*sheets[r][s], sheet_for(r, s)), 0.0f);
    }
  }
}

// The loader stops at the first missing sheet: the one slot allocated for it stays empty and no
// later file is opened.
TEST_F(DotLibrary, MissingSheetStopsTheLoader) {
  write_all_but("dots_6_600.pgm");
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  EXPECT_EQ(load_dot_sheets(sheets, 4096, dir()), 0);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  for (unsigned s = 4; s <= 8; ++s) EXPECT_NE(sheets[resolution_1200][s], nullptr) << s;
  EXPECT_EQ(sheets[resolution_600][4]->width, 44u * 2);
  EXPECT_EQ(sheets[resolution_600][5]->width, 55u * 2);
  ASSERT_NE(sheets[resolution_600][6], nullptr);
  EXPECT_EQ(sheets[resolution_600][6]->width, 0u);
  EXPECT_EQ(sheets[resolution_600][7], nullptr);
  EXPECT_EQ(sheets[resolution_600][8], nullptr);
  for (unsigned s = 0; s < unsigned(DOT_SLOTS); ++s) EXPECT_EQ(sheets[resolution_300][s], nullptr);
}

TEST_F(DotLibrary, OtherWorkingDirectoryFailsAtTheFirstSheet) {
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  EXPECT_EQ(load_dot_sheets(sheets, 4096, dir() + "/nowhere"), 0);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  ASSERT_NE(sheets[resolution_1200][4], nullptr);
  EXPECT_EQ(sheets[resolution_1200][4]->width, 0u);
  EXPECT_EQ(sheets[resolution_1200][5], nullptr);
}

TEST_F(DotLibrary, SheetAboveTheSizeLimitFails) {
  write_all_but();
  _file_pgm reader;
  int reported = 0;
  reader.on_oversize = [&](int max_size) { reported = max_size; };
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  // The size-4 sheet for 1200 ppi is 176 samples wide.
  EXPECT_EQ(load_dot_sheets(sheets, 175, dir(), reader), 0);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(reported, 175);
  EXPECT_EQ(sheets[resolution_1200][5], nullptr);
}

TEST(Mottle, DefineShapesABlackStrip) {
  _mottle strip;
  strip.define(4, 11);
  EXPECT_EQ(strip.width, 44u);
  EXPECT_EQ(strip.height, 4u);
  EXPECT_EQ(strip.dot_size, 4u);
  EXPECT_EQ(strip.dot_count, 11u);
  ASSERT_EQ(strip.samples.size(), 176u);
  for (float v : strip.samples) ASSERT_EQ(v, 0.0f);

  struct {
    const char* name;
    unsigned size, count;
  } refused[] = {{"size 20", 20, 5}, {"size 0", 0, 5}, {"count 0", 4, 0}};
  for (const auto& c : refused) {
    _mottle unchanged = strip;
    unchanged.define(c.size, c.count);
    EXPECT_EQ(unchanged.width, 44u) << c.name;
    EXPECT_EQ(unchanged.height, 4u) << c.name;
    EXPECT_EQ(unchanged.dot_size, 4u) << c.name;
    EXPECT_EQ(unchanged.dot_count, 11u) << c.name;
    EXPECT_EQ(unchanged.samples.size(), 176u) << c.name;
  }
  _mottle largest;
  largest.define(19, 2);
  EXPECT_EQ(largest.width, 38u);
}

}  // namespace
}  // namespace stippon
