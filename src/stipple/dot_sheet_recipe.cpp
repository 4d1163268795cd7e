#include "stipple/dot_sheet_recipe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "print/raster_file.h"
#include "stipple/dot_generator.h"
#include "stipple/uniform_random.h"

namespace stippon {
namespace {

constexpr unsigned PRINT_SCALE = 4;  // 1200 ppi over 300 ppi
constexpr int CANDIDATES = 60;

// Larger cells need more drops and steps to be filled; one drop grows round, two or three merge
// into slightly lobed blots. Fewer steps for the smallest dots keep them off the cell's corners.
struct _growth {
  float drops;
  float steps;
};
constexpr _growth GROWTH[] = {{1, 6000}, {1, 11000}, {2, 18000}, {2, 28000}, {3, 40000}};

// Ratio of the principal axes of a blot's ink (1 for a disc), from its second moments.
double blot_elongation(const _image& candidates, unsigned first, unsigned side, double cx,
                       double cy) {
  double xx = 0.0, yy = 0.0, xy = 0.0;
  for (unsigned y = 0; y < side; ++y) {
    for (unsigned x = 0; x < side; ++x) {
      const double d = 255.0 - candidates.get(y, first + x);
      xx += d * (x + 0.5 - cx) * (x + 0.5 - cx);
      yy += d * (y + 0.5 - cy) * (y + 0.5 - cy);
      xy += d * (x + 0.5 - cx) * (y + 0.5 - cy);
    }
  }
  const double half_trace = (xx + yy) * 0.5;
  const double spread = std::sqrt(std::max(0.0, half_trace * half_trace - (xx * yy - xy * xy)));
  return (half_trace + spread) / std::max(1e-9, half_trace - spread);
}

// Ink in the four corner blocks of PRINT_SCALE x PRINT_SCALE print pixels (the corner pixels of
// the cell at 300 ppi), and whether the cell's very corner pixels hold any.
struct _corner_ink {
  double blocks = 0.0;
  bool at_corner = false;
};
_corner_ink corner_ink(const _image& candidates, unsigned first, unsigned side) {
  _corner_ink ink;
  for (unsigned y = 0; y < side; ++y) {
    for (unsigned x = 0; x < side; ++x) {
      const bool corner_row = y < PRINT_SCALE || y >= side - PRINT_SCALE;
      const bool corner_column = x < PRINT_SCALE || x >= side - PRINT_SCALE;
      if (!corner_row || !corner_column) continue;
      const double d = 255.0 - candidates.get(y, first + x);
      ink.blocks += d;
      if ((y == 0 || y == side - 1) && (x == 0 || x == side - 1) && d > 0.0) ink.at_corner = true;
    }
  }
  ink.blocks /= 4.0 * PRINT_SCALE * PRINT_SCALE;
  return ink;
}

// How well a grown blot sits in its cell: lower is better. Ink outside the inscribed circle
// would be cut straight by the cell's edge or touch the neighbouring dot, an off-centre blot
// leaves a gap on one side, two drops sometimes grow into a peanut, and ink in the corners shows
// as a square dot on screen (worst of all in the very corner pixels).
double blot_score(const _image& candidates, unsigned cell, unsigned side) {
  double ink = 0.0, sum_x = 0.0, sum_y = 0.0, outside = 0.0;
  int outside_pixels = 0;
  const unsigned first = cell * side;
  const double half = side * 0.5;
  for (unsigned y = 0; y < side; ++y) {
    for (unsigned x = 0; x < side; ++x) {
      const double d = 255.0 - candidates.get(y, first + x);
      ink += d;
      sum_x += d * (x + 0.5);
      sum_y += d * (y + 0.5);
      if (std::hypot(x + 0.5 - half, y + 0.5 - half) > half) {
        outside += d;
        ++outside_pixels;
      }
    }
  }
  if (ink <= 0.0) return 1e9;
  const double cx = sum_x / ink, cy = sum_y / ink;
  const double offset = std::hypot(cx - half, cy - half) / side;
  const double peanut = blot_elongation(candidates, first, side, cx, cy) > 1.7 ? 10.0 : 0.0;
  const _corner_ink corners = corner_ink(candidates, first, side);
  return offset * 20.0 + outside / outside_pixels * 0.1 + peanut + corners.blocks * 0.3 +
         (corners.at_corner ? 100.0 : 0.0);
}

// A paper that lets a pixel soak only when nearly black, so that blots get the solid core of real
// ink; the slight grain keeps the core from looking printed.
_image ink_paper(unsigned side) {
  _image paper;
  paper.dimensions(side, side);
  paper.create(false);
  for (float& level : paper.samples) level = 238.0f + float(random()) * 14.0f * RANDOM_UNIT;
  return paper;
}

}  // namespace

_image grow_dot_sheet(unsigned dot_size) {
  const _growth& growth = GROWTH[std::clamp(dot_size, 4u, 8u) - 4];
  const unsigned side = dot_size * PRINT_SCALE;
  srandom(DOT_SHEET_SEED + dot_size);
  _image paper = ink_paper(side);
  _image candidates;
  grow_blots(candidates, 1, CANDIDATES, int(side), growth.drops, growth.steps, &paper);
  for (float& level : candidates.samples) level = std::round(level);

  std::vector<std::pair<double, unsigned>> ranking;
  for (unsigned k = 0; k < CANDIDATES; ++k) ranking.push_back({blot_score(candidates, k, side), k});
  std::stable_sort(ranking.begin(), ranking.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<unsigned> picked;
  for (int v = 0; v < DOT_SHEET_VARIANTS; ++v) picked.push_back(ranking[v].second);
  std::sort(picked.begin(), picked.end());

  _image sheet;
  sheet.dimensions(side, side * DOT_SHEET_VARIANTS);
  sheet.create(true);
  for (unsigned v = 0; v < picked.size(); ++v) {
    for (unsigned y = 0; y < side; ++y) {
      for (unsigned x = 0; x < side; ++x) {
        sheet.put(y, v * side + x, candidates.get(y, picked[v] * side + x));
      }
    }
  }
  return sheet;
}

_image reduce_dot_sheet(const _image& sheet, unsigned factor) {
  _image reduced;
  reduced.dimensions(sheet.height / factor, sheet.width / factor);
  reduced.create(true);
  const float area = float(factor * factor);
  for (unsigned y = 0; y < reduced.height; ++y) {
    for (unsigned x = 0; x < reduced.width; ++x) {
      float sum = 0.0f;
      for (unsigned i = 0; i < factor; ++i) {
        for (unsigned j = 0; j < factor; ++j) sum += sheet.get(y * factor + i, x * factor + j);
      }
      reduced.put(y, x, std::round(sum / area));
    }
  }
  return reduced;
}

std::string write_dot_sheets(const std::string& folder,
                             const std::function<void(const std::string&)>& written) {
  constexpr unsigned RESOLUTIONS[] = {1200, 600, 300};
  for (unsigned size = 4; size <= 8; ++size) {
    const _image print = grow_dot_sheet(size);
    for (unsigned resolution : RESOLUTIONS) {
      _image sheet = reduce_dot_sheet(print, 1200 / resolution);
      const std::string name =
          folder + "/dots_" + std::to_string(size) + "_" + std::to_string(resolution) + ".pgm";
      const std::string error = write_pgm(name, sheet);
      if (!error.empty()) return error;
      if (written) written(name);
    }
  }
  return {};
}

}  // namespace stippon
