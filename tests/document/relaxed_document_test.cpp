// The document under relaxed placement: its places follow everything they are made from (the
// deferred work tests make them on another thread too), grid placement comes back unchanged, and
// the SVG's circles stand where the raster print's dots are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "document/document_fixtures.h"

namespace stippon::testing {
namespace {

constexpr uint32_t SEED = 4321;

// A document read afresh with these settings: each test's reference.
std::unique_ptr<_stipple_document> fresh(const _document_settings& settings, int64_t seed) {
  auto doc = std::make_unique<_stipple_document>();
  prepare(*doc, uint32_t(seed), settings);
  return doc;
}

// Each change gives the preview a document made afresh with the changed settings gives: the
// places kept from before are never reused for other seeds, dot sizes or tones.
TEST(RelaxedDocument, PlacesFollowTheirDraws) {
  std::unique_ptr<_stipple_document> doc = fresh(a9(placement_grid), SEED);
  const _image grid = doc->preview();
  edit(*doc, [](_document_settings& s) { s.stipple.placement = placement_relaxed; });
  EXPECT_NE(doc->preview().samples, grid.samples);
  const struct {
    const char* name;
    _change change;
  } changes[] = {
      {"a new seed", [](_stipple_document& d) { d.set_seed(SEED + 1); }},
      {"smaller dots", changed([](_document_settings& s) { s.stipple.low_density_max = 6; })},
      {"normal sizes",
       changed([](_document_settings& s) { s.stipple.random_distribution = distribution_normal; })},
      {"tone matching",
       changed([](_document_settings& s) { s.tone_match.matching = tone_matching_grey; })},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    change(*doc);
    const std::unique_ptr<_stipple_document> made = fresh(doc->settings(), doc->pattern_seed());
    EXPECT_EQ(doc->preview().samples, made->preview().samples);
  }
  edit(*doc, [](_document_settings& s) { s.stipple.placement = placement_grid; });
  EXPECT_EQ(doc->preview().samples, fresh(doc->settings(), doc->pattern_seed())->preview().samples);
}

// The circles of the SVG print stand at the ink centres of the relaxed dots of the raster print,
// worked out here from the places, their 1200 ppi corners and the sheets: every one, to the
// thousandth of a millimetre the file keeps, but for the few the page's edge moves in.
TEST(RelaxedDocument, SvgCirclesStandAtTheRasterDots) {
  std::unique_ptr<_stipple_document> doc = fresh(a9(placement_relaxed), SEED);
  _dot_sheets sheets;
  ASSERT_EQ(sheets.load(DEFAULT_TEXTURE_LIMIT, STIPPON_DATA_DIR), 1);
  const _stipple_settings& settings = doc->settings().stipple;
  const _random_stream seeded(SEED);
  const _relaxed_dots places =
      _relaxed_dots::of(settings, doc->halftone(), doc->original(), seeded);
  _random_stream stream = seeded;
  const _dot_plan plan = _dot_plan::grey(settings, doc->halftone(), 4, stream, &places);
  const double mm = 25.4 / 1200.0;
  const double rows = 4.0 * doc->preview().height;
  std::vector<std::pair<int64_t, int64_t>> expected;
  plan.each_dot_meeting(INT32_MIN, INT32_MAX, [&](const _placed_dot& dot) {
    const _image& sheet = *sheets.sheet(resolution_1200, int(dot.size));
    const unsigned n = 4 * dot.size;
    double ink = 0.0, x = 0.0, y = 0.0;
    for (unsigned a = 0; a < n; ++a)
      for (unsigned b = 0; b < n; ++b) {
        const double v =
            1.0 - sheet.get(dot.variant_row * n + a, dot.variant_column * n + b) / 255.0;
        ink += v, x += v * (b + 0.5), y += v * (a + 0.5);
      }
    const int64_t column = _dot_plan::signed_position(dot.column);
    const int64_t row = _dot_plan::signed_position(dot.row);
    expected.emplace_back(std::llround((column + x / ink) * mm * 1000.0),
                          std::llround((rows - row - y / ink) * mm * 1000.0));
  });
  std::sort(expected.begin(), expected.end());

  scratch_dir scratch;
  _svg_options options;
  options.dots = svg_circles;
  ASSERT_TRUE(doc->write_svg(scratch / "print.svg", options).written);
  std::vector<std::pair<int64_t, int64_t>> found = circle_centres(read_file(scratch / "print.svg"));
  std::sort(found.begin(), found.end());
  ASSERT_EQ(found.size(), expected.size());
  // Within a thousandth either way, for the two roundings; away from the edges, where no dot is
  // moved in.
  const int64_t edge = std::llround(8.0 * 4.0 * mm * 1000.0);
  const int64_t right = std::llround(doc->preview().width * 4.0 * mm * 1000.0) - edge;
  const int64_t bottom = std::llround(rows * mm * 1000.0) - edge;
  size_t inside = 0, missing = 0;
  for (const auto& [x, y] : expected) {
    if (x < edge || x > right || y < edge || y > bottom) continue;
    ++inside;
    const auto near = std::lower_bound(found.begin(), found.end(), std::pair(x - 1, y - 1));
    bool seen = false;
    for (auto at = near; at != found.end() && at->first <= x + 1 && !seen; ++at)
      seen = std::llabs(at->second - y) <= 1;
    missing += !seen;
  }
  EXPECT_GT(inside, expected.size() * 9 / 10);
  EXPECT_EQ(missing, 0u);
}

}  // namespace
}  // namespace stippon::testing
