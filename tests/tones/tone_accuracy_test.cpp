#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "document/stipple_document.h"
#include "image/q_image.h"
#include "tones/tone_fixtures.h"

namespace stippon {
namespace {

using namespace fixtures;

constexpr int WEDGE_STEPS = 17;        // levels 0, 16, ..., 240, 255
constexpr unsigned PATCH = 300;        // print pixels per wedge patch side
constexpr unsigned PATCH_MARGIN = 30;  // kept away from the neighbouring patches
constexpr double SIGMA = 8.0;          // 0.68 mm at 300 ppi

double srgb_to_linear(double x) {
  return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
}

// A flat wedge, one row of patches, through lookup, halftone and dots; the ink of each patch away
// from its edges.
std::vector<double> wedge_coverage(const _tone_lookup& lookup, const _stipple_settings& settings,
                                   _image** dots) {
  const unsigned cells = unsigned(float(PATCH) / settings.scale_factor);
  _image input = white(cells, cells * WEDGE_STEPS);
  for (unsigned r = 0; r < cells; ++r)
    for (unsigned c = 0; c < input.width; ++c)
      input.samples[size_t(r) * input.width + c] = float(std::min(255u, c / cells * 16));
  const _image out = print(input, lookup, settings, dots, PATCH, PATCH * WEDGE_STEPS);
  std::vector<double> coverage;
  for (int p = 0; p < WEDGE_STEPS; ++p) {
    double sum = 0.0;
    for (unsigned r = PATCH_MARGIN; r < PATCH - PATCH_MARGIN; ++r)
      for (unsigned c = p * PATCH + PATCH_MARGIN; c < (p + 1) * PATCH - PATCH_MARGIN; ++c)
        sum += out.samples[size_t(r) * out.width + c];
    coverage.push_back(1.0 - sum / std::pow(PATCH - 2 * PATCH_MARGIN, 2) / 255.0);
  }
  return coverage;
}

// Each flat level prints with the ink the mode asks for, or with the darkest ink the dots reach
// where they cannot give more: on average within 4 grey levels, nowhere beyond 10.
TEST(ToneAccuracy, FlatWedge) {
  _library sheets;
  _image** dots = sheets.row(resolution_300);
  _tone_matcher matcher;
  for (const float packing : {1.5f, 2.0f, 3.0f})
    for (const _placement placement : {placement_grid, placement_relaxed}) {
      for (const _tone_matching mode : {tone_matching_grey, tone_matching_linear}) {
        SCOPED_TRACE(testing::Message() << "packing " << packing << ", placement " << int(placement)
                                        << ", mode " << int(mode));
        _stipple_settings settings = at_packing(packing);
        settings.placement = placement;
        const _tone_lookup lookup = matcher.lookup(settings, dots, {_levels(), mode});
        const double darkest = matcher.curve(settings, dots).darkest();
        const std::vector<double> coverage = wedge_coverage(lookup, settings, dots);
        double sum = 0.0;
        double worst = 0.0;
        for (int p = 0; p < WEDGE_STEPS; ++p) {
          const double x = std::min(255, p * 16) / 255.0;
          const double wanted = 1.0 - (mode == tone_matching_linear ? srgb_to_linear(x) : x);
          const double error = 255.0 * std::fabs(coverage[p] - std::min(wanted, darkest));
          sum += error;
          worst = std::max(worst, error);
        }
        EXPECT_LE(sum / WEDGE_STEPS, 4.0);
        EXPECT_LE(worst, 10.0);
      }
    }
}

// The Gaussian blur of a raster, sampled every `step` pixels at least 3 sigma inside it.
std::vector<double> blurred_samples(const _image& image, double sigma, unsigned step) {
  const int radius = int(std::ceil(3.0 * sigma));
  std::vector<double> weights(2 * radius + 1);
  double total = 0.0;
  for (int i = -radius; i <= radius; ++i)
    total += weights[i + radius] = std::exp(-i * i / (2 * sigma * sigma));
  for (double& w : weights) w /= total;
  const int width = int(image.width);
  const int height = int(image.height);
  std::vector<double> rows(size_t(height) * width, 0.0);  // the horizontal pass, sampled columns
  for (int y = 0; y < height; ++y)
    for (int x = radius; x < width - radius; x += int(step))
      for (int i = -radius; i <= radius; ++i)
        rows[size_t(y) * width + x] +=
            weights[i + radius] * image.samples[size_t(y) * width + x + i];
  std::vector<double> result;
  for (int y = radius; y < height - radius; y += int(step))
    for (int x = radius; x < width - radius; x += int(step)) {
      double sum = 0.0;
      for (int i = -radius; i <= radius; ++i)
        sum += weights[i + radius] * rows[size_t(y + i) * width + x];
      result.push_back(sum);
    }
  return result;
}

// Mean |blurred print - blurred reference| where both have pixels (blur is linear: the
// difference is blurred).
double blurred_difference(const _image& out, const _image& reference) {
  _image difference;
  difference.dimensions(std::min(out.height, reference.height),
                        std::min(out.width, reference.width));
  difference.create(true);
  for (unsigned r = 0; r < difference.height; ++r)
    for (unsigned c = 0; c < difference.width; ++c)
      difference.samples[size_t(r) * difference.width + c] = out.get(r, c) - reference.get(r, c);
  const std::vector<double> blurred = blurred_samples(difference, SIGMA, 4);
  double sum = 0.0;
  for (double d : blurred) sum += std::fabs(d);
  return sum / double(blurred.size());
}

// Mean |blurred print - blurred original| of the preview of an A5 print of a photograph, as the
// programs make it: the largest print that fits the sheet.
double a5_error(const std::string& name, _placement placement, _tone_matching matching) {
  _stipple_document document;
  EXPECT_TRUE(document.load_dots(STIPPON_DATA_DIR));
  _document_settings settings;
  settings.stipple.placement = placement;
  settings.tone_match.matching = matching;
  document.apply(settings);
  EXPECT_TRUE(document.read(std::string(STIPPON_DATA_DIR) + "/images/" + name));
  document.set_seed(20240607);
  const _image& out = document.preview();
  _image reference;
  resample(document.input(), float(out.width) / float(document.input().width), reference);
  return blurred_difference(out, reference);
}

// Seen from a reading distance, the print has the photograph's brightness: within 8 grey levels
// on average with grey matching, against 30 to 40 without. Relaxed dots are no further from the
// photograph than the grid's: their cells give big dots room, so that the ink spreads as evenly
// as the dots.
TEST(ToneAccuracy, PhotographsAtA5) {
  for (const char* name :
       {"camera.pgm", "coffee_gray.pgm", "astronaut_gray.pgm", "chelsea_gray.pgm", "gravel.pgm"}) {
    SCOPED_TRACE(name);
    const double grid = a5_error(name, placement_grid, tone_matching_grey);
    const double relaxed = a5_error(name, placement_relaxed, tone_matching_grey);
    EXPECT_LE(relaxed, grid);
    std::printf("%s: %.2f grey levels on the grid, %.2f relaxed\n", name, grid, relaxed);
    if (name == std::string("camera.pgm") || name == std::string("coffee_gray.pgm")) {
      const double unmatched = a5_error(name, placement_grid, tone_matching_none);
      EXPECT_LE(grid, 8.0);
      EXPECT_GE(unmatched, 20.0);
      std::printf("%s: %.2f grey levels without matching\n", name, unmatched);
    }
  }
}

}  // namespace
}  // namespace stippon
