// stippon-batch writing SVG prints: the document's file for the batch's choices, a separated
// print Inkscape reads, and what --verbose says about the pen.
#include <gtest/gtest.h>

#include <functional>

#include "batch_runner.h"
#include "document/stipple_document.h"

namespace stippon::testing {
namespace {

const std::string DATA = STIPPON_DATA_DIR;
const std::string CAMERA = DATA + "/images/camera.pgm";                       // 512 x 512
const std::string PHOTO = STIPPON_TEST_DATA_DIR "/photos/jpeg_baseline.jpg";  // colour

size_t count(const std::string& text, const std::string& what) {
  size_t found = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
  return found;
}

// The batch's file is the document's, dot for dot, for the same choices and seed: black dots, an
// ink's second pen, and a pen for each process ink, whose layers are in the inks' colours and
// which Inkscape finds on the page.
TEST(BatchSvg, WritesTheDocumentsFile) {
  _scratch scratch;
  const std::tuple<std::string, std::vector<std::string>, std::function<void(_document_settings&)>>
      cases[] = {
          {CAMERA, {}, [](_document_settings&) {}},
          {CAMERA,
           {"--image", "color-stippling", "--color", "0,0,255"},
           [](_document_settings& s) {
             s.colour_stippling = true;
             s.ink = _pixel(0, 0, 255, 255);
           }},
          {PHOTO, {"--inks", "cmyk"}, [](_document_settings& s) { s.inks = inks_cmyk; }},
      };
  const std::string batch = scratch / "batch.svg", document = scratch / "document.svg";
  for (const auto& [photo, options, choose] : cases) {
    std::vector<std::string> arguments = {photo,    batch, "--data", DATA,
                                          "--size", "A10", "--seed", "21"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const _batch_result result = run_batch(arguments, scratch);
    ASSERT_EQ(result.status, 0) << result.err;
    _stipple_document doc;
    ASSERT_TRUE(doc.load_dots(DATA));
    _document_settings settings = doc.settings();
    settings.output_size = size_a10;
    choose(settings);
    doc.apply(settings);
    ASSERT_TRUE(doc.read(photo));
    doc.set_seed(21);
    ASSERT_TRUE(doc.write_svg(document, {}).written);
    EXPECT_TRUE(read_file(batch) == read_file(document)) << photo << " " << options.size();
  }
  // The separated print, the last written.
  const std::string file = read_file(batch);
  _cmyk_separation separation;
  ASSERT_TRUE(separation.load(_cmyk_separation::DEFAULT_PROFILE));
  const char* const names[] = {"cyan", "magenta", "yellow", "black"};
  size_t at = 0;
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    const std::string pen = std::to_string(ink + 1);
    at = file.find("<g inkscape:groupmode=\"layer\" id=\"pen-" + pen + "\"", at);
    ASSERT_NE(at, std::string::npos) << pen;
    const std::string head = file.substr(at, file.find('>', at) - at);
    const _pixel c = separation.ink_colour(ink);
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c.r, c.g, c.b);
    for (const std::string& attribute :
         {"inkscape:label=\"Pen " + pen + " " + names[ink] + "\"",
          "fill=\"" + std::string(colour) + "\"", std::string("mix-blend-mode:multiply")})
      EXPECT_NE(head.find(attribute), std::string::npos) << head;
  }
  EXPECT_EQ(count(file, "<g "), 4u);
  const _batch_result query = run_program("inkscape", {"--query-all", batch}, scratch);
  ASSERT_EQ(query.status, 0) << query.err;
  for (int ink = 1; ink <= INK_COUNT; ++ink)
    EXPECT_NE(query.out.find("\npen-" + std::to_string(ink) + ","), std::string::npos) << query.out;
}

// --verbose tells the dots and the pen's travel in metres: row by row, in strips, improved (how
// much shorter each is is the document's, tested with the SVG print).
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
}

}  // namespace
}  // namespace stippon::testing
