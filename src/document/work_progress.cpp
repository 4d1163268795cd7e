#include "document/work_progress.h"

#include <algorithm>

#include "document/work_control.h"

namespace stippon {

namespace {

// Nanoseconds per pixel of each stage, measured on the development machine: resampling reads the
// photograph and writes the grid, borders and halftone go over the grid, the dots over the print.
constexpr double RESAMPLE_INPUT_NS = 5.5;
constexpr double RESAMPLE_CELL_NS = 6.2;
constexpr double BORDERS_CELL_NS = 12.9;
constexpr double HALFTONE_CELL_NS = 14.1;
constexpr double STIPPLE_PIXEL_NS = 10.4;
constexpr double COLOUR_PIXEL_NS = 17.0;

}  // namespace

_work_progress::_work_progress(const _document_work& work, const _work_sizes& sizes) {
  if (work.remakes_grid()) {
    weight[resample] = RESAMPLE_INPUT_NS * sizes.input_pixels + RESAMPLE_CELL_NS * sizes.cells;
    weight[halftone] = HALFTONE_CELL_NS * sizes.cells;
  }
  if (work.remakes_grid() || work.reborders()) weight[borders] = BORDERS_CELL_NS * sizes.cells;
  if (work.restipples()) weight[stipple] = STIPPLE_PIXEL_NS * sizes.print_pixels;
  if (sizes.colour && (work.restipples() || work.reinks()))
    weight[colour] = COLOUR_PIXEL_NS * sizes.print_pixels;
  for (int stage = 0; stage < STAGE_COUNT; ++stage) {
    start[stage] = whole;
    whole += weight[stage];
  }
}

unsigned _work_progress::at(_stage stage, unsigned done, unsigned total) const {
  if (!(whole > 0.0)) return 0;
  const double share = total > 0 ? std::min(1.0, double(done) / total) : 1.0;
  return unsigned((start[stage] + weight[stage] * share) / whole * _work_control::WHOLE);
}

}  // namespace stippon
