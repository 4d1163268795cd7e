// The document's prints and stippling on 1, 2 and 3 threads: the same files byte for byte (for a
// PDF, the same image), which independent decoders read back as the PGM's samples; the preview
// the window's worker draws is the same too, and a cancel stops a threaded print.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/document_fixtures.h"
#include "print/print_files.h"
#include "stipple/stipple_fixtures.h"

namespace stippon::testing {
namespace {

// A print file's pixels as independent tools decode them.
raster decoded(const std::string& file, const scratch_dir& scratch) {
  return read_back(*print_format_of(file), file, {}, scratch);
}

class Threads : public ::testing::Test {
 protected:
  scratch_dir scratch;
  _stipple_document doc;

  void SetUp() override { prepare(doc, 7, a9()); }
  void change(const _settings_change& change) { edit(doc, change); }

  // The file written on 1, 2 and 3 threads; the bytes of the first, and whether the others match.
  std::string written(const std::string& name, _resolution_position resolution, int position,
                      bool toned) {
    std::string first;
    for (unsigned threads : {1u, 2u, 3u}) {
      doc.set_threads(threads);
      const std::string file = scratch / (std::to_string(threads) + name);
      const _print_result result = doc.write_print(file, resolution, position, toned);
      EXPECT_TRUE(result.written) << result.error;
      // A PDF's bytes hold the time it was made: its image is compared.
      std::string bytes = read_file(file);
      if (name.ends_with(".pdf")) {
        const std::vector<uint8_t> samples = decoded(file, scratch).samples;
        bytes.assign(samples.begin(), samples.end());
      }
      if (threads == 1) first = bytes;
      EXPECT_TRUE(bytes == first) << name << " on " << threads << " threads";
    }
    return scratch / ("1" + name);
  }
};

TEST_F(Threads, SamePrintsOnAnyNumberOfThreads) {
  // Grey at 1200 ppi: 1752 rows of 1752 bytes, in 28 bands, 3 TIFF strips, 3 deflate blocks.
  const raster pgm = decoded(written("grey.pgm", resolution_1200, list_stippling, false), scratch);
  ASSERT_TRUE(pgm.width == 1752 && pgm.height == 1752 && pgm.channels == 1);
  for (const char* name : {"grey.png", "grey.tif", "grey.pdf"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(decoded(written(name, resolution_1200, list_stippling, false), scratch) == pgm);
  }
  // Black and white: packed rows, Group 4 strips.
  change([](_document_settings& s) { s.device = device_black_white; });
  const raster bilevel =
      decoded(written("bw.pgm", resolution_1200, list_stippling, false), scratch);
  for (const char* name : {"bw.png", "bw.tif", "bw.pdf"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(decoded(written(name, resolution_1200, list_stippling, false), scratch) == bilevel);
  }
  // A tone: RGB rows; the colour-stippled picture: colour bands.
  change([](_document_settings& s) {
    s.device = device_color_tones;
    s.tone = 5;
  });
  ASSERT_EQ(doc.settings().tone, 5);
  const raster toned = decoded(written("toned.png", resolution_600, list_stippling, true), scratch);
  EXPECT_TRUE(decoded(written("toned.tif", resolution_600, list_stippling, true), scratch) ==
              toned);
  change([](_document_settings& s) { s.colour_stippling = true; });
  const raster colour =
      decoded(written("colour.png", resolution_600, list_color_stippling, false), scratch);
  EXPECT_TRUE(decoded(written("colour.pdf", resolution_600, list_color_stippling, false),
                      scratch) == colour);
  // The SVG is drawn from the same dots.
  std::string svg;
  for (unsigned threads : {1u, 2u, 3u}) {
    doc.set_threads(threads);
    ASSERT_TRUE(doc.write_svg(scratch / "print.svg", {}).written);
    if (threads == 1) svg = read_file(scratch / "print.svg");
    EXPECT_TRUE(read_file(scratch / "print.svg") == svg) << threads << " threads";
  }
}

// The preview and the colour-stippled picture, as a run of the window's worker draws them on a
// copy of the document.
TEST_F(Threads, SamePreviewOnAnyNumberOfThreads) {
  change([](_document_settings& s) { s.colour_stippling = true; });
  _image preview;
  _texture colour;
  for (unsigned threads : {1u, 2u, 3u}) {
    doc.set_threads(threads);
    doc.defer_work(true);
    change([](_document_settings& s) { s.stipple.displacement = 0.5f; });
    const _document_work work = doc.take_work();
    std::unique_ptr<_stipple_document> copy = doc.worker_copy(work);
    _work_control control;
    ASSERT_TRUE(copy->run_work(work, control));
    doc.adopt_work(std::move(*copy), work);
    doc.defer_work(false);
    if (threads == 1) {
      preview = doc.preview();
      colour = doc.colour_stippled();
      ASSERT_LT(fixtures::mean_sample(preview), 250.0) << "the photograph was stippled";
    }
    EXPECT_TRUE(doc.preview().samples == preview.samples) << threads << " threads";
    EXPECT_TRUE(doc.colour_stippled().texels == colour.texels) << threads << " threads";
  }
}

// A cancel during a print on three threads stops it at once: no file, the older one kept.
TEST_F(Threads, CancelStopsAThreadedPrint) {
  doc.set_threads(3);
  for (const char* name : {"cancel.pgm", "cancel.png", "cancel.tif", "cancel.pdf"}) {
    SCOPED_TRACE(name);
    write_file(scratch / name, "older");
    unsigned calls = 0;
    const _print_result result = doc.write_print(scratch / name, resolution_1200, list_stippling,
                                                 false, [&](unsigned done, unsigned) {
                                                   ++calls;
                                                   return done < 128;
                                                 });
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.error, "Cancelled");
    EXPECT_EQ(calls, 2u) << "two bands of 64 rows";
    EXPECT_EQ(read_file(scratch / name), "older");
  }
  EXPECT_EQ(scratch.files().size(), 4u);
}

}  // namespace
}  // namespace stippon::testing
