// Relaxed placement: cells against hand-worked ones, the spread of tone-matched flat patches
// against fixed limits, and the same places for any number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "stipple/banded_print.h"
#include "stipple/dot_plan.h"
#include "stipple/halftoning.h"
#include "stipple/relaxation.h"
#include "stipple/stipple_fixtures.h"
#include "stipple/voronoi_cell.h"
#include "tones/tone_matcher.h"

namespace stippon {
namespace {

using namespace fixtures;

constexpr unsigned SEED = 20240607;

// Among its eight lattice neighbours a site's cell is the unit square; a neighbour whose power
// weight is lighter by w moves their common side w / 2d away from the site.
TEST(VoronoiCell, LatticeAndPowerBisectors) {
  _voronoi_cell cell;
  cell.reset(-4.0, -4.0, 4.0, 4.0);
  EXPECT_DOUBLE_EQ(cell.area(), 64.0);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) cell.cut(dx, dy);
  EXPECT_EQ(cell.corners(), 4u);
  EXPECT_DOUBLE_EQ(cell.area(), 1.0);
  EXPECT_DOUBLE_EQ(cell.reach_squared(), 0.5);
  EXPECT_FALSE(cell.cut(0.0, 0.0));  // a dot at the same place
  EXPECT_FALSE(cell.cut(1.0, 1.0));  // a bisector through a corner only
  EXPECT_FALSE(cell.cut(3.0, 0.0));

  cell.reset(-4.0, -4.0, 4.0, 4.0);
  EXPECT_TRUE(cell.cut(2.0, 0.0, 0.8));    // side at x = (4 + 0.8) / 4 = 1.2
  EXPECT_TRUE(cell.cut(-2.0, 0.0, -0.8));  // side at x = -(4 - 0.8) / 4 = -0.8
  EXPECT_TRUE(cell.cut(0.0, 1.0));
  EXPECT_TRUE(cell.cut(0.0, -1.0));
  EXPECT_DOUBLE_EQ(cell.area(), 2.0);
  EXPECT_DOUBLE_EQ(cell.reach_squared(), 1.2 * 1.2 + 0.25);
}

// A dot's centre and ink radius in 300 ppi pixels: its corner at 1200 ppi plus half its side,
// and the radius of a circle of its ink's area in the 1200 ppi sheet.
struct _disc {
  double x;
  double y;
  double r;
};

std::vector<_disc> discs(const _dot_plan& plan, _image* const* sheets) {
  std::vector<_disc> found;
  plan.each_dot_meeting(INT32_MIN, INT32_MAX, [&](const _placed_dot& dot) {
    const unsigned n = 4 * dot.size;
    const _image& sheet = *sheets[dot.size];
    double ink = 0.0;
    for (unsigned r = dot.variant_row * n; r < (dot.variant_row + 1) * n; ++r)
      for (unsigned c = dot.variant_column * n; c < (dot.variant_column + 1) * n; ++c)
        ink += 1.0 - sheet.get(r, c) / 255.0;
    found.push_back({(_dot_plan::signed_position(dot.column) + 0.5 * n) / 4.0,
                     (_dot_plan::signed_position(dot.row) + 0.5 * n) / 4.0,
                     std::sqrt(ink / 16.0 / M_PI)});
  });
  return found;
}

// The spread of the dots whose centres lie in [low, high)^2, their nearest neighbours sought
// among all: the coefficient of variation of the nearest distances, the closest hundredth of
// them over the hexagonal spacing of their density, and the pairs of overlapping discs per dot.
struct _spread {
  double variation = 0.0;
  double closest = 0.0;
  double overlaps = 0.0;
};

_spread spread(const std::vector<_disc>& dots, double low, double high) {
  constexpr double REACH = 40.0;  // pixels: well beyond any nearest neighbour here
  std::vector<double> nearest;
  double overlapping = 0.0;
  for (const _disc& a : dots) {
    if (a.x < low || a.x >= high || a.y < low || a.y >= high) continue;
    double best = REACH;
    for (const _disc& b : dots) {
      const double dx = b.x - a.x, dy = b.y - a.y;
      if (&a == &b || std::fabs(dx) >= REACH || std::fabs(dy) >= REACH) continue;
      const double d = std::hypot(dx, dy);
      best = std::min(best, d);
      overlapping += d < a.r + b.r ? 0.5 : 0.0;
    }
    nearest.push_back(best);
  }
  _spread s;
  double mean = 0.0, square = 0.0;
  for (const double d : nearest) mean += d, square += d * d;
  mean /= double(nearest.size());
  s.variation = std::sqrt(square / double(nearest.size()) - mean * mean) / mean;
  std::sort(nearest.begin(), nearest.end());
  const double density = double(nearest.size()) / ((high - low) * (high - low));
  s.closest = nearest[nearest.size() / 100] / std::sqrt(2.0 / (std::sqrt(3.0) * density));
  s.overlaps = overlapping / double(nearest.size());
  return s;
}

// Flat patches at 25, 50 and 75% ink, tone-matched for relaxed placement, spread as an artist
// spreads dots: even nearest distances, no close pairs, touching dots only where the ink asks
// for it; every black sample of the halftone keeps its dot, and the print has the ink asked for.
TEST(RelaxedPlacement, FlatPatchesSpreadEvenly) {
  constexpr unsigned CELLS = 240;  // grid units a side: 720 pixels at packing 2
  _library sheets;
  _stipple_settings settings;
  settings.placement = placement_relaxed;
  _tone_matcher matcher;
  const _tone_lookup lookup =
      matcher.lookup(settings, sheets.row(resolution_300), {_levels(), tone_matching_grey});
  // level, most overlapping pairs per dot
  const std::pair<int, double> rows[] = {{192, 0.01}, {128, 0.3}, {64, 2.0}};
  for (const auto& [level, overlaps] : rows) {
    SCOPED_TRACE(level);
    _image tones = filled(CELLS, CELLS, float(level));
    lookup.apply(tones);
    _image halftone = tones;
    halftoning_ostromoukhov(halftone);
    const _random_stream seeded(SEED);
    const _relaxed_dots places = _relaxed_dots::of(settings, halftone, tones, seeded);
    EXPECT_EQ(places.size(),
              size_t(std::count(halftone.samples.begin(), halftone.samples.end(), 0.0f)));

    _random_stream stream = seeded;
    const std::vector<_disc> dots =
        discs(_dot_plan::grey(settings, halftone, 4, stream, &places), sheets.row(resolution_1200));
    const double side = CELLS * settings.scale_factor;
    const _spread s = spread(dots, 0.2 * side, 0.8 * side);
    std::printf(
        "level %d: %zu dots, nearest-distance variation %.3f, closest %.3f of the "
        "hexagonal spacing, %.3f overlapping pairs per dot\n",
        level, dots.size(), s.variation, s.closest, s.overlaps);
    EXPECT_LE(s.variation, 0.12);
    EXPECT_GE(s.closest, 0.6);
    EXPECT_LE(s.overlaps, overlaps);

    stream = seeded;
    const _dot_plan plan = _dot_plan::grey(settings, halftone, 1, stream, &places);
    const unsigned pixels = unsigned(side);
    const _banded_print print(plan, sheets.row(resolution_300), pixels, pixels, settings);
    double ink = 0.0, samples = 0.0;
    print.print_grey([&](const float* band, unsigned top, unsigned count) {
      for (unsigned r = top; r < top + count; ++r)
        for (unsigned c = pixels / 5; c < pixels * 4 / 5 && r >= pixels / 5 && r < pixels * 4 / 5;
             ++c)
          ink += 1.0 - band[size_t(r - top) * pixels + c] / 255.0, samples += 1.0;
      return true;
    });
    EXPECT_NEAR(255.0 * ink / samples, 255.0 - level, 4.0);
  }
}

// A photograph's places are the same from run to run and for 1, 2 or 3 threads, told round by
// round; the dots move off their grid squares, except where the ink is near solid.
TEST(RelaxedPlacement, SamePlacesForAnyThreads) {
  const _image tones = resampled("camera.pgm", 1240.0f);
  _image halftone = tones;
  halftoning_ostromoukhov(halftone);
  _stipple_settings settings;
  settings.placement = placement_relaxed;
  const _random_stream seeded(SEED);
  const _relaxed_dots one = _relaxed_dots::of(settings, halftone, tones, seeded);
  for (const unsigned threads : {1u, 2u, 3u}) {
    _thread_pool pool(threads);
    EXPECT_TRUE(_relaxed_dots::of(settings, halftone, tones, seeded, &pool) == one) << threads;
  }
  // The rounds are told as they start and once all are done, for a run's progress; a stop before
  // a round places no dot.
  std::vector<unsigned> told;
  const auto count_rounds = [&told](unsigned done, unsigned total) {
    told.push_back(done * 10 + total);
    return true;
  };
  EXPECT_TRUE(_relaxed_dots::of(settings, halftone, tones, seeded, nullptr, count_rounds) == one);
  EXPECT_EQ(told, (std::vector<unsigned>{3, 13, 23, 33}));
  const auto stop_after_one = [](unsigned done, unsigned) { return done < 1; };
  EXPECT_EQ(_relaxed_dots::of(settings, halftone, tones, seeded, nullptr, stop_after_one).size(),
            0u);
  // Near-solid ink from darkness 0.6 on: samples of 102 and darker.
  size_t moving = 0, moved = 0;
  for (size_t i = 0, r = 0; r < halftone.height; ++r)
    for (size_t c = 0; c < halftone.width; ++c) {
      if (halftone.get(r, c) != 0.0f) continue;
      const _grid_point at = one.at(i++);
      const bool still = at.row == float(r) + 0.5f && at.column == float(c) + 0.5f;
      const float level = tones.get(r, c);
      if (level <= 101.9f) {
        EXPECT_TRUE(still) << r << " " << c;
      }
      if (level < 102.1f) continue;
      ++moving;
      moved += !still;
    }
  EXPECT_GT(moving, one.size() / 4);
  EXPECT_GT(moved, moving * 99 / 100);
}

}  // namespace
}  // namespace stippon
