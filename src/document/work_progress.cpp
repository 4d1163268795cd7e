#include "document/work_progress.h"

#include <algorithm>

#include "document/work_control.h"
#include "inks/cmyk_separation.h"

namespace stippon {

namespace {

// Nanoseconds each stage takes per pixel it handles, measured on the development machine:
// resampling reads the photograph and writes the grid, borders, halftone and the relaxation of the
// dots go over the grid, the dots over the print. The inks of a CMYK print each relax a grid of
// the grey one's size.
constexpr double RELAX_CELL_NS = 650.0;
constexpr double RELAX_INKS_CELL_NS = RELAX_CELL_NS * INK_COUNT;
struct _stage_cost {
  double input_ns = 0.0;
  double cell_ns = 0.0;
  double print_ns = 0.0;
};
constexpr _stage_cost COSTS[_work_progress::STAGE_COUNT] = {
    {5.5, 6.2, 0.0},                 // resample
    {0.0, 12.9, 0.0},                // borders
    {0.0, 14.1, 0.0},                // halftone
    {0.0, RELAX_CELL_NS, 0.0},       // relax
    {0.0, 0.0, 10.4},                // stipple
    {0.0, RELAX_INKS_CELL_NS, 0.0},  // relax_inks
    {0.0, 0.0, 17.0},                // colour
};

double cost(_work_progress::_stage stage, const _work_sizes& sizes) {
  const _stage_cost& c = COSTS[stage];
  return c.input_ns * sizes.input_pixels + c.cell_ns * sizes.cells +
         c.print_ns * sizes.print_pixels;
}

}  // namespace

_work_progress::_work_progress(const _document_work& work, const _work_sizes& sizes) {
  const bool needed[STAGE_COUNT] = {
      work.remakes_grid(),                                   // resample
      work.remakes_grid() || work.reborders(),               // borders
      work.remakes_grid(),                                   // halftone
      sizes.relaxes && work.restipples(),                    // relax
      work.restipples(),                                     // stipple
      sizes.relaxes_inks && work.restipples(),               // relax_inks
      sizes.colour && (work.restipples() || work.reinks()),  // colour
  };
  for (int stage = 0; stage < STAGE_COUNT; ++stage) {
    if (needed[stage]) weight[stage] = cost(_stage(stage), sizes);
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
