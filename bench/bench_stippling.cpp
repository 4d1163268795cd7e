// Stippling of a real photograph prepared for an A4 print (3506 px wide at 300 ppi, packing 2.0):
// the preview, the 1200 ppi save, colour stippling, and the clipped dot path against the plain
// per-sample one.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "../tests/stipple/reference_stippling.h"
#include "image/q_image.h"
#include "photo/photo_reader.h"
#include "stipple/banded_print.h"
#include "stipple/borders.h"
#include "stipple/dot_library.h"
#include "stipple/dot_plan.h"
#include "stipple/halftoning.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"

namespace stippon {
namespace {

constexpr float A4_WIDTH = 3506.0f;
constexpr uint32_t SEED = 1717171717;

// The dots of the seed planned at output scale k and stamped in bands into out, white first, as
// the document stamps its preview.
void stipple(_image& out, const _stipple_settings& settings, const _image& halftone, _image** dots,
             int k) {
  _random_stream stream(SEED);
  const _dot_plan plan = _dot_plan::grey(settings, halftone, k, stream);
  out.create(true);
  _banded_print(plan, dots, out.height, out.width, settings)
      .print_grey([&](const float* band, unsigned top, unsigned rows) {
        for (unsigned i = 0; i < rows; ++i)
          std::copy_n(band + size_t(i) * out.width, out.width,
                      out.samples.begin() + size_t(out.height - 1 - top - i) * out.width);
        return true;
      });
}

struct _scene {
  _dot_sheets dots;
  bool ready = false;
  _stipple_settings settings;
  _image original, borders, halftone;
  _image preview;  // sized like the controller's "Stippling" image
  _texture colour_source;

  _scene() {
    if (dots.load(65536, STIPPON_DATA_DIR) == 0) return;
    _image input;
    if (!_photo_reader().read(STIPPON_BENCH_DATA_DIR "/coffee_gray_2400x1600_upscaled.pgm", input,
                              65536))
      return;
    const float W = float(input.width), H = float(input.height);
    resample(input, (A4_WIDTH / settings.scale_factor) / W, original);
    find_borders(original, 0.0f, borders);  // brightness-following: plenty of border dots
    halftone = original;
    halftoning_ostromoukhov(halftone);
    preview.dimensions(unsigned(A4_WIDTH / (W / H)), unsigned(A4_WIDTH));
    preview.create(true);
    colour_source.dimensions(original.height, original.width);
    colour_source.create();
    colour_source.fill(_pixel(255, 0, 0, 255));
    ready = true;
  }
};

_scene& scene() {
  static _scene shared;
  return shared;
}

double peak_rss_mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

void BM_PreviewStippling(benchmark::State& state) {
  _scene& s = scene();
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  for (auto _ : state) {
    stipple(s.preview, s.settings, s.halftone, s.dots.row(resolution_300), 1);
    benchmark::DoNotOptimize(s.preview.samples.data());
  }
  state.counters["width"] = s.preview.width;
  state.counters["height"] = s.preview.height;
}
BENCHMARK(BM_PreviewStippling)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_PreviewStipplingPerSample(benchmark::State& state) {
  _scene& s = scene();
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  for (auto _ : state) {
    s.preview.create(true);
    reference::stippling2(s.preview, s.settings, 1, s.halftone, s.dots.row(resolution_300), SEED);
    benchmark::DoNotOptimize(s.preview.samples.data());
  }
}
BENCHMARK(BM_PreviewStipplingPerSample)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The save at 1200 ppi as the controller makes it: a fresh raster four times the preview's size,
// with the preview's seed, stippled with the largest sheets.
void BM_Stippling1200(benchmark::State& state) {
  _scene& s = scene();
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  for (auto _ : state) {
    auto hires = std::make_unique<_image>();
    hires->dimensions(s.preview.height * 4, s.preview.width * 4);
    stipple(*hires, s.settings, s.halftone, s.dots.row(resolution_1200), 4);
    benchmark::DoNotOptimize(hires->samples.data());
  }
  state.counters["peak_rss_MB"] = peak_rss_mb();
}
BENCHMARK(BM_Stippling1200)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_Stippling1200PerSample(benchmark::State& state) {
  _scene& s = scene();
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  for (auto _ : state) {
    auto hires = std::make_unique<_image>();
    hires->dimensions(s.preview.height * 4, s.preview.width * 4);
    hires->create(true);
    reference::stippling2(*hires, s.settings, 4, s.halftone, s.dots.row(resolution_1200), SEED);
    benchmark::DoNotOptimize(hires->samples.data());
  }
}
BENCHMARK(BM_Stippling1200PerSample)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_ColourStipplingPerSample(benchmark::State& state) {
  _scene& s = scene();
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  _texture target;
  target.dimensions(s.preview.height, s.preview.width);
  target.create();
  for (auto _ : state) {
    target.fill(_pixel(255, 255, 255, 255));
    srandom(99);
    reference::color_stippling(target, s.settings, 1, s.halftone, s.borders, s.colour_source,
                               s.dots.row(resolution_300));
    benchmark::DoNotOptimize(target.texels.data());
  }
}
BENCHMARK(BM_ColourStipplingPerSample)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
