#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "tones/tone_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

// Worked values, and the identity. The gamma and level rows agree with ImageMagick 6's -level
// B%,W%,G and -gamma G on a 0..255 ramp, which truncates where these round: its output is the floor
// of 255 times normalized() at every level.
TEST(Levels, WorkedValues) {
  struct _case {
    const char* name;
    float black, white, gamma;
    std::vector<std::pair<int, int>> values;  // input level, looked-up level
  };
  const _case cases[] = {
      {"black 10, white 245", 10, 245, 1, {{10, 0}, {11, 1}, {64, 59}, {192, 197}, {246, 255}}},
      {"gamma 2.2 lightens", 0, 255, 2.2f, {{0, 0}, {1, 21}, {64, 136}, {128, 186}, {255, 255}}},
      {"gamma 0.45 darkens", 0, 255, 0.45f, {{64, 12}, {128, 55}, {192, 136}}},
      {"points and gamma", 10, 245, 0.5f, {{64, 13}, {128, 64}, {192, 153}}},
      {"white on black: threshold", 100, 100, 1, {{0, 0}, {100, 0}, {101, 255}}},
      {"white below black: threshold at black", 200, 50, 1, {{199, 0}, {200, 0}, {201, 255}}},
      {"gamma 0 clamped to 0.1", 0, 255, 0, {{128, 0}, {250, 209}}},
  };
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    const _tone_lookup lookup = _levels(c.black, c.white, c.gamma).lookup();
    EXPECT_FALSE(lookup.is_identity());
    for (const auto& [in, out] : c.values) EXPECT_EQ(lookup[in], float(out)) << "level " << in;
  }
  // Defaults, and points or a gamma beyond their ranges, leave the picture untouched.
  EXPECT_TRUE(_levels().lookup().is_identity());
  EXPECT_TRUE(_levels(-20, 300, std::numeric_limits<float>::quiet_NaN()).lookup().is_identity());
}

// The identity leaves every bit, fractions included; any other table rounds to the nearest level
// and clamps, so that the halftone (which truncates) sees the level the table chose.
TEST(ToneLookup, Apply) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> samples = {127.4f, 127.6f, -5.0f, 300.0f, nan, 0.5f};
  _image image = raster(1, 6, samples);
  _tone_lookup().apply(image);
  EXPECT_EQ(std::memcmp(image.samples.data(), samples.data(), sizeof(float) * 6), 0);

  std::array<float, 256> inverted{};
  for (int i = 0; i < 256; ++i) inverted[i] = float(255 - i);
  _tone_lookup(inverted).apply(image);
  EXPECT_EQ(image.samples, (std::vector<float>{128, 127, 255, 0, 255, 254}));
}

// Rising measurements are pooled; the inverse takes the nearest coverage, the darker level on a
// tie, and the nearest reachable coverage for a target beyond reach.
TEST(CoverageCurve, PooledAndInverted) {
  const _coverage_curve curve({0, 100, 200, 255}, {0.9, 0.5, 0.6, 0.0});
  EXPECT_EQ(curve.darkest(), 0.9);
  EXPECT_DOUBLE_EQ(curve.coverage(100), 0.55);
  EXPECT_DOUBLE_EQ(curve.coverage(200), 0.55);
  EXPECT_DOUBLE_EQ(curve.coverage(150), 0.55);
  for (int level = 1; level < 256; ++level)
    EXPECT_LE(curve.coverage(level), curve.coverage(level - 1)) << level;
  EXPECT_EQ(curve.level_for(1.0), 0);
  EXPECT_EQ(curve.level_for(0.55), 100);  // the darkest of the flat run
  EXPECT_EQ(curve.level_for(0.0), 255);
  EXPECT_EQ(curve.level_for(-1.0), 255);
}

// Solid square dots as wide as the grid, without jitter, cover exactly the halftone's black
// cells: the measured coverage is the halftone's black share, and grey matching is the identity
// to within a level.
TEST(ToneMatcher, SquareDotsThatTileTheGridNeedNoCorrection) {
  _sheet_table sheets;
  sheets.put(resolution_300, 4, filled(4, 44, 0.0f));
  _stipple_settings settings;
  settings.scale_factor = 4.0f;
  settings.displacement = 0.0f;
  settings.low_density_min = settings.low_density_max = 4;
  settings.merging_function = merging_minimum;
  _tone_matcher matcher;
  const _tone_lookup lookup =
      matcher.lookup(settings, sheets.row(resolution_300), {_levels(), tone_matching_grey});
  ASSERT_FALSE(lookup.is_identity());
  for (int level = 0; level < 256; ++level) EXPECT_NEAR(lookup[level], level, 1.0) << level;
}

// The calibration stipples with the process's generator, yet a sequence seeded before it goes on
// after it as if it had not run.
TEST(ToneMatcher, LeavesTheRandomSequenceAlone) {
  _library sheets;
  srandom(1234);
  const long first = ::random();
  const long expected = ::random();
  srandom(1234);
  EXPECT_EQ(::random(), first);
  _coverage_curve::measure(_stipple_settings(), sheets.row(resolution_300));
  EXPECT_EQ(::random(), expected);
}

// Measuring again only when what the dots print can have changed.
TEST(ToneMatcher, Cache) {
  _library sheets;
  _image** dots = sheets.row(resolution_300);
  _tone_matcher matcher;
  EXPECT_TRUE(matcher.lookup({}, dots, {}).is_identity());
  EXPECT_EQ(matcher.measurements(), 0u);
  const _tone_settings grey{_levels(), tone_matching_grey};
  auto with = [](auto change) {
    _stipple_settings settings;
    change(settings);
    return settings;
  };
  const std::tuple<const char*, _stipple_settings, _tone_settings, size_t> cases[] = {
      {"defaults", {}, grey, 1},
      {"levels and mode", {}, {_levels(20, 230, 1.4f), tone_matching_linear}, 1},
      {"contrast threshold, not read", with([](auto& s) { s.contrast_threshold = 3; }), grey, 1},
      {"packing 3", with([](auto& s) { s.scale_factor = 2.0f; }), grey, 2},
      {"black and white", with([](auto& s) { s.black_white = true; }), grey, 3},
      {"minimum", with([](auto& s) { s.merging_function = merging_minimum; }), grey, 4},
      {"defaults again", {}, grey, 4},
  };
  for (const auto& [name, settings, tones, measurements] : cases) {
    matcher.lookup(settings, dots, tones);
    EXPECT_EQ(matcher.measurements(), measurements) << name;
  }
  dots[6]->samples[17] = 255.0f - dots[6]->samples[17];
  matcher.lookup({}, dots, grey);
  EXPECT_EQ(matcher.measurements(), 5u) << "a changed sheet";
}

}  // namespace
}  // namespace stippon
