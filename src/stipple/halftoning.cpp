#include "stipple/halftoning.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "stipple/coefficients.h"

namespace stippon {

namespace {

// The table row of a sample's truncated level. Levels outside 0..255 (and NaN) take the nearest
// end row, so no sample can read outside the table.
inline int coefficient_row(double level) {
  if (!(level > 0.0)) return 0;
  if (level >= 255.0) return 255;
  return static_cast<int>(level);
}

// One row of the serpentine scan. The level is truncated in double precision, which equals the
// integer truncation for every level an int can hold and stays defined for any float.
//
// The scan is bound by the chain from one pixel's error to the next pixel's value (a division
// among it), so the share ahead is carried in a register: `pending` is current[column] after
// the share was added, the same addition. The share pushed past the row's end is dropped: that
// cell is never read.
inline void halftone_row(float* samples, int width, int direction, double* current, double* next) {
  int column = direction > 0 ? 0 : width - 1;
  double pending = current[column];
  for (int i = 0; i < width; ++i, column += direction) {
    const double level = std::trunc(static_cast<double>(samples[column]));
    const double value = level + pending;
    const bool white = value > 127.5;
    const double error = white ? value - 255.0 : value;
    const int* weights = Coefficients[coefficient_row(level)];
    const double sum = static_cast<double>(weights[3]);
    const double ahead = static_cast<double>(weights[0]) * error / sum;
    const double behind = static_cast<double>(weights[1]) * error / sum;
    next[column - direction] += behind;
    next[column] += error - (ahead + behind);
    pending = current[column + direction] + ahead;
    // Pure black stays black: a solid shadow keeps its ink whatever its neighbours pushed.
    samples[column] = white && level != 0.0 ? 255.0f : 0.0f;
  }
}

}  // namespace

void halftoning_ostromoukhov(_image& image) {
  const uint32_t width = image.width, height = image.height;
  if (width == 0 || height == 0) return;
  // Cells -1 and width of each row absorb the shares pushed past the picture's sides.
  std::vector<double> row_a(width + 2, 0.0);
  std::vector<double> row_b(width + 2, 0.0);
  double* current = row_a.data() + 1;
  double* next = row_b.data() + 1;
  const int columns = static_cast<int>(width);
  for (uint32_t row = 0; row < height; ++row) {
    const int direction = row % 2 == 0 ? 1 : -1;
    halftone_row(image.samples.data() + static_cast<size_t>(row) * width, columns, direction,
                 current, next);
    std::swap(current, next);
    std::fill(next, next + width, 0.0);
  }
}

}  // namespace stippon
