// Sheet sizes: the largest print that fits the sheet turned like the photograph, a square one
// landscape. The print is the preview trunc(w) x trunc(w / (W / H)) in single precision.
#include <gtest/gtest.h>

#include <cmath>

#include "document/output_geometry.h"

namespace stippon::testing {
namespace {

// A4 .. A10 in pixels at 300 ppi, long side first.
const unsigned SHEETS[7][2] = {{3506, 2480}, {2480, 1753}, {1753, 1240}, {1240, 876},
                               {876, 620},   {620, 438},   {438, 310}};

float sheet_target(unsigned W, unsigned H, int size) {
  return _output_geometry(W, H, 3.0f, DEFAULT_TEXTURE_LIMIT).target_width(_output_size(size));
}

TEST(SheetFit, ExactPrintSizes) {
  struct _row {
    const char* name;
    unsigned W, H;
    _output_size size;
    unsigned width, height;
  };
  const _row rows[] = {
      {"square A4: the landscape sheet's height", 512, 512, size_a4, 2480, 2480},
      {"square A10", 512, 512, size_a10, 310, 310},
      {"landscape 3:2 A4: the sheet's width", 60, 40, size_a4, 3506, 2337},
      {"landscape 4:3 A4: the sheet's height", 80, 60, size_a4, 3307, 2480},
      {"landscape 4:3 A10", 80, 60, size_a10, 414, 310},
      {"barely landscape A4: one pixel wider than high", 4001, 4000, size_a4, 2481, 2480},
      {"portrait 3:4 A4: the portrait sheet's width", 30, 40, size_a4, 2480, 3306},
      {"portrait 2:3 A4: w = 2337 would be 3505 high", 40, 60, size_a4, 2337, 3506},
      {"portrait 2:3 A10", 40, 60, size_a10, 292, 438},
      // 3506 x 2 / 7 = 1001.7, yet 1002 is still 3506 high in single precision.
      {"portrait 2:7 A4", 2, 7, size_a4, 1002, 3506},
      // 3506 x 0.08 rounds to a w that is 3505 high: the next float up is needed.
      {"portrait 2:25 A4", 2, 25, size_a4, 280, 3506},
  };
  for (const _row& row : rows) {
    const _preview_size print = preview_size(sheet_target(row.W, row.H, row.size), row.W, row.H);
    EXPECT_EQ(print.width, row.width) << row.name;
    EXPECT_EQ(print.height, row.height) << row.name;
  }
}

// Shapes from 3:1 to 1:3 on every sheet: both edges within the sheet; below the sheet's width one
// more pixel of width is too high and the height is the sheet's; w is the least that makes its
// print, a whole number wherever a whole number makes it.
TEST(SheetFit, EveryShapeOnEverySheet) {
  for (int size = size_a4; size <= size_a10; ++size)
    for (unsigned n = 100; n <= 900; ++n)
      for (const auto& [W, H] : {std::pair{300u, n}, std::pair{n, 300u}}) {
        const unsigned across = SHEETS[size][W >= H ? 0 : 1];
        const unsigned down = SHEETS[size][W >= H ? 1 : 0];
        const float w = sheet_target(W, H, size);
        const _preview_size print = preview_size(w, W, H);
        const std::string where_text = std::to_string(W) + " x " + std::to_string(H);
        const auto where = [&where_text] { return where_text; };
        EXPECT_LE(print.width, across) << where();
        EXPECT_LE(print.height, down) << where();
        if (print.width < across) {
          EXPECT_GT(preview_size(print.width + 1.0f, W, H).height, down) << where();
          EXPECT_EQ(print.height, down) << where();
        }
        if (preview_size(std::trunc(w), W, H).height == print.height)
          EXPECT_EQ(w, std::trunc(w)) << where();
        else
          EXPECT_LT(preview_size(std::nextafter(w, 0.0f), W, H).height, print.height) << where();
      }
}

}  // namespace
}  // namespace stippon::testing
