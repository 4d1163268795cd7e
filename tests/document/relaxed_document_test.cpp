// The document under relaxed placement: its places follow everything they are made from, also
// when the work is deferred to another thread, and grid placement comes back unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "document/stipple_document.h"
#include "image/scratch.h"

namespace stippon::testing {
namespace {

constexpr uint32_t SEED = 4321;
const std::string CAMERA = std::string(STIPPON_DATA_DIR) + "/images/camera.pgm";

using _change = std::function<void(_stipple_document&)>;

// The document's settings changed by `change`, applied as one value.
void apply(_stipple_document& doc, const std::function<void(_document_settings&)>& change) {
  _document_settings settings = doc.settings();
  change(settings);
  doc.apply(settings);
}

void set_placement(_stipple_document& doc, _placement placement) {
  apply(doc, [&](_document_settings& s) { s.stipple.placement = placement; });
}

// A document at A9 (438 x 438 pixels) read with these settings: each test's reference.
std::unique_ptr<_stipple_document> fresh(const _document_settings& settings, int64_t seed) {
  auto doc = std::make_unique<_stipple_document>();
  EXPECT_TRUE(doc->load_dots(STIPPON_DATA_DIR));
  doc->apply(settings);
  EXPECT_TRUE(doc->read(CAMERA));
  doc->set_seed(uint32_t(seed));
  return doc;
}

_document_settings a9(_placement placement) {
  _document_settings settings;
  settings.output_size = size_a9;
  settings.stipple.placement = placement;
  return settings;
}

// Each change gives the preview a document made afresh with the changed settings gives: the
// places kept from before are never reused for other seeds, dot sizes or tones.
TEST(RelaxedDocument, PlacesFollowTheirDraws) {
  std::unique_ptr<_stipple_document> doc = fresh(a9(placement_grid), SEED);
  const _image grid = doc->preview();
  set_placement(*doc, placement_relaxed);
  EXPECT_NE(doc->preview().samples, grid.samples);
  const struct {
    const char* name;
    _change change;
  } changes[] = {
      {"a new seed", [](_stipple_document& d) { d.set_seed(SEED + 1); }},
      {"smaller dots",
       [](_stipple_document& d) {
         apply(d, [](_document_settings& s) { s.stipple.low_density_max = 6; });
       }},
      {"normal sizes",
       [](_stipple_document& d) {
         apply(d,
               [](_document_settings& s) { s.stipple.random_distribution = distribution_normal; });
       }},
      {"tone matching",
       [](_stipple_document& d) {
         apply(d, [](_document_settings& s) { s.tone_match.matching = tone_matching_grey; });
       }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    change(*doc);
    const std::unique_ptr<_stipple_document> made = fresh(doc->settings(), doc->pattern_seed());
    EXPECT_EQ(doc->preview().samples, made->preview().samples);
  }
  set_placement(*doc, placement_grid);
  EXPECT_EQ(doc->preview().samples, fresh(doc->settings(), doc->pattern_seed())->preview().samples);
}

// Changes made while the work is deferred, run on a copy on another thread, give the images the
// same changes give at once, also after a run was cancelled.
TEST(RelaxedDocument, DeferredWorkGivesTheSameImages) {
  std::unique_ptr<_stipple_document> eager = fresh(a9(placement_relaxed), SEED);
  std::unique_ptr<_stipple_document> deferred = fresh(a9(placement_relaxed), SEED);
  deferred->defer_work(true);
  const _change changes[] = {
      [](_stipple_document& d) {
        apply(d, [](_document_settings& s) { s.stipple.low_density_min = 5; });
      },
      [](_stipple_document& d) { d.set_seed(SEED + 2); },
      [](_stipple_document& d) {
        apply(d, [](_document_settings& s) { s.colour_stippling = true; });
      },
  };
  for (const _change& change : changes) {
    change(*eager);
    change(*deferred);
    // A run cancelled at once keeps no places, and its work is owed again.
    const _document_work stopped = deferred->take_work();
    _work_control cancel;
    cancel.cancel();
    EXPECT_FALSE(deferred->worker_copy(stopped)->run_work(stopped, cancel));
    deferred->put_back_work(stopped);
    const _document_work work = deferred->take_work();
    std::unique_ptr<_stipple_document> copy = deferred->worker_copy(work);
    _work_control control;
    bool complete = false;
    std::thread([&] { complete = copy->run_work(work, control); }).join();
    ASSERT_TRUE(complete);
    deferred->adopt_work(std::move(*copy), work);
    EXPECT_EQ(deferred->preview().samples, eager->preview().samples);
    EXPECT_EQ(deferred->colour_stippled().texels, eager->colour_stippled().texels);
  }
}

// The centres of the circles of an SVG file, in thousandths of a millimetre, sorted.
std::vector<std::pair<int64_t, int64_t>> circle_centres(const std::string& text) {
  std::vector<std::pair<int64_t, int64_t>> found;
  for (size_t at = text.find("<circle "); at != std::string::npos;
       at = text.find("<circle ", at + 1)) {
    const auto value = [&](const std::string& name) {
      const size_t start = text.find(" " + name + "=\"", at) + name.size() + 3;
      return std::llround(std::stod(text.substr(start, text.find('"', start) - start)) * 1000.0);
    };
    found.emplace_back(value("cx"), value("cy"));
  }
  std::sort(found.begin(), found.end());
  return found;
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
  const std::vector<std::pair<int64_t, int64_t>> found =
      circle_centres(read_file(scratch / "print.svg"));
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
