// The road from a PGM file to the on-screen preview for an A4 print (3506 px wide at 300 ppi,
// packing 2.0, so a halftone about 1168 px wide), step by step and as a whole.

#include <benchmark/benchmark.h>

#include <string>

#include "document/stipple_document.h"
#include "image/q_image.h"
#include "image/texture.h"
#include "photo/photo_reader.h"
#include "stipple/borders.h"
#include "stipple/dot_library.h"
#include "stipple/halftoning.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"

namespace stippon {
namespace {

constexpr float A4_WIDTH = 3506.0f;
const std::string PHOTO = STIPPON_BENCH_DATA_DIR "/coffee_gray_2400x1600_upscaled.pgm";

const _image& input() {
  static const _image photo = [] {
    _image image;
    _photo_reader().read(PHOTO, image, 65536);
    return image;
  }();
  return photo;
}

float resample_ratio(const _image& image, float scale_factor) {
  return (A4_WIDTH / scale_factor) / float(image.width);
}

const _image& original() {
  static const _image resampled = [] {
    _image out;
    resample(input(), resample_ratio(input(), 3.0f), out);
    return out;
  }();
  return resampled;
}

void BM_ReadPgm(benchmark::State& state) {
  for (auto _ : state) {
    _image image;
    benchmark::DoNotOptimize(_photo_reader().read(PHOTO, image, 65536));
  }
}
BENCHMARK(BM_ReadPgm)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_Resample(benchmark::State& state) {
  const _image& photo = input();
  for (auto _ : state) {
    _image out;
    resample(photo, resample_ratio(photo, 3.0f), out);
    benchmark::DoNotOptimize(out.samples.data());
  }
}
BENCHMARK(BM_Resample)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_Borders(benchmark::State& state) {
  _image source = original();
  _image borders;
  for (auto _ : state) {
    find_borders(source, 5.0f, borders);  // the pipeline's default threshold
    benchmark::DoNotOptimize(borders.samples.data());
  }
}
BENCHMARK(BM_Borders)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_Halftoning(benchmark::State& state) {
  for (auto _ : state) {
    _image halftone = original();
    halftoning_ostromoukhov(halftone);
    benchmark::DoNotOptimize(halftone.samples.data());
  }
  state.counters["width"] = original().width;
}
BENCHMARK(BM_Halftoning)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Everything the window does between opening a file and showing its preview, as the document
// does it: read, resample, borders, halftone, colour field, white preview, grey stippling.
void BM_ReadToPreview(benchmark::State& state) {
  _stipple_document document;
  if (!document.load_dots(STIPPON_DATA_DIR)) return state.SkipWithError("dot sheets missing");
  _document_settings settings;
  settings.output_size = size_a4;
  document.apply(settings);
  document.set_seed(42);
  for (auto _ : state) {
    document.read(PHOTO);
    benchmark::DoNotOptimize(document.preview().samples.data());
  }
}
BENCHMARK(BM_ReadToPreview)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
