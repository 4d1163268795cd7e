// The 1200 ppi print made whole against the banded print, for an A4 sheet (3506 px wide at
// 300 ppi, packing 2.0) and an A0 width (14043 px) streamed to a sink that keeps nothing.
// Peak memory is counted from the start of each benchmark, after its scene is built: the
// photograph, the halftone grid and the dot sheets are left out. Run from data/.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "image/q_image.h"
#include "photo/photo_reader.h"
#include "stipple/banded_print.h"
#include "stipple/dot_library.h"
#include "stipple/dot_plan.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"
#include "tones/halftone_grid.h"

namespace stippon {
namespace {

constexpr float A4_WIDTH = 3506.0f;
constexpr float A0_WIDTH = 14043.0f;
constexpr int K_1200 = 4;
constexpr uint32_t SEED = 1717171717;

// The halftone grid and the preview's size of a print `width` pixels wide, as the window makes
// them.
struct _scene {
  _dot_sheets dots;
  bool ready = false;
  _stipple_settings settings;
  _image original, borders, halftone, preview;

  explicit _scene(float width) {
    if (dots.load(65536, STIPPON_DATA_DIR) == 0) return;
    _image input;
    if (!_photo_reader().read(STIPPON_BENCH_DATA_DIR "/coffee_gray_2400x1600_upscaled.pgm", input,
                              65536))
      return;
    derive_halftone_grid(input, (width / settings.scale_factor) / float(input.width), 5.0f,
                         original, borders, halftone);
    const _preview_size size = preview_size(width, input.width, input.height);
    preview.dimensions(size.height, size.width);
    ready = true;
  }
};

_scene& a4() {
  static _scene shared(A4_WIDTH);
  return shared;
}
_scene& a0() {
  static _scene shared(A0_WIDTH);
  return shared;
}

// Linux lets a process restart its peak resident size ("5" to clear_refs), which getrusage reads;
// the peak then starts from the resident size of the scene.
// Memory freed by earlier benchmarks goes back to the system first, or it would count as scene.
void restart_peak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}
double resident_mb() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}
double peak_mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

void BM_Whole1200A4(benchmark::State& state) {
  _scene& s = a4();
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  restart_peak();
  state.counters["scene_MB"] = resident_mb();
  for (auto _ : state) {
    // The plan stamped into one raster of the whole print, as the preview is stamped.
    _random_stream stream(SEED);
    const _dot_plan plan = _dot_plan::grey(s.settings, s.halftone, K_1200, stream);
    auto print = std::make_unique<_image>();
    print->dimensions(s.preview.height * K_1200, s.preview.width * K_1200);
    print->create(true);
    _banded_print(plan, s.dots.row(resolution_1200), print->height, print->width, s.settings)
        .print_grey([&](const float* band, unsigned top, unsigned rows) {
          for (unsigned i = 0; i < rows; ++i)
            std::copy_n(
                band + size_t(i) * print->width, print->width,
                print->samples.begin() + size_t(print->height - 1 - top - i) * print->width);
          return true;
        });
    benchmark::DoNotOptimize(print->samples.data());
  }
  state.counters["peak_MB"] = peak_mb();
}
BENCHMARK(BM_Whole1200A4)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void plan(benchmark::State& state, _scene& s) {
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  size_t dots = 0, bytes = 0;
  for (auto _ : state) {
    _random_stream stream(SEED);
    const _dot_plan plan = _dot_plan::grey(s.settings, s.halftone, K_1200, stream);
    dots = plan.size();
    bytes = plan.memory_bytes();
  }
  state.counters["dots"] = double(dots);
  state.counters["plan_MB"] = double(bytes) / (1024.0 * 1024.0);
  state.counters["bytes_per_dot"] = double(bytes) / double(dots);
}
void BM_Plan1200A4(benchmark::State& state) {
  plan(state, a4());
}
BENCHMARK(BM_Plan1200A4)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_Plan1200A0Width(benchmark::State& state) {
  plan(state, a0());
}
BENCHMARK(BM_Plan1200A0Width)->Unit(benchmark::kMillisecond)->Iterations(1);

// The plan and the print in bands of state.range(0) rows, turned into bytes for a writer that
// keeps none of them.
void banded_bytes(benchmark::State& state, _scene& s) {
  if (!s.ready) return state.SkipWithError("dot sheets or photograph missing");
  restart_peak();
  state.counters["scene_MB"] = resident_mb();
  size_t bands = 0;
  for (auto _ : state) {
    _random_stream stream(SEED);
    const _dot_plan plan = _dot_plan::grey(s.settings, s.halftone, K_1200, stream);
    _banded_print print(plan, s.dots.row(resolution_1200), s.preview.height * K_1200,
                        s.preview.width * K_1200, s.settings);
    print.set_band_rows(unsigned(state.range(0)));
    print.print_bytes([&](const unsigned char* bytes, unsigned, unsigned) {
      benchmark::DoNotOptimize(bytes);
      ++bands;
      return true;
    });
  }
  state.counters["peak_MB"] = peak_mb();
  state.counters["bands"] = double(bands) / double(state.iterations());
}

void BM_Banded1200A4(benchmark::State& state) {
  banded_bytes(state, a4());
}
BENCHMARK(BM_Banded1200A4)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

void BM_Banded1200A0Width(benchmark::State& state) {
  banded_bytes(state, a0());
  state.counters["width"] = double(a0().preview.width * K_1200);
  state.counters["height"] = double(a0().preview.height * K_1200);
}
BENCHMARK(BM_Banded1200A0Width)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
