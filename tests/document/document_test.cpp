// The document without a display: output widths, the texture limit, dot sizes, new grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>

#include "document/document_fixtures.h"
#include "print/raster_file.h"

namespace stippon::testing {
namespace {

class Document : public ::testing::Test {
 protected:
  scratch_dir scratch;
  _stipple_document doc;
  int fallbacks = 0;

  void SetUp() override {
    ASSERT_TRUE(doc.load_dots(STIPPON_DATA_DIR));
    ASSERT_TRUE(doc.load_tones(STIPPON_DATA_DIR));
    doc.on_texture_fallback = [this] { ++fallbacks; };
    change([](_document_settings& s) { s.output_size = size_a10; });  // keeps every run small
  }

  void change(const _settings_change& change) { edit(doc, change); }

  void load(unsigned width, unsigned height, _output_size size = size_optimal) {
    change([size](_document_settings& s) { s.output_size = size; });
    write_ramp(scratch / "input.pgm", width, height);
    ASSERT_TRUE(doc.read(scratch / "input.pgm"));
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
  change([](_document_settings& s) { s.output_size = size_a4; });
  EXPECT_EQ(preview_width(), 3506u);
  change([](_document_settings& s) { s.stipple.scale_factor = 2.5f; });
  EXPECT_EQ(preview_width(), 3506u);
  change([](_document_settings& s) { s.output_size = size_custom; });  // nothing until a width
  EXPECT_EQ(preview_width(), 3506u);
  // A typed width wins over the size it comes with, as when a step is undone.
  change([](_document_settings& s) {
    s.output_size = size_a9;
    s.width = 1000.0f;
  });
  EXPECT_EQ(preview_width(), 1000u);

  EXPECT_EQ(fallbacks, 0);
}

// An edge of the preview over the texture limit falls back to the input scale or, when that is
// too large as well, to the largest size that fits both edges; the limit itself is accepted.
TEST_F(Document, SizesOverTheTextureLimit) {
  load(100, 80, size_custom);
  doc.set_texture_limit(1000);
  change([](_document_settings& s) { s.width = 1001.0f; });
  EXPECT_EQ(preview_width(), 300u);
  EXPECT_EQ(doc.settings().width, 300.0f);
  change([](_document_settings& s) { s.width = 1000.0f; });
  EXPECT_EQ(preview_width(), 1000u);

  // A tall input: the kept width would be 10000 high, even 60 (no resampling) 600.
  doc.set_texture_limit(500);
  load(20, 200, size_custom);
  EXPECT_EQ(preview_width(), 50u);
  EXPECT_EQ(preview_height(), 500u);
  change([](_document_settings& s) { s.output_size = size_a4; });  // 350 x 3506 is checked too
  EXPECT_EQ(preview_width(), 50u);
  EXPECT_EQ(preview_height(), 500u);
  EXPECT_EQ(fallbacks, 3);  // 1001 wide, the tall input, the sheet
}

// The rules that tie fields together: a dot size beyond the loaded sheets is clamped and a
// minimum above its maximum takes the maximum; a packing or a width that is no positive number
// asks for nothing; the mode decides black and white stippling and Gray-scale has no tone; the
// white point stays above the black point. A value given them keeps the picture's width.
TEST_F(Document, SettingsAreNormalised) {
  _document_settings s;
  s.output_size = size_optimal;
  s.stipple.low_density_min = 8;
  s.stipple.low_density_max = 6;
  s.stipple.high_density_min = 1;
  s.stipple.high_density_max = 25;
  s.stipple.scale_factor = -1.0f;
  s.width = std::nanf("");
  s.device = device_black_white;
  s.tone = 3;
  s.tone_match.levels = _levels(255.0f, 100.0f, 2.0f);
  const _document_settings n = s.normalised();
  EXPECT_EQ(n.stipple.low_density_min, 6);
  EXPECT_EQ(n.stipple.low_density_max, 6);
  EXPECT_EQ(n.stipple.high_density_min, DOT_SIZE_MIN);
  EXPECT_EQ(n.stipple.high_density_max, DOT_SIZE_MAX);
  EXPECT_EQ(n.stipple.scale_factor, _stipple_settings().scale_factor);
  EXPECT_EQ(n.width, 0.0f);
  EXPECT_TRUE(n.stipple.black_white);
  EXPECT_EQ(n.tone, 3);
  EXPECT_EQ(n.tone_match.levels, _levels(254.0f, 255.0f, 2.0f));
  s.device = device_grayscale;
  EXPECT_FALSE(s.normalised().stipple.black_white);
  EXPECT_EQ(s.normalised().tone, 0);
  EXPECT_EQ(n.normalised(), n);

  load(40, 30);
  const float width = doc.settings().width;
  doc.apply(s);
  EXPECT_EQ(doc.settings(), [&] {
    _document_settings kept = s.normalised();
    kept.width = width;
    return kept;
  }());
  EXPECT_EQ(preview_width(), 120u);
}

// Each new grid reports whether the input had to be enlarged and keeps the ink; the
// colour-stippled picture follows the preview's size and the ink.
TEST_F(Document, NewGridsAndTheColourPicture) {
  load(100, 80, size_a10);  // 438 wide: 146 cells, the input enlarged
  EXPECT_TRUE(doc.enlarged());
  change([](_document_settings& s) {
    s.ink = _pixel(0, 0, 255, 255);
    s.colour_stippling = true;
  });
  EXPECT_EQ(doc.colour_stippled().width, preview_width());
  size_t inked = std::count(doc.colour_stippled().texels.begin(),
                            doc.colour_stippled().texels.end(), _pixel(255, 255, 255, 255));
  EXPECT_LT(inked, doc.colour_stippled().texels.size());
  change([](_document_settings& s) { s.stipple.scale_factor = 6.0f; });  // 73 cells
  EXPECT_FALSE(doc.enlarged());
  EXPECT_EQ(doc.colour_field().get(0, 0), _pixel(0, 0, 255, 255));
  EXPECT_EQ(doc.colour_stippled().width, preview_width());
}

// Each change owes just the work it needs: a new grid for a width, a size or a packing, the
// halftone again for new tones and, while matching, for
// new dots, the borders, the stippling, the ink; nothing for units, a tone or a resolution.
TEST_F(Document, EachChangeOwesTheWorkItNeeds) {
  load(40, 30);
  doc.defer_work(true);
  change([](_document_settings& s) { s.ink = _pixel(0, 0, 255, 255); });
  (void)doc.take_work();
  constexpr unsigned grid = 1, tones = 2, borders = 4, stipple = 8, ink = 16;
  const struct {
    const char* name;
    std::function<void(_document_settings&)> change;
    unsigned work;
  } rows[] = {
      {"units", [](_document_settings& s) { s.output_units = units_inches; }, 0},
      {"a tone", [](_document_settings& s) { s.tone = 3; }, 0},
      {"a resolution", [](_document_settings& s) { s.save_resolution[0] = resolution_600; }, 0},
      {"a size", [](_document_settings& s) { s.output_size = size_a10; }, grid | stipple},
      {"a typed width", [](_document_settings& s) { s.width = 200.0f; }, grid | stipple},
      {"a packing", [](_document_settings& s) { s.stipple.scale_factor = 2.0f; }, grid | stipple},
      {"gamma", [](_document_settings& s) { s.tone_match.levels = _levels(0, 255, 2); },
       tones | stipple},
      {"the borders", [](_document_settings& s) { s.borders_threshold = 2.0f; }, borders | stipple},
      {"a dot size", [](_document_settings& s) { s.stipple.low_density_max = 6; }, stipple},
      {"colour stippling", [](_document_settings& s) { s.colour_stippling = true; }, stipple},
      {"the ink", [](_document_settings& s) { s.ink = _pixel(0, 255, 0, 255); }, ink},
      {"matching", [](_document_settings& s) { s.tone_match.matching = tone_matching_grey; },
       tones | stipple},
      {"a dot size while matching", [](_document_settings& s) { s.stipple.displacement = 0.5f; },
       tones | stipple},
      {"the same settings", [](_document_settings&) {}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    change(row.change);
    const _document_work work = doc.take_work();
    const unsigned made = (work.regrids() ? grid : 0u) | (work.retones() ? tones : 0u) |
                          (work.reborders() ? borders : 0u) | (work.restipples() ? stipple : 0u) |
                          (work.reinks() ? ink : 0u);
    EXPECT_EQ(made, row.work);
  }
  EXPECT_EQ(doc.settings().ink, _pixel(0, 255, 0, 255));
  EXPECT_EQ(doc.settings().width, 200.0f);
}

}  // namespace
}  // namespace stippon::testing
