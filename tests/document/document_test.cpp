// The document without a display: output widths, the texture limit, dot sizes, new grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

#include "document/stipple_document.h"
#include "image/scratch.h"
#include "print/raster_file.h"

namespace stippon::testing {
namespace {

bool same_samples(const _image& a, const _image& b) {
  return a.width == b.width && a.height == b.height && a.samples == b.samples;
}

class Document : public ::testing::Test {
 protected:
  scratch_dir scratch;
  _stipple_document doc;
  int fallbacks = 0;
  std::vector<bool> grids;

  void SetUp() override {
    ASSERT_TRUE(doc.load_dots(STIPPON_DATA_DIR));
    ASSERT_TRUE(doc.load_tones(STIPPON_DATA_DIR));
    doc.on_texture_fallback = [this] { ++fallbacks; };
    doc.on_grid = [this](bool enlarged) { grids.push_back(enlarged); };
    change([](_document_settings& s) { s.output_size = size_a10; });  // keeps every run small
  }

  void change(const std::function<void(_document_settings&)>& edit) {
    _document_settings settings = doc.settings();
    edit(settings);
    doc.set_settings(settings);
  }

  // A grey ramp with a dark disc, so that halftone and borders have something to work on.
  std::string pgm(const std::string& name, unsigned width, unsigned height) {
    _image image;
    image.dimensions(height, width);
    image.create(true);
    for (unsigned r = 0; r < height; ++r)
      for (unsigned c = 0; c < width; ++c) {
        const float dx = c - width / 2.0f, dy = r - height / 2.0f;
        image.put(r, c, dx * dx + dy * dy < height * height / 16.0f ? 30.0f : (c * 255) / width);
      }
    EXPECT_EQ(write_pgm(scratch / name, image), "");
    return scratch / name;
  }

  void load(unsigned width, unsigned height, _output_size size = size_optimal) {
    change([size](_document_settings& s) { s.output_size = size; });
    ASSERT_TRUE(doc.read(pgm("input.pgm", width, height)));
  }
  unsigned preview_width() const { return doc.preview().width; }
  unsigned preview_height() const { return doc.preview().height; }
};

// The output width on reading and on choosing a size, for each kind of size; the sheets' own
// sizes are checked by the geometry and batch tests.
TEST_F(Document, OutputWidths) {
  // "Custom" without a preview starts at the input scale: a plain copy of the input.
  change([](_document_settings& s) { s.stipple.scale_factor = 2.0f; });
  load(50, 40, size_custom);
  EXPECT_EQ(preview_width(), 100u);
  EXPECT_EQ(preview_height(), 80u);
  EXPECT_TRUE(same_samples(doc.original(), doc.input()));
  // "Optimal for input": three output pixels per input pixel, whatever the packing factor.
  load(100, 80, size_optimal);
  EXPECT_EQ(preview_width(), 300u);
  EXPECT_EQ(preview_height(), 240u);
  // "Custom" keeps the width of the current preview for the next input.
  load(60, 40, size_custom);
  EXPECT_EQ(preview_width(), 300u);
  EXPECT_EQ(preview_height(), 200u);
  // Choosing a sheet, and then a new packing, which changes the cells, not the print's size.
  load(1000, 10);
  doc.set_size(size_a4);
  EXPECT_EQ(preview_width(), 3506u);
  ASSERT_TRUE(doc.set_scale_factor(2.5f));
  EXPECT_EQ(preview_width(), 3506u);
  doc.set_size(size_custom);  // nothing until a width or a height is typed
  EXPECT_EQ(preview_width(), 3506u);

  EXPECT_EQ(fallbacks, 0);
}

// An edge of the preview over the texture limit falls back to the input scale or, when that is
// too large as well, to the largest size that fits both edges; the limit itself is accepted.
TEST_F(Document, SizesOverTheTextureLimit) {
  load(100, 80, size_custom);
  doc.set_units(units_pixels);
  doc.set_texture_limit(1000);
  doc.set_width(1001.0f);
  EXPECT_EQ(preview_width(), 300u);
  doc.set_width(1000.0f);
  EXPECT_EQ(preview_width(), 1000u);

  // A tall input: the kept width would be 10000 high, even 60 (no resampling) 600.
  doc.set_texture_limit(500);
  load(20, 200, size_custom);
  EXPECT_EQ(preview_width(), 50u);
  EXPECT_EQ(preview_height(), 500u);
  doc.set_size(size_a4);  // a sheet size is checked the same way: 350 x 3506
  EXPECT_EQ(preview_width(), 50u);
  EXPECT_EQ(preview_height(), 500u);
  EXPECT_EQ(fallbacks, 3);  // 1001 wide, the tall input, the sheet
}

// A dot size that would cross the other end of its pair takes that end; a size beyond the loaded
// sheets is clamped.
TEST_F(Document, DotSizesKeepEachPairOrdered) {
  load(40, 30);
  change([](_document_settings& s) { s.stipple.low_density_max = s.stipple.high_density_max = 6; });
  EXPECT_EQ(doc.set_dot_size(dot_low_density_min, 8), 6);
  EXPECT_EQ(doc.set_dot_size(dot_high_density_min, 5), 5);
  EXPECT_EQ(doc.set_dot_size(dot_high_density_max, 4), 5);
  EXPECT_EQ(doc.set_dot_size(dot_high_density_max, 25), DOT_SIZE_MAX);
  EXPECT_EQ(doc.set_dot_size(dot_low_density_max, 1), 6);
  EXPECT_EQ(doc.settings().stipple.low_density_min, 6);
}

// Each new grid reports whether the input had to be enlarged and starts over in the default ink;
// the colour-stippled picture follows the preview's size and the ink.
TEST_F(Document, NewGridsAndTheColourPicture) {
  load(100, 80, size_a10);  // 438 wide: 146 cells, the input enlarged
  EXPECT_EQ(grids, std::vector<bool>{true});
  doc.set_ink(_pixel(0, 0, 255, 255));
  doc.set_colour_stippling(true);
  EXPECT_EQ(doc.colour_stippled().width, preview_width());
  size_t inked = std::count(doc.colour_stippled().texels.begin(),
                            doc.colour_stippled().texels.end(), _pixel(255, 255, 255, 255));
  EXPECT_LT(inked, doc.colour_stippled().texels.size());
  doc.set_scale_factor(6.0f);  // 73 cells: no enlargement, the ink back to red
  EXPECT_EQ(grids, (std::vector<bool>{true, false}));
  EXPECT_EQ(doc.colour_field().get(0, 0), DEFAULT_INK);
  EXPECT_EQ(doc.colour_stippled().width, preview_width());
}

}  // namespace
}  // namespace stippon::testing
