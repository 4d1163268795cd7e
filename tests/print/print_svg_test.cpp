// The SVG print file: a layer of shapes larger than a reader's attribute limit is split into
// paths that librsvg reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/scratch.h"
#include "print/print_svg.h"

namespace stippon {
namespace {

using namespace testing;

// The exit status of a command whose output is not wanted.
int status_of(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

// Some 30 megabytes of shapes in one layer. librsvg refuses an attribute of ten megabytes, and
// stops on long files of paths of a megabyte too.
TEST(PrintSvg, LargeShapeLayersAreSplitIntoPathsLibrsvgReads) {
  scratch_dir scratch;
  const std::string name = scratch / "shapes.svg";
  constexpr int64_t SIDE = 100000;  // 100 mm
  constexpr int STEP = 400;         // a dot every 0.4 mm
  // A square dot of 0.2 mm traced in many short steps, as a real outline is.
  std::string outline = "l";
  const int64_t steps[4][2] = {{10, 0}, {0, 10}, {-10, 0}, {0, -10}};
  for (const auto& [x, y] : steps)
    for (int i = 0; i < 20; ++i) {
      _print_svg::path_number(outline, x, outline.size() > 1);
      _print_svg::path_number(outline, y, true);
    }
  outline += "z";
  _print_svg svg;
  ASSERT_TRUE(svg.open(name, SIDE, SIDE, svg_shapes, 0.3));
  svg.begin_layer(1, _pixel(0, 0, 0));
  svg.begin_shapes();
  size_t dots = 0;
  for (int64_t y = STEP; y < SIDE; y += STEP)
    for (int64_t x = STEP; x < SIDE; x += STEP, ++dots) svg.shape(x, y, outline);
  svg.end_shapes();
  svg.end_layer();
  ASSERT_TRUE(svg.commit());

  const std::string text = read_file(name);
  ASSERT_GT(text.size(), size_t(15000000));
  std::vector<size_t> lengths;
  size_t moves = 0;
  for (size_t at = text.find("<path d=\""); at != std::string::npos;
       at = text.find("<path d=\"", at + 1)) {
    const size_t start = at + 9, end = text.find('"', start);
    const std::string data = text.substr(start, end - start);
    lengths.push_back(data.size());
    for (const char c : data) moves += c == 'M';
    EXPECT_EQ(data.front(), 'M');
    EXPECT_EQ(data.back(), 'z');
  }
  EXPECT_EQ(moves, dots);
  // Every path full but the last: split only where the next dot would not fit.
  ASSERT_GT(lengths.size(), 15u);
  for (size_t i = 0; i < lengths.size(); ++i) {
    EXPECT_LE(lengths[i], size_t(_print_svg::PATH_BYTES)) << i;
    if (i + 1 < lengths.size()) {
      EXPECT_GT(lengths[i], size_t(_print_svg::PATH_BYTES) - 2 * outline.size() - 66) << i;
    }
  }
  // Drawn small: the reader only has to accept the file.
  EXPECT_EQ(status_of("rsvg-convert --dpi-x 10 --dpi-y 10 --output '" + scratch / "shapes.png" +
                      "' '" + name + "'"),
            0);
  EXPECT_EQ(status_of("pngtopam '" + scratch / "shapes.png" + "'"), 0);
}

}  // namespace
}  // namespace stippon
