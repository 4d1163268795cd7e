// Relaxed placement against the grid's in the same run, for an A5 print (2480 px wide at 300
// ppi, packing 2.0) of bench/data's photograph: the window's road from the file to the preview,
// and the batch's road from the file to a 1200 ppi print, each on 1 and 2 threads; then the
// relaxation alone. CPU time is the process's, all threads summed; on a busy machine the least of
// the repetitions ("_min") is the steadiest figure. Run from data/.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "document/stipple_document.h"
#include "stipple/relaxation.h"

namespace stippon {
namespace {

double least(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

const std::string PHOTO = STIPPON_BENCH_DATA_DIR "/coffee_gray_2400x1600_upscaled.pgm";

_document_settings settings_for(int placement, bool matched) {
  _document_settings settings;
  settings.output_size = size_a5;
  settings.stipple.placement = _placement(placement);
  if (matched) settings.tone_match.matching = tone_matching_grey;
  return settings;
}

// Everything between opening the file and showing its preview (the tone calibration is measured
// once per document, before the timing, as the window keeps it).
void BM_ReadToPreviewA5(benchmark::State& state) {
  _stipple_document document;
  if (!document.load_dots(STIPPON_DATA_DIR)) return state.SkipWithError("dot sheets missing");
  document.apply(settings_for(int(state.range(0)), state.range(1) != 0));
  document.set_threads(unsigned(state.range(2)));
  document.set_seed(42);
  document.read(PHOTO);
  for (auto _ : state) {
    document.read(PHOTO);
    benchmark::DoNotOptimize(document.preview().samples.data());
  }
  state.counters["dots"] = double(document.halftone().samples.size() -
                                  size_t(std::count(document.halftone().samples.begin(),
                                                    document.halftone().samples.end(), 255.0f)));
}
BENCHMARK(BM_ReadToPreviewA5)
    ->ArgNames({"relaxed", "matched", "threads"})
    ->ArgsProduct({{0, 1}, {0}, {1, 2}})
    ->Args({0, 1, 2})
    ->Args({1, 1, 2})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->ComputeStatistics("min", least)
    ->Repetitions(5);

// As the batch makes a print: read, preview, and the 1200 ppi PNG.
void BM_ReadToPrint1200A5(benchmark::State& state) {
  const std::string output = "/tmp/stippon_bench_relaxation_" + std::to_string(getpid()) + ".png";
  _stipple_document document;
  if (!document.load_dots(STIPPON_DATA_DIR)) return state.SkipWithError("dot sheets missing");
  document.apply(settings_for(int(state.range(0)), false));
  document.set_threads(unsigned(state.range(1)));
  document.set_seed(42);
  for (auto _ : state) {
    document.read(PHOTO);
    const _print_result result =
        document.write_print(output, resolution_1200, list_stippling, false);
    if (!result.written) state.SkipWithError(result.error.c_str());
  }
  unlink(output.c_str());
}
BENCHMARK(BM_ReadToPrint1200A5)
    ->ArgNames({"relaxed", "threads"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->ComputeStatistics("min", least)
    ->Iterations(1)
    ->Repetitions(3);

void BM_RelaxA5(benchmark::State& state) {
  _stipple_document document;
  if (!document.load_dots(STIPPON_DATA_DIR)) return state.SkipWithError("dot sheets missing");
  document.apply(settings_for(0, false));
  document.read(PHOTO);
  _thread_pool pool(unsigned(state.range(0)));
  size_t dots = 0;
  for (auto _ : state)
    dots = _relaxed_dots::of(document.settings().stipple, document.halftone(), document.original(),
                             _random_stream(unsigned(document.pattern_seed())), &pool)
               .size();
  state.counters["dots"] = double(dots);
}
BENCHMARK(BM_RelaxA5)
    ->ArgNames({"threads"})
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->ComputeStatistics("min", least)
    ->Repetitions(5);

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
