// Tone matching: the calibration that measures what the dots print (one per change of the dot
// settings), at the packing factors of the slider's usual range, and the lookup from a cached
// measurement (every change of levels, gamma or mode).

#include <benchmark/benchmark.h>

#include "stipple/dot_library.h"
#include "stipple/output.h"
#include "tones/tone_matcher.h"

namespace stippon {
namespace {

struct _sheets {
  _dot_sheets dots;
  bool ready = false;

  _sheets() { ready = dots.load(65536, STIPPON_DATA_DIR) == 1; }
};

_sheets& sheets() {
  static _sheets shared;
  return shared;
}

// Argument: packing factor x 10; the default preview packs at 2.0.
void BM_Calibration(benchmark::State& state) {
  _sheets& s = sheets();
  if (!s.ready) return state.SkipWithError("dot sheets missing");
  _stipple_settings settings;
  settings.scale_factor = 6.0f / (float(state.range(0)) / 10.0f);
  for (auto _ : state) {
    _coverage_curve curve = _coverage_curve::measure(settings, s.dots.row(resolution_300));
    benchmark::DoNotOptimize(curve);
  }
}
BENCHMARK(BM_Calibration)
    ->Arg(15)
    ->Arg(20)
    ->Arg(30)
    ->Arg(40)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);

void BM_LookupFromCache(benchmark::State& state) {
  _sheets& s = sheets();
  if (!s.ready) return state.SkipWithError("dot sheets missing");
  _tone_matcher matcher;
  const _stipple_settings settings;
  _tone_settings tones;
  tones.matching = tone_matching_linear;
  tones.levels = _levels(10.0f, 245.0f, 1.2f);
  matcher.lookup(settings, s.dots.row(resolution_300), tones);
  for (auto _ : state) {
    _tone_lookup lookup = matcher.lookup(settings, s.dots.row(resolution_300), tones);
    benchmark::DoNotOptimize(lookup);
  }
}
BENCHMARK(BM_LookupFromCache)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
