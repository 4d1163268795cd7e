#pragma once

#include <array>
#include <vector>

#include "image/image.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// The ink coverage that the dots give a flat area, for every halftone input level: 0 for white
// paper, 1 for solid ink, never rising with the level. Measured, not modelled: flat patches at a
// set of levels are halftoned and stippled as the print would be, and the curve is interpolated
// between them.
class _coverage_curve {
 public:
  static constexpr int LEVELS = 256;

  // White paper at every level.
  _coverage_curve();
  // Through (level, coverage) points: levels ascending from 0 to 255, one coverage each. Values
  // that rise with the level are pooled first (the curve is monotone by construction); between
  // the points a shape-preserving cubic runs, broken between 127 and 128 when both are points,
  // where the halftone changes its pattern.
  _coverage_curve(const std::vector<int>& levels, const std::vector<double>& coverages);

  // Stipples flat patches at the KNOTS levels with these settings and 300 ppi sheets (indexed by
  // dot size), as prints are stippled (a dot plan stamped in bands) from a fixed seed of a
  // generator of its own, and reads the mean ink away from the patch edges.
  static _coverage_curve measure(const _stipple_settings& settings, _image** dots_300);
  // The levels measure() stipples; 127 and 128 on both sides of the halftone's change of pattern,
  // dense towards white, where a level step moves the ink most.
  static const std::vector<int>& knots();

  double coverage(int level) const { return coverage_[level]; }
  double darkest() const { return coverage_[0]; }
  // The halftone level whose coverage is nearest the target; a target beyond reach gets the
  // nearest reachable coverage. Between levels equally near, the darker.
  int level_for(double target) const;

 private:
  // The darkest level whose coverage is this value of the curve.
  int first_of(double value) const;

  std::array<double, LEVELS> coverage_;
};

}  // namespace stippon
