#pragma once

#include "document/document_work.h"

namespace stippon {

// The sizes a run works on: the photograph, the halftone grid and the 300 ppi print.
struct _work_sizes {
  double input_pixels = 0.0;
  double cells = 0.0;
  double print_pixels = 0.0;
  bool relaxes = false;       // the dots are relaxed before they are drawn
  bool relaxes_inks = false;  // and so are a CMYK print's four inks
  bool colour = false;        // a colour-stippled picture is drawn too
};

// The share of a run done, counted over the stages it goes through, each weighed by its time as
// estimated from the pixels it handles. So the share grows about evenly, also while a large
// photograph is resampled before any dot is drawn.
class _work_progress {
 public:
  enum _stage { resample, borders, halftone, relax, stipple, relax_inks, colour, STAGE_COUNT };

  _work_progress() = default;
  _work_progress(const _document_work& work, const _work_sizes& sizes);

  // Thousandths of the run done when `stage` has done `done` of its `total`.
  unsigned at(_stage stage, unsigned done, unsigned total) const;

 private:
  // Where each stage starts and how much it weighs; stages the run skips weigh nothing.
  double start[STAGE_COUNT] = {};
  double weight[STAGE_COUNT] = {};
  double whole = 0.0;
};

}  // namespace stippon
