#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/image.h"

namespace stippon {

// A point of a dot's outline, in samples of its sheet from the corner of its cell: x along the
// columns, y along the rows (up the print). The centre of sample (i, j) is (j + 0.5, i + 0.5).
struct _outline_point {
  double x = 0.0;
  double y = 0.0;
};

// The shape of one cell of a dot sheet as a pen draws it: the closed rings where the ink crosses
// half its strength (marching squares, samples outside the cell or the sheet count as paper),
// simplified, and the ink of the cell as a whole. Outer rings turn counter-clockwise and holes
// clockwise (with y up), so that any number of outlines filled by the nonzero rule give their
// union.
class _dot_outline {
 public:
  _dot_outline() = default;

  // The cell of n x n samples whose corner is sample (cell_row, cell_column) of the sheet. Rings
  // are simplified until no point strays more than `tolerance` samples from the traced line;
  // rings enclosing less than `least_area` square samples (dust and pinholes of the sheet's
  // grain) are left out.
  static _dot_outline trace(const _image& sheet, uint64_t cell_row, uint64_t cell_column,
                            unsigned n, double tolerance, double least_area);

  size_t rings() const { return ring_starts.size(); }
  std::span<const _outline_point> ring(size_t index) const;
  size_t points() const { return corners.size(); }
  // The ink of the cell: the sum over its samples of (255 - sample) / 255, in square samples.
  double ink() const { return ink_area; }
  // The centre of the ink (the dot's centre of mass); the cell's centre when it has no ink.
  _outline_point centre() const { return ink_centre; }

  // The signed area of a closed ring: positive counter-clockwise.
  static double area(std::span<const _outline_point> ring);

 private:
  void add_ring(const std::vector<_outline_point>& ring, double tolerance, double least_area);

  std::vector<_outline_point> corners;
  std::vector<uint32_t> ring_starts;
  double ink_area = 0.0;
  _outline_point ink_centre;
};

}  // namespace stippon
