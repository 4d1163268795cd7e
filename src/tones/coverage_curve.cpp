#include "tones/coverage_curve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "stipple/banded_print.h"
#include "stipple/dot_library.h"
#include "stipple/dot_plan.h"
#include "stipple/halftoning.h"
#include "stipple/random_stream.h"
#include "stipple/relaxation.h"

namespace stippon {

namespace {

constexpr double WHITE = 255.0;
// The first level of the halftone's light pattern: the error weights change between 127 and 128,
// and so does the slope of the coverage.
constexpr int LIGHT_PATTERN = 128;
// Side of the measured window, in halftone cells: with 18 levels it keeps a calibration at the
// default packing near 15 ms, and the measured ink within about half a grey level of what a
// large area gets.
constexpr double WINDOW_CELLS = 130.0;
// Dots stray by up to 6 x displacement pixels from their grid point at 300 ppi.
constexpr double JITTER_PER_DISPLACEMENT = 6.0;
// Beyond this a margin would only make the patch huge: such displacements are not offered.
constexpr double JITTER_MAX = 64.0;
// Grid spacings (output pixels per cell) outside any packing the program offers, where a patch
// would be degenerate or huge: such settings are not measured.
constexpr double SPACING_MIN = 0.5;
constexpr double SPACING_MAX = 64.0;
constexpr uint32_t CALIBRATION_SEED = 0x5717u;
// Relaxed dots near a patch edge lean inwards, the edge being the end of their cells: the window
// keeps this many cells more from each edge.
constexpr double RELAXED_MARGIN_CELLS = 8.0;

// Non-increasing values: every run that rises is replaced by its mean (pool adjacent violators).
std::vector<double> pooled(const std::vector<double>& values) {
  std::vector<double> means;
  std::vector<size_t> counts;
  for (double value : values) {
    means.push_back(value);
    counts.push_back(1);
    while (means.size() > 1 && means[means.size() - 2] < means.back()) {
      const size_t n = counts.back();
      const double mean = means.back();
      means.pop_back();
      counts.pop_back();
      means.back() = (means.back() * counts.back() + mean * n) / (counts.back() + n);
      counts.back() += n;
    }
  }
  std::vector<double> result;
  for (size_t i = 0; i < means.size(); ++i) result.insert(result.end(), counts[i], means[i]);
  return result;
}

// The slope at an end point: the three-point estimate, kept from overshooting the data.
double end_slope(double h0, double h1, double d0, double d1) {
  const double slope = ((2.0 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
  if (slope * d0 <= 0.0) return 0.0;
  if (d0 * d1 <= 0.0 && std::fabs(slope) > 3.0 * std::fabs(d0)) return 3.0 * d0;
  return slope;
}

// Slopes at the points x[0..n) of monotone data (Fritsch and Carlson): a weighted harmonic mean
// of the neighbouring secants, zero at a local flat or turn, so that the cubic cannot overshoot.
std::vector<double> slopes(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = x.size();
  std::vector<double> secant(n - 1);
  for (size_t i = 0; i + 1 < n; ++i) secant[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
  std::vector<double> m(n, n == 2 ? secant[0] : 0.0);
  if (n < 3) return m;
  m[0] = end_slope(x[1] - x[0], x[2] - x[1], secant[0], secant[1]);
  m[n - 1] = end_slope(x[n - 1] - x[n - 2], x[n - 2] - x[n - 3], secant[n - 2], secant[n - 3]);
  for (size_t i = 1; i + 1 < n; ++i) {
    if (secant[i - 1] * secant[i] <= 0.0) continue;
    const double h0 = x[i] - x[i - 1];
    const double h1 = x[i + 1] - x[i];
    const double w0 = 2.0 * h1 + h0;
    const double w1 = h1 + 2.0 * h0;
    m[i] = (w0 + w1) / (w0 / secant[i - 1] + w1 / secant[i]);
  }
  return m;
}

// Fills out[x.front() .. x.back()] with the monotone cubic through the points.
void interpolate(const std::vector<double>& x, const std::vector<double>& y, double* out) {
  if (x.size() == 1) {
    out[int(x[0])] = y[0];
    return;
  }
  const std::vector<double> m = slopes(x, y);
  for (size_t i = 0; i + 1 < x.size(); ++i) {
    const double h = x[i + 1] - x[i];
    for (int level = int(x[i]); level <= int(x[i + 1]); ++level) {
      const double t = (level - x[i]) / h;
      const double t2 = t * t;
      const double t3 = t2 * t;
      out[level] = (2.0 * t3 - 3.0 * t2 + 1.0) * y[i] + (t3 - 2.0 * t2 + t) * h * m[i] +
                   (3.0 * t2 - 2.0 * t3) * y[i + 1] + (t3 - t2) * h * m[i + 1];
    }
  }
}

// The flat patch: its halftone side in cells, its print side in pixels, and the window
// [low, high) on both axes where every dot that can reach a pixel was placed.
struct _patch {
  unsigned cells = 0;
  unsigned pixels = 0;
  unsigned low = 0;
  unsigned high = 0;
};

// The largest dot size that can be drawn, 0 when none can.
unsigned largest_dot(const _stipple_settings& settings, _image** dots) {
  if (dots == nullptr) return 0;
  const int top = std::min<int>(settings.low_density_max, DOT_SLOTS - 1);
  for (int size = top; size >= int(settings.low_density_min) && size > 0; --size)
    if (dots[size] != nullptr) return unsigned(size);
  return 0;
}

// A patch whose window is WINDOW_CELLS cells wide. Dots reach up to their size plus the jitter
// beyond their grid point, so the near edges lack the dots of cells that would lie before the
// patch; the far edges only lack the jitter of the cells beyond it.
bool patch_for(const _stipple_settings& settings, _image** dots, _patch& patch) {
  const double spacing = settings.scale_factor;
  const unsigned dot = largest_dot(settings, dots);
  if (!(spacing >= SPACING_MIN && spacing <= SPACING_MAX) || dot == 0) return false;
  const double displacement = std::fabs(double(settings.displacement));
  const double jitter = std::isfinite(displacement)
                            ? std::min(JITTER_PER_DISPLACEMENT * displacement, JITTER_MAX)
                            : 0.0;
  const unsigned relaxed = settings.placement == placement_relaxed
                               ? unsigned(std::ceil(RELAXED_MARGIN_CELLS * spacing))
                               : 0u;
  const unsigned near = dot + unsigned(std::ceil(jitter)) + 1 + relaxed;
  const unsigned far = unsigned(std::ceil(jitter + spacing)) + 1 + relaxed;
  const double window = std::ceil(WINDOW_CELLS * spacing);
  patch.cells = unsigned(std::ceil((window + near + far) / spacing));
  patch.pixels = unsigned(float(patch.cells) * settings.scale_factor);
  patch.low = near;
  patch.high = patch.pixels - far;
  return true;
}

// Stamps a plan into a white raster of the patch's size, row 0 at the bottom.
void stamp(const _dot_plan& plan, _image** dots, const _stipple_settings& settings, _image& print) {
  _banded_print(plan, dots, print.height, print.width, settings).print_grey(print);
}

double mean_ink(const _image& print, const _patch& patch) {
  double sum = 0.0;
  for (unsigned row = patch.low; row < patch.high; ++row) {
    const float* line = print.samples.data() + size_t(row) * print.width;
    for (unsigned column = patch.low; column < patch.high; ++column) sum += line[column];
  }
  const double count = double(patch.high - patch.low) * double(patch.high - patch.low);
  return 1.0 - sum / count / WHITE;
}

}  // namespace

_coverage_curve::_coverage_curve() {
  coverage_.fill(0.0);
}

_coverage_curve::_coverage_curve(const std::vector<int>& levels,
                                 const std::vector<double>& coverages) {
  coverage_.fill(0.0);
  const std::vector<double> values = pooled(coverages);
  std::vector<double> x[2];
  std::vector<double> y[2];
  const bool broken = std::count(levels.begin(), levels.end(), LIGHT_PATTERN - 1) == 1 &&
                      std::count(levels.begin(), levels.end(), LIGHT_PATTERN) == 1;
  for (size_t i = 0; i < levels.size() && i < values.size(); ++i) {
    const int piece = broken && levels[i] >= LIGHT_PATTERN ? 1 : 0;
    x[piece].push_back(levels[i]);
    y[piece].push_back(values[i]);
  }
  for (int piece = 0; piece < 2; ++piece)
    if (!x[piece].empty()) interpolate(x[piece], y[piece], coverage_.data());
  // Rounding in the cubic must not undo the order or leave the range.
  double previous = 1.0;
  for (double& value : coverage_) previous = value = std::clamp(value, 0.0, previous);
}

const std::vector<int>& _coverage_curve::knots() {
  static const std::vector<int> levels = {0,   40,  80,  112, 127, 128, 144, 168, 188,
                                          206, 220, 232, 240, 246, 250, 252, 254, 255};
  return levels;
}

_coverage_curve _coverage_curve::measure(const _stipple_settings& settings, _image** dots_300) {
  _patch patch;
  if (!patch_for(settings, dots_300, patch)) return _coverage_curve();
  _image halftone;
  halftone.dimensions(patch.cells, patch.cells);
  _image print;
  print.dimensions(patch.pixels, patch.pixels);
  std::vector<double> coverages;
  _image tones;
  for (const int level : knots()) {
    halftone.samples.assign(size_t(patch.cells) * patch.cells, float(level));
    tones = halftone;
    halftoning_ostromoukhov(halftone);
    // Dots drawn as a print's are: planned from a generator of the calibration's own, stamped.
    // Relaxed, they spread over the patch's flat tone.
    _random_stream stream(CALIBRATION_SEED);
    std::optional<_relaxed_dots> places;
    if (settings.placement == placement_relaxed)
      places = _relaxed_dots::of(settings, halftone, tones, stream);
    stamp(_dot_plan::grey(settings, halftone, 1, stream, places ? &*places : nullptr), dots_300,
          settings, print);
    coverages.push_back(mean_ink(print, patch));
  }
  return _coverage_curve(knots(), coverages);
}

int _coverage_curve::level_for(double target) const {
  if (std::isnan(target)) return 0;
  // The curve never rises: the first level at or below the target, and the one before it.
  const auto at_or_below = std::partition_point(coverage_.begin(), coverage_.end(),
                                                [&](double value) { return value > target; });
  if (at_or_below == coverage_.begin()) return 0;
  if (at_or_below == coverage_.end()) return first_of(coverage_.back());
  const double above = *(at_or_below - 1);
  return first_of(above - target <= target - *at_or_below ? above : *at_or_below);
}

int _coverage_curve::first_of(double value) const {
  const auto first =
      std::partition_point(coverage_.begin(), coverage_.end(), [&](double v) { return v > value; });
  return int(first - coverage_.begin());
}

}  // namespace stippon
