#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <string>

#include "print/raster_file.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// A dots folder of synthetic sheets in a temporary directory, loaded whole, over the size limit,
// and with sheets taken away. The loader stops at the first sheet it cannot read: the one slot
// allocated for it stays empty and no later file is opened.
TEST(DotLibrary, LoadsAllFifteenSheetsOrStopsAtTheFirstItCannotRead) {
  auto sheet_for = [](int r, unsigned s) {
    return noise_sheet(s * output_scale(r), 11, s * 3 + r);
  };
  QTemporaryDir root;
  ASSERT_TRUE(QDir(root.path()).mkdir("dots"));
  const std::string dir = root.path().toStdString();
  for (int r = 0; r < DOT_RESOLUTIONS; ++r)
    for (unsigned s = DOT_SIZE_MIN; s <= DOT_SIZE_MAX; ++s) {
      _image sheet = sheet_for(r, s);
      const std::string name = "/dots/dots_" + std::to_string(s) + "_" + std::to_string(VECRES[r]);
      ASSERT_EQ(write_pgm(dir + name + ".pgm", sheet), "");
    }
  _dot_sheets sheets;
  std::string printed;
  auto load = [&](int max_size, const std::function<void(int)>& on_oversize = {}) {
    testing::internal::CaptureStdout();
    const int result = sheets.load(max_size, dir, on_oversize);
    printed = testing::internal::GetCapturedStdout();
    return result;
  };

  EXPECT_EQ(load(4096), 1);
  EXPECT_EQ(printed, "");  // the core prints nothing: standard output may carry a picture
  for (int r = 0; r < DOT_RESOLUTIONS; ++r)
    for (int s = 0; s < DOT_SLOTS; ++s)
      if (s < DOT_SIZE_MIN || s > DOT_SIZE_MAX)
        EXPECT_EQ(sheets.sheet(r, s), nullptr) << r << ", " << s;
      else
        EXPECT_EQ(differences(*sheets.sheet(r, s), sheet_for(r, unsigned(s))), 0u)
            << r << ", " << s;

  int reported = 0;
  EXPECT_EQ(load(175, [&](int max_size) { reported = max_size; }),
            0);  // the size-4 sheet for 1200 ppi is 176 samples wide
  EXPECT_EQ(reported, 175);
  EXPECT_EQ(sheets.sheet(resolution_1200, 5), nullptr);

  ASSERT_TRUE(QFile::remove(root.path() + "/dots/dots_6_600.pgm"));
  EXPECT_EQ(load(4096), 0);
  EXPECT_EQ(sheets.sheet(resolution_600, 5)->width, 55u * 2);
  ASSERT_NE(sheets.sheet(resolution_600, 6), nullptr);
  EXPECT_EQ(sheets.sheet(resolution_600, 6)->width, 0u);
  EXPECT_EQ(sheets.sheet(resolution_600, 7), nullptr);
  EXPECT_EQ(sheets.sheet(resolution_300, 4), nullptr);
}

}  // namespace
}  // namespace stippon
