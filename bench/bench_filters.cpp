#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/image.h"
#include "image/q_image.h"
#include "photo/photo_reader.h"
#include "stipple/borders.h"
#include "stipple/halftoning.h"

namespace stippon {
namespace {

// The A4 preview: 3506 px at 300 ppi, one halftone cell per 3 output pixels.
constexpr unsigned kPreviewWidth = 3506 / 3;

// The sample photograph resampled to preview scale, as the pipeline feeds it to the filters.
const _image& preview_photograph() {
  static const _image preview = [] {
    _image input;
    const std::string name = std::string(STIPPON_DATA_DIR) + "/images/coffee_gray.pgm";
    if (!_photo_reader().read(name, input, 100000)) {
      std::fprintf(stderr, "cannot read %s\n", name.c_str());
      std::exit(1);
    }
    float ratio = static_cast<float>(kPreviewWidth) / static_cast<float>(input.width);
    while (static_cast<unsigned>(static_cast<float>(input.width) * ratio) < kPreviewWidth) {
      ratio = std::nextafter(ratio, 2.0f * ratio);
    }
    _image out;
    resample(input, ratio, out);
    return out;
  }();
  return preview;
}

void label(benchmark::State& state, const _image& image) {
  state.SetLabel(std::to_string(image.width) + "x" + std::to_string(image.height));
  state.counters["Mpx/s"] = benchmark::Counter(
      static_cast<double>(image.samples.size()) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
}

void BM_Halftoning(benchmark::State& state) {
  const _image& source = preview_photograph();
  _image halftone;
  for (auto _ : state) {
    state.PauseTiming();
    halftone = source;
    state.ResumeTiming();
    halftoning_ostromoukhov(halftone);
    benchmark::DoNotOptimize(halftone.samples.data());
  }
  label(state, source);
}
BENCHMARK(BM_Halftoning)->Unit(benchmark::kMillisecond);

void BM_Borders(benchmark::State& state) {
  _image source = preview_photograph();
  _image borders;
  const float threshold = static_cast<float>(state.range(0)) / 10.0f;
  for (auto _ : state) {
    find_borders(source, threshold, borders);
    benchmark::DoNotOptimize(borders.samples.data());
  }
  label(state, source);
}
// The slider's middle (brightness-following) and a constant threshold.
BENCHMARK(BM_Borders)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_Filter2Sobel(benchmark::State& state) {
  const _image& source = preview_photograph();
  _image mask;
  std::vector<float> weights = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
  mask.set(3, 3, weights);
  _image result;
  for (auto _ : state) {
    filter2(mask, source, cut_same, 1.0f, result);
    benchmark::DoNotOptimize(result.samples.data());
  }
  label(state, source);
}
BENCHMARK(BM_Filter2Sobel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
