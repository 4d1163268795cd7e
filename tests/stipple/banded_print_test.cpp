// The banded print against the plain per-sample stippling of the whole raster: the same samples,
// bit for bit, on halftoned photographs with the real dot library, for every band height.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "image/scratch.h"
#include "print/raster_file.h"
#include "stipple/banded_print.h"
#include "stipple/dot_plan.h"
#include "stipple/reference_stippling.h"
#include "stipple/stipple_fixtures.h"
#include "stipple/stipple_settings.h"
#include "tones/halftone_grid.h"

namespace stippon {
namespace {

using namespace fixtures;

const _pixel WHITE(255, 255, 255, 255);
const _pixel RED(255, 0, 0, 255);
const char* const PHOTOS[] = {"astronaut_gray.pgm", "camera.pgm", "chelsea_gray.pgm",
                              "coffee_gray.pgm", "gravel.pgm"};

// A photograph prepared as the window prepares it for a print w pixels wide at 300 ppi: the
// halftone grid and a white preview, whose dots come from the seed.
struct _scene {
  _image original, borders, halftone, preview;
  uint32_t seed;

  _scene(const std::string& photo, float w, const _stipple_settings& settings, uint32_t seed,
         float borders_threshold = 5.0f)
      : seed(seed) {
    const _image input = read_photo(photo);
    const float r = (w / settings.scale_factor) / float(input.width);
    derive_halftone_grid(input, r, borders_threshold, original, borders, halftone);
    const _preview_size size = preview_size(w, input.width, input.height);
    preview.dimensions(size.height, size.width);
    preview.create(true);
  }
};

// Whether the bands handed on are the whole raster's rows (row 0 of which is the bottom), top
// first, one after the other, each full but the last.
template <class Sample, class Print>
bool bands_agree(const std::vector<Sample>& whole, unsigned height, unsigned band_rows,
                 Print print) {
  const size_t width = whole.size() / height;
  unsigned next_top = 0;
  bool same = true;
  EXPECT_TRUE(print([&](const Sample* band, unsigned top, unsigned count) {
    EXPECT_EQ(top, next_top);
    EXPECT_EQ(count, std::min(band_rows, height - top));
    for (unsigned t = 0; t < count && top + t < height; ++t)
      same = same && std::memcmp(band + t * width, &whole[(height - 1 - top - t) * width],
                                 width * sizeof(Sample)) == 0;
    next_top = top + count;
    return true;
  }));
  return same && next_top == height;
}

// Whether the print in bands of band_rows on the pool hands on the rows of the whole raster or
// texture.
template <class Whole>
bool agrees(const _dot_plan& plan, _image** dots, const Whole& whole,
            const _stipple_settings& settings, unsigned band_rows, _thread_pool* pool = nullptr) {
  _banded_print print(plan, dots, whole.height, whole.width, settings);
  print.set_band_rows(band_rows);
  print.set_pool(pool);
  if constexpr (std::is_same_v<Whole, _image>)
    return bands_agree(whole.samples, whole.height, band_rows,
                       [&](const auto& sink) { return print.print_grey(sink); });
  else
    return bands_agree(whole.texels, whole.height, band_rows,
                       [&](const auto& sink) { return print.print_colour(sink, WHITE); });
}

// The band heights tried on every print: one row, odd heights that cut dots anywhere, the default,
// and more rows than the print has.
const unsigned BAND_HEIGHTS[] = {1, 7, 33, 64, 1000000};

// The plain stippling of the whole raster k times the preview against the plan drawn from the
// preview's seed and printed in bands. After the plan the stream stands where random() stands
// after the plain stippling.
void expect_grey_prints_agree(_scene& scene, const _stipple_settings& settings, int position,
                              _library& library) {
  _image** dots = library.row(position);
  const int k = output_scale(position);
  const auto whole =
      std::make_unique<_image>(white(scene.preview.height * k, scene.preview.width * k));
  reference::stippling2(*whole, settings, k, scene.halftone, dots, scene.seed);
  const long next_draw = ::random();

  _random_stream stream(scene.seed);
  const _dot_plan plan = _dot_plan::grey(settings, scene.halftone, k, stream);
  EXPECT_EQ(stream.next(), next_draw);
  ASSERT_LT(mean_sample(*whole), 250.0) << "the photograph was stippled";
  for (unsigned band_rows : BAND_HEIGHTS) {
    SCOPED_TRACE(::testing::Message() << "bands of " << band_rows);
    EXPECT_TRUE(agrees(plan, dots, *whole, settings, band_rows));
  }
}

// The whole matrix: five photographs, three output scales, the three merging rules, both size
// distributions and two seeds.
TEST(BandedPrint, GreyEqualsTheWholeRasterOnPhotographs) {
  _library library;
  // clang-format off
  struct { const char* name; bool black_white; _merging_function merging; } rules[] = {
      {"product", false, merging_product},
      {"minimum", false, merging_minimum},
      {"black and white over product", true, merging_product},
      {"black and white over minimum", true, merging_minimum}};
  // clang-format on
  for (const char* photo : PHOTOS)
    for (uint32_t seed : {20240601u, 7u}) {
      _scene scene(photo, 310.0f, {}, seed);
      for (int position : {resolution_300, resolution_600, resolution_1200})
        for (const auto& rule : rules)
          for (_random_distribution distribution : {distribution_random, distribution_normal}) {
            SCOPED_TRACE(::testing::Message()
                         << photo << ", " << position << ", " << rule.name << ", distribution "
                         << distribution << ", seed " << seed);
            const _stipple_settings settings{.black_white = rule.black_white,
                                             .black_level = 140,
                                             .merging_function = rule.merging,
                                             .random_distribution = distribution};
            expect_grey_prints_agree(scene, settings, position, library);
          }
    }
}

// The plain per-sample colour stippling at scale k, continuing the grey preview's sequence as the
// window does, against a stream that plans the preview's dots and then the colour dots.
void expect_colour_prints_agree(_scene& scene, const _stipple_settings& settings, int position,
                                const _texture& source, _library& library) {
  const int k = output_scale(position);
  _image preview = white(scene.preview.height, scene.preview.width);
  reference::stippling2(preview, settings, 1, scene.halftone, library.row(resolution_300),
                        scene.seed);
  _texture whole = opaque(preview.height * k, preview.width * k, WHITE);
  reference::color_stippling(whole, settings, k, scene.halftone, scene.borders, source,
                             library.row(position));
  const long next_draw = ::random();

  _random_stream stream(scene.seed);
  _dot_plan::grey(settings, scene.halftone, 1, stream);
  const _dot_plan plan =
      _dot_plan::colour(settings, scene.halftone, scene.borders, source, k, stream);
  EXPECT_EQ(stream.next(), next_draw);
  ASSERT_GT(plan.size(), 1000u);
  _thread_pool pool(3);
  for (unsigned band_rows : BAND_HEIGHTS) {
    SCOPED_TRACE(::testing::Message() << "bands of " << band_rows);
    EXPECT_TRUE(agrees(plan, library.row(position), whole, settings, band_rows));
    EXPECT_TRUE(agrees(plan, library.row(position), whole, settings, band_rows, &pool))
        << "on 3 threads";
  }
}

// Five photographs, three output scales, both merging rules, two seeds, inked red or from the
// photograph cut short so that the dots beyond it take the last ink of their kind.
TEST(BandedPrint, ColourEqualsTheWholeTextureOnPhotographs) {
  _library library;
  for (const char* photo : PHOTOS)
    for (uint32_t seed : {20240601u, 7u}) {
      _scene scene(photo, 310.0f, {}, seed, 0.0f);
      _texture red = opaque(scene.original.height, scene.original.width, RED);
      _texture photo_colours;
      photo_colours = scene.original;
      photo_colours.width -= 5;
      photo_colours.height -= 7;
      for (int position : {resolution_300, resolution_600, resolution_1200})
        for (_merging_function merging : {merging_product, merging_minimum})
          for (const _texture* source : {&red, &photo_colours}) {
            SCOPED_TRACE(::testing::Message()
                         << photo << ", seed " << seed << ", " << position << ", merging "
                         << merging << (source == &red ? ", red" : ", photograph's colours"));
            const _stipple_settings settings{
                .high_density_min = 6, .contrast_threshold = 100, .merging_function = merging};
            expect_colour_prints_agree(scene, settings, position, *source, library);
          }
    }
}

// A print ten grid samples wide with the most jitter the programs offer: dots thrown off every
// edge of a print of few bands.
TEST(BandedPrint, GreyEqualsTheWholeRasterOnATinyPrint) {
  _library library;
  const _stipple_settings settings{.displacement = 1.0f,
                                   .random_distribution = distribution_normal};
  _scene scene("camera.pgm", 30.0f, settings, 31337);
  expect_grey_prints_agree(scene, settings, resolution_1200, library);
}

// Random halftones with the widest jitter, so that dots hang off every edge of small prints and
// straddle the windows a band is stamped in, printed in bands on 1, 2 and 3 threads against the
// plain per-sample stippling of the whole raster: every merging rule, at every output scale,
// over sheets of noise whose last variants lie beyond the sheet, and for black and white over
// sheets with samples beyond bytes too.
TEST(BandedPrint, GreyEqualsThePerSamplePathOnRandomPlans) {
  auto bytes = noise_sheets(7), beyond = noise_sheets(7);
  for (_image& sheet : beyond.owned) {
    sheet.samples[1] = 300.0f;
    sheet.samples[sheet.samples.size() / 2] = -2.5f;
  }
  // clang-format off
  struct { const char* name; bool black_white; unsigned short level; _merging_function merging;
           _sheet_table* sheets; }
      rules[] = {{"product", false, 0, merging_product, &bytes},
                 {"minimum", false, 0, merging_minimum, &bytes},
                 {"black and white at 127", true, 127, merging_product, &bytes},
                 {"black and white at 1", true, 1, merging_minimum, &bytes},
                 {"black and white at 250", true, 250, merging_product, &bytes},
                 {"black and white beyond bytes", true, 140, merging_product, &beyond}};
  // clang-format on
  _thread_pool two(2), three(3);
  for (uint32_t seed : {11u, 12u, 13u})
    for (int position : {resolution_300, resolution_600, resolution_1200})
      for (const auto& rule : rules) {
        SCOPED_TRACE(::testing::Message()
                     << "seed " << seed << ", " << position << ", " << rule.name);
        _image halftone = white(9 + seed % 3, 100);  // 1200 columns at 1200 ppi: two windows
        for (size_t i = 0; i < halftone.samples.size(); ++i)
          if ((i * 2654435761u + seed * 40503u) % 7 < 3) halftone.samples[i] = 0.0f;
        const _stipple_settings settings{.displacement = 1.0f,
                                         .black_white = rule.black_white,
                                         .black_level = rule.level,
                                         .merging_function = rule.merging,
                                         .random_distribution = distribution_normal};
        const int k = output_scale(position);
        _image plain = white(halftone.height * 3 * k, halftone.width * 3 * k);
        _random_stream stream(seed);
        _image** sheets = rule.sheets->row(position);
        reference::stippling2(plain, settings, k, halftone, sheets, seed);
        const _dot_plan plan = _dot_plan::grey(settings, halftone, k, stream);
        ASSERT_GT(plan.size(), 20u);
        for (unsigned band_rows : {1u, 5u, 64u})
          for (_thread_pool* pool : {(_thread_pool*)nullptr, &two, &three})
            EXPECT_TRUE(agrees(plan, sheets, plain, settings, band_rows, pool))
                << "bands of " << band_rows << ", " << (pool ? pool->threads() : 1) << " threads";
      }
}

// The bytes handed on are the bytes the PGM writer writes for the whole raster, top row first.
TEST(BandedPrint, BytesAreThoseOfThePgmFile) {
  _library library;
  const _stipple_settings settings{.merging_function = merging_product};
  _scene scene("chelsea_gray.pgm", 438.0f, settings, 99);
  const auto whole =
      std::make_unique<_image>(white(scene.preview.height * 2, scene.preview.width * 2));
  reference::stippling2(*whole, settings, 2, scene.halftone, library.row(resolution_600), 99);
  stippon::testing::scratch_dir dir;
  ASSERT_EQ(write_pgm(dir / "whole.pgm", *whole), "");
  const std::string pgm = stippon::testing::read_file(dir / "whole.pgm");
  const std::string header =
      "P5\n" + std::to_string(whole->width) + " " + std::to_string(whole->height) + "\n255\n";
  ASSERT_EQ(pgm.substr(0, header.size()), header);

  _random_stream stream(99);
  const _dot_plan plan = _dot_plan::grey(settings, scene.halftone, 2, stream);
  _banded_print print(plan, library.row(resolution_600), whole->height, whole->width, settings);
  print.set_band_rows(45);
  std::string bytes;
  EXPECT_TRUE(print.print_bytes([&](const unsigned char* rows, unsigned, unsigned count) {
    bytes.append(reinterpret_cast<const char*>(rows), size_t(count) * whole->width);
    return true;
  }));
  EXPECT_TRUE(bytes == pgm.substr(header.size()));
}

// The sink or the progress stops the print at once, also while later bands are being stamped
// on other threads; the progress counts rows up to the total.
TEST(BandedPrint, SinkAndProgressStopThePrint) {
  auto sheets = noise_sheets();
  const _stipple_settings settings;
  _scene scene("camera.pgm", 310.0f, settings, 5);
  _random_stream stream(5);
  const _dot_plan plan = _dot_plan::grey(settings, scene.halftone, 1, stream);
  const unsigned height = scene.preview.height, width = scene.preview.width;
  ASSERT_EQ(height, 310u);
  _thread_pool three(3);
  for (_thread_pool* pool : {(_thread_pool*)nullptr, &three}) {
    SCOPED_TRACE(pool ? "3 threads" : "1 thread");
    _banded_print print(plan, sheets.row(resolution_300), height, width, settings);
    print.set_pool(pool);
    print.set_band_rows(10);
    std::vector<unsigned> tops, done;
    const auto every_band = [&](const float*, unsigned top, unsigned) {
      tops.push_back(top);
      return true;
    };
    EXPECT_FALSE(print.print_grey([&](const float*, unsigned top, unsigned) {
      tops.push_back(top);
      return tops.size() < 2;
    })) << "the sink stops after the second band";
    EXPECT_EQ(tops, (std::vector<unsigned>{0, 10}));

    print.set_band_rows(100);
    tops.clear();
    print.set_progress([&](unsigned rows, unsigned total) {
      EXPECT_EQ(total, height);
      done.push_back(rows);
      return true;
    });
    EXPECT_TRUE(print.print_grey(every_band));
    EXPECT_EQ(tops, (std::vector<unsigned>{0, 100, 200, 300}));
    EXPECT_EQ(done, (std::vector<unsigned>{100, 200, 300, 310}));

    print.set_band_rows(10);
    tops.clear();
    print.set_progress([&](unsigned rows, unsigned) { return rows < 20; });
    EXPECT_FALSE(print.print_grey(every_band));
    EXPECT_EQ(tops, (std::vector<unsigned>{0, 10})) << "the progress stops after 20 rows";
  }
}

}  // namespace
}  // namespace stippon
