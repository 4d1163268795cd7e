// CMYK prints of the document: each ink's dots cover a flat patch as its separation says, the
// files hold the inks as independent tools read them, and threads change no byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/document_fixtures.h"
#include "print/print_files.h"

namespace stippon::testing {
namespace {

constexpr unsigned PATCH = 50;  // pixels of the photograph
constexpr unsigned COLUMNS = 4, ROWS = 2;
constexpr float ENLARGEMENT = 5.0f;
// Colours whose inks the dots reach: their cover stops short of solid.
const _pixel PATCHES[ROWS][COLUMNS] = {
    {{200, 200, 200}, {128, 128, 128}, {60, 60, 60}, {220, 135, 115}},
    {{90, 130, 210}, {240, 225, 150}, {60, 140, 70}, {220, 170, 140}}};

class CmykPrint : public ::testing::Test {
 protected:
  scratch_dir scratch;
  _stipple_document doc;

  void SetUp() override {
    // Flat patches of greys and colours, the top row first as a PPM holds them.
    std::string ppm =
        "P6\n" + std::to_string(COLUMNS * PATCH) + " " + std::to_string(ROWS * PATCH) + "\n255\n";
    for (unsigned y = 0; y < ROWS * PATCH; ++y)
      for (unsigned x = 0; x < COLUMNS * PATCH; ++x) {
        const _pixel p = PATCHES[y / PATCH][x / PATCH];
        ppm += {char(p.r), char(p.g), char(p.b)};
      }
    write_file(scratch / "patches.ppm", ppm);
    ASSERT_TRUE(doc.load_dots(STIPPON_DATA_DIR));
    ASSERT_TRUE(doc.load_tones(STIPPON_DATA_DIR));
    _document_settings settings = doc.settings();
    settings.output_size = size_custom;
    settings.width = COLUMNS * PATCH * ENLARGEMENT;
    settings.inks = inks_cmyk;
    doc.apply(settings);
    doc.set_seed(7);
    ASSERT_TRUE(doc.read(scratch / "patches.ppm"));
  }
};

// Away from the patches' edges each ink covers what the separation asks, within 4 levels, with
// its dots on the grid or relaxed: a placement chosen after the photograph calibrates the inks
// again. Relaxed dots lean towards a darker neighbour, so a quarter of a patch is left at its
// edges.
TEST_F(CmykPrint, EachInkCoversItsSeparation) {
  _cmyk_separation separation;
  ASSERT_TRUE(separation.load(_cmyk_separation::DEFAULT_PROFILE));
  for (const _placement placement : {placement_grid, placement_relaxed}) {
    SCOPED_TRACE(placement == placement_grid ? "grid" : "relaxed");
    _document_settings settings = doc.settings();
    settings.stipple.placement = placement;
    doc.apply(settings);
    const std::string file = scratch / "inks.tif";
    const _print_result result = doc.write_print(file, resolution_300, list_stippling, false);
    ASSERT_TRUE(result.written) << result.error;
    const unsigned width = result.width, side = unsigned(PATCH * ENLARGEMENT);
    ASSERT_EQ(width, COLUMNS * side);
    ASSERT_EQ(result.height, ROWS * side);
    const std::vector<uint8_t> samples = tiff_samples(file);
    ASSERT_EQ(samples.size(), size_t(width) * result.height * INK_COUNT);
    const unsigned margin = side / 4;
    for (unsigned row = 0; row < ROWS; ++row)
      for (unsigned column = 0; column < COLUMNS; ++column) {
        const _pixel colour = PATCHES[row][column];
        const _ink_amounts wanted = separation.inks_of(colour);
        double sum[INK_COUNT] = {};
        size_t count = 0;
        for (unsigned y = row * side + margin; y < (row + 1) * side - margin; ++y)
          for (unsigned x = column * side + margin; x < (column + 1) * side - margin; ++x, ++count)
            for (int ink = 0; ink < INK_COUNT; ++ink)
              sum[ink] += samples[(size_t(y) * width + x) * INK_COUNT + ink];
        for (int ink = 0; ink < INK_COUNT; ++ink)
          EXPECT_NEAR(sum[ink] / double(count), wanted[ink], 4.0)
              << "ink " << ink << " of " << int(colour.r) << "," << int(colour.g) << ","
              << int(colour.b);
      }
  }
}

// The PNG is the inks' colour on paper, the picture the window shows; the PDF holds the inks
// (the writers' tests check the page and the TIFF's tags); one thread or two write the same bytes.
TEST_F(CmykPrint, FilesAndThreads) {
  ASSERT_TRUE(
      doc.write_print(scratch / "colour.png", resolution_300, list_stippling, false).written);
  const _texture& shown = doc.colour_stippled();
  raster expected{shown.width, shown.height, 3, {}};
  for (unsigned y = shown.height; y-- > 0;)
    for (unsigned x = 0; x < shown.width; ++x) {
      const _pixel p = shown.get(y, x);
      expected.samples.insert(expected.samples.end(), {p.r, p.g, p.b});
    }
  EXPECT_TRUE(read_back(_print_format::png, scratch / "colour.png", {}, scratch) == expected);

  ASSERT_TRUE(doc.write_print(scratch / "inks.pdf", resolution_600, list_stippling, false).written);
  const std::string list = output_of("pdfimages -list '" + scratch / "inks.pdf" + "'");
  EXPECT_NE(list.find("2000  1000  cmyk    4   8  image"), std::string::npos) << list;

  for (const char* name : {"a.tif", "a.png"}) {
    doc.set_threads(1);
    ASSERT_TRUE(doc.write_print(scratch / name, resolution_600, list_stippling, false).written);
    doc.set_threads(2);
    ASSERT_TRUE(
        doc.write_print(scratch / "2" + name, resolution_600, list_stippling, false).written);
    EXPECT_EQ(read_file(scratch / name), read_file(scratch / "2" + name)) << name;
  }
}

}  // namespace
}  // namespace stippon::testing
