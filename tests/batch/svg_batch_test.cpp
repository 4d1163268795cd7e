// stippon-batch writing SVG prints: the file it writes and what --verbose says about the pen.
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
  doc.apply(settings);
  ASSERT_TRUE(doc.read(CAMERA));
  doc.set_seed(21);
  ASSERT_TRUE(doc.write_svg(scratch / "document.svg", {}).written);
  const std::string file = read_file(scratch / "batch.svg");
  EXPECT_TRUE(file == read_file(scratch / "document.svg"));
  // Colour stippling adds the ink's pen.
  ASSERT_EQ(run_batch({CAMERA, scratch / "colour.SVG", "--data", DATA, "--size", "A10", "--image",
                       "color-stippling", "--color", "0,0,255"},
                      scratch)
                .status,
            0);
  EXPECT_NE(read_file(scratch / "colour.SVG").find("inkscape:label=\"Pen 2 ink #0000ff\""),
            std::string::npos);
}

// A separated print: a pen a process ink, each layer in its ink's colour, which Inkscape reads;
// the batch's SVG and TIFF are the document's bytes.
TEST(BatchSvg, CmykInksArePensInkscapeReads) {
  _scratch scratch;
  const std::string photo = std::string(STIPPON_TEST_DATA_DIR) + "/photos/jpeg_baseline.jpg";
  const std::vector<std::string> common = {"--data", DATA, "--size", "A10",
                                           "--seed", "5",  "--inks", "cmyk"};
  for (const char* name : {"batch.svg", "batch.tif"}) {
    std::vector<std::string> arguments = {photo, scratch / name};
    arguments.insert(arguments.end(), common.begin(), common.end());
    const _batch_result result = run_batch(arguments, scratch);
    ASSERT_EQ(result.status, 0) << result.err;
  }
  _stipple_document doc;
  ASSERT_TRUE(doc.load_dots(DATA));
  _document_settings settings = doc.settings();
  settings.output_size = size_a10;
  settings.inks = inks_cmyk;
  doc.apply(settings);
  ASSERT_TRUE(doc.read(photo));
  doc.set_seed(5);
  ASSERT_TRUE(doc.write_svg(scratch / "document.svg", {}).written);
  ASSERT_TRUE(
      doc.write_print(scratch / "document.tif", resolution_300, list_stippling, false).written);
  const std::string file = read_file(scratch / "batch.svg");
  EXPECT_TRUE(file == read_file(scratch / "document.svg"));
  EXPECT_TRUE(read_file(scratch / "batch.tif") == read_file(scratch / "document.tif"));

  _cmyk_separation separation;
  ASSERT_TRUE(separation.load(_cmyk_separation::DEFAULT_PROFILE));
  const char* const names[] = {"cyan", "magenta", "yellow", "black"};
  size_t at = 0;
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    const std::string pen = std::to_string(ink + 1);
    at = file.find("<g inkscape:groupmode=\"layer\" id=\"pen-" + pen + "\"", at);
    ASSERT_NE(at, std::string::npos) << pen;
    const std::string head = file.substr(at, file.find('>', at) - at);
    EXPECT_NE(head.find("inkscape:label=\"Pen " + pen + " " + names[ink] + "\""), std::string::npos)
        << head;
    const _pixel c = separation.ink_colour(ink);
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c.r, c.g, c.b);
    EXPECT_NE(head.find("fill=\"" + std::string(colour) + "\""), std::string::npos) << head;
    EXPECT_NE(head.find("mix-blend-mode:multiply"), std::string::npos) << head;
  }
  EXPECT_EQ(count(file, "<g "), 4u);
  // Inkscape finds every layer, each with its dots' extent on the page.
  const _batch_result query =
      run_program("inkscape", {"--query-all", scratch / "batch.svg"}, scratch);
  ASSERT_EQ(query.status, 0) << query.err;
  for (int ink = 1; ink <= INK_COUNT; ++ink)
    EXPECT_NE(query.out.find("\npen-" + std::to_string(ink) + ","), std::string::npos) << query.out;
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
                        "pen-up travel %lf m row by row, %lf m in strips, %lf m improved\n", &drawn,
                        &strips, &improved),
            3)
      << result.err;
  EXPECT_LT(improved, strips);
  EXPECT_LT(improved, 0.5 * drawn);
}

}  // namespace
}  // namespace stippon::testing
