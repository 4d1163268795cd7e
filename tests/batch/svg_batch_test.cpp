// stippon-batch writing SVG prints: its options and their misuse, the file it writes and what
// --verbose says about the pen.
#include <gtest/gtest.h>

#include "batch_runner.h"
#include "document/stipple_document.h"

namespace stippon::testing {
namespace {

const std::string DATA = STIPPON_DATA_DIR;
const std::string CAMERA = DATA + "/images/camera.pgm";  // 512 x 512

size_t count(const std::string& text, const std::string& what) {
  size_t found = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
  return found;
}

TEST(BatchSvg, MisusedOptionsExitTwoWritingNothing) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--svg-dots", "lines"}, "--svg-dots must be one of shapes, circles, points"},
      {{"--pen-width", "0"}, "--pen-width 0 is out of range (0.01 to 10 mm)"},
      {{"--pen-width", "0.3mm"}, "--pen-width needs a number"},
      {{"--ppi", "1200"}, "an .svg OUTPUT has no pixels: leave out --ppi"},
      {{"--image", "halftoning"}, "an .svg OUTPUT holds the dots of --image stippling"},
      {{"--image", "color-original"}, "an .svg OUTPUT holds the dots of --image stippling"},
  };
  for (const auto& [options, message] : cases) {
    _scratch scratch;
    std::vector<std::string> arguments = {CAMERA, scratch / "out.svg"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_TRUE(scratch.files().empty()) << message;
  }
  _scratch scratch;
  const _batch_result raster =
      run_batch({CAMERA, scratch / "out.pgm", "--svg-dots", "circles"}, scratch);
  EXPECT_EQ(raster.status, 2);
  EXPECT_NE(raster.err.find("--svg-dots and --pen-width need an .svg OUTPUT"), std::string::npos);
}

// The batch's file is the document's, dot for dot: the same settings and seed give the same
// bytes.
TEST(BatchSvg, WritesTheDocumentsFile) {
  _scratch scratch;
  const _batch_result result = run_batch(
      {CAMERA, scratch / "batch.svg", "--data", DATA, "--size", "A10", "--seed", "21"}, scratch);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  _stipple_document doc;
  ASSERT_TRUE(doc.load_dots(DATA));
  _document_settings settings = doc.settings();
  settings.output_size = size_a10;
  doc.set_settings(settings);
  ASSERT_TRUE(doc.read(CAMERA));
  doc.set_seed(21);
  ASSERT_TRUE(doc.write_svg(scratch / "document.svg", {}).written);
  const std::string file = read_file(scratch / "batch.svg");
  EXPECT_TRUE(file == read_file(scratch / "document.svg"));
  EXPECT_NE(file.find("width=\"26.247mm\" height=\"26.247mm\""), std::string::npos);
  // Colour stippling adds the ink's pen.
  ASSERT_EQ(run_batch({CAMERA, scratch / "colour.SVG", "--data", DATA, "--size", "A10", "--image",
                       "color-stippling", "--color", "0,0,255"},
                      scratch)
                .status,
            0);
  const std::string colour = read_file(scratch / "colour.SVG");
  EXPECT_EQ(count(colour, "inkscape:groupmode=\"layer\""), 2u);
  EXPECT_NE(colour.find("inkscape:label=\"Pen 2 ink #0000ff\" fill=\"#0000ff\""),
            std::string::npos);
}

// --verbose tells the dots and the pen's travel in metres: row by row, in strips, improved.
TEST(BatchSvg, VerboseTellsThePensTravel) {
  _scratch scratch;
  const _batch_result result =
      run_batch({CAMERA, scratch / "points.svg", "--data", DATA, "--size", "A10", "--seed", "4",
                 "--svg-dots", "points", "--pen-width", "0.4", "--verbose"},
                scratch);
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string file = read_file(scratch / "points.svg");
  EXPECT_NE(file.find("stroke-width=\"0.4\""), std::string::npos);
  const size_t dots = count(file, "<path d=\"M");
  EXPECT_NE(result.err.find(std::to_string(dots) + " dots in 1 layer\n"), std::string::npos)
      << result.err;
  double drawn = 0.0, strips = 0.0, improved = 0.0;
  const size_t at = result.err.find("pen-up travel ");
  ASSERT_NE(at, std::string::npos) << result.err;
  ASSERT_EQ(std::sscanf(result.err.c_str() + at,
                        "pen-up travel %lf m row by row, %lf m in strips, %lf m improved\n",
                        &drawn, &strips, &improved),
            3)
      << result.err;
  EXPECT_LT(improved, strips);
  EXPECT_LT(improved, 0.5 * drawn);
}

}  // namespace
}  // namespace stippon::testing
