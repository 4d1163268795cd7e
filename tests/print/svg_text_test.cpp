// The text of vector files: numbers in fixed point free of the locale, written in blocks; and the
// SVG print file, whose layers of shapes larger than a reader's attribute limit are split into
// paths that librsvg reads.
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "image/scratch.h"
#include "print/print_svg.h"
#include "print/svg_text.h"

namespace stippon {
namespace {

using namespace testing;

std::string formatted(int64_t value, bool compact) {
  char out[_svg_text::NUMBER_BYTES];
  return std::string(out, _svg_text::format_thousandths(out, value, compact));
}

// Coordinates in fixed point, compact where path data allows, rounded once.
TEST(SvgText, NumbersInThousandths) {
  // name, thousandths, plain, compact (as path data may have it)
  const std::tuple<const char*, int64_t, const char*, const char*> cases[] = {
      {"zero", 0, "0", "0"},
      {"whole", 2000, "2", "2"},
      {"trailing zeros dropped", 12300, "12.3", "12.3"},
      {"inner zero kept", 12030, "12.03", "12.03"},
      {"below one", 500, "0.5", ".5"},
      {"one thousandth", 1, "0.001", ".001"},
      {"negative below one", -5, "-0.005", "-.005"},
      {"page width", 419946, "419.946", "419.946"},
      {"most negative", INT64_MIN, "-9223372036854775.808", "-9223372036854775.808"},
  };
  for (const auto& [name, value, plain, compact] : cases) {
    EXPECT_EQ(formatted(value, false), plain) << name;
    EXPECT_EQ(formatted(value, true), compact) << name;
  }
  // Rounded half away from zero, once.
  const std::pair<double, int64_t> rounding[] = {
      {0.0005, 1}, {-0.0005, -1}, {0.00049, 0}, {1.2344999, 1234}, {146.05, 146050}};
  for (const auto& [value, thousandths] : rounding)
    EXPECT_EQ(_svg_text::round_thousandths(value), thousandths) << value;
  // The plain rounding, on halves, their neighbours, lengths of any page and beyond it.
  std::mt19937_64 random(5);
  std::vector<double> values = {0.49999999999999994 / 1000.0,
                                -0.49999999999999994 / 1000.0,
                                4503599627370.4995,
                                -4503599627370.4995,
                                1e300,
                                -1e300};
  for (int k = -3000; k <= 3000; ++k)
    for (const double near : {-1e-12, 0.0, 1e-12}) values.push_back((k + 0.5) / 1000.0 + near);
  for (int i = 0; i < 100000; ++i)
    values.push_back(std::uniform_real_distribution<double>(-2000.0, 2000.0)(random));
  for (const double value : values)
    ASSERT_EQ(_svg_text::round_thousandths(value), std::llround(value * 1000.0)) << value;
}

// What is written is the text given, also across blocks and for texts longer than a block, and
// whatever the locale says a decimal point is.
TEST(SvgText, WritesInBlocks) {
  scratch_dir scratch;
  const std::string name = scratch / "text.svg";
  const char* locale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  std::string expected;
  FILE* file = std::fopen(name.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  {
    _svg_text text(file);
    for (int i = 0; i < 300000; ++i) {
      text.text("<circle cx=\"").fixed(i * 0.001).text("\"/>\n");
      expected += "<circle cx=\"" + formatted(i, false) + "\"/>\n";
    }
    const std::string long_text(3u << 20, 'x');
    text.text(long_text).whole(-42);
    expected += long_text + "-42";
    EXPECT_TRUE(text.flush());
    EXPECT_EQ(text.bytes(), expected.size());
  }
  std::fclose(file);
  if (locale != nullptr) std::setlocale(LC_NUMERIC, "C");
  EXPECT_TRUE(read_file(name) == expected);
}

// A full disk, or no file at all, is reported rather than taken for a written print.
TEST(SvgText, FailedWritesAreReported) {
  FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  _svg_text text(full);
  text.text("<svg/>");
  EXPECT_FALSE(text.flush());
  EXPECT_FALSE(text.good());
  EXPECT_EQ(text.error_number(), ENOSPC);
  std::fclose(full);
  _svg_text nowhere(nullptr);
  EXPECT_FALSE(nowhere.text("x").flush());
}

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
