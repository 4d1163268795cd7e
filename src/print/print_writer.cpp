#include "print/print_writer.h"

#include <algorithm>

#include "print/bilevel_bits.h"

namespace stippon {

bool _print_writer::open(const std::string& target, unsigned width, unsigned height, unsigned ppi,
                         _print_kind kind) {
  start_over(target);
  columns = width;
  rows = height;
  resolution = ppi;
  pixels = kind;
  done = 0;
  if (width == 0 || height == 0) return fail("The print " + target + " has no pixels");
  if (ppi == 0 && needs_resolution()) return fail("The print " + target + " has no resolution");
  if (!holds(kind)) return fail("This file format cannot hold the print " + target + " exactly");
  return create() && start();
}

bool _print_writer::write_rows(const uint8_t* rows_given, unsigned count) {
  if (!is_open()) return fail("No print is open");  // or keeps the reason it closed
  if (count > rows - done)
    return fail(std::to_string(count) + " rows given where " + std::to_string(rows - done) +
                " remain of " + target());
  const size_t stride = row_bytes();
  for (unsigned k = 0; k < count; ++k, rows_given += stride) {
    if (pixels == _print_kind::bilevel && !check_bilevel(rows_given)) return false;
    if (!put(rows_given)) return false;
    ++done;
  }
  if (on_progress && !on_progress(done, rows)) return fail("Cancelled");
  return true;
}

bool _print_writer::commit() {
  if (!is_open()) return fail("No print is open");  // or keeps the reason it closed
  if (done < rows)
    return fail("Only " + std::to_string(done) + " of " + std::to_string(rows) + " rows of " +
                target() + " were written");
  if (!finish()) return false;
  release();
  return rename_over_target();
}

unsigned _print_writer::block_rows() const {
  constexpr size_t BLOCK_BYTES = size_t{1} << 20;
  return static_cast<unsigned>(std::clamp<size_t>(BLOCK_BYTES / row_bytes(), 1, rows));
}

size_t _print_writer::packed_row_bytes() const {
  return pixels == _print_kind::bilevel ? (size_t{columns} + 7) / 8 : row_bytes();
}

void _print_writer::pack_row(const uint8_t* row, bool white_set, uint8_t* packed) const {
  if (pixels == _print_kind::bilevel)
    pack_bilevel(row, columns, white_set, packed);
  else
    std::memcpy(packed, row, row_bytes());
}

// Whole rows are checked at once, which vectorises; the first grey sample is sought only in a
// row that has one.
bool _print_writer::check_bilevel(const uint8_t* row) {
  int grey_samples = 0;
#pragma omp simd reduction(| : grey_samples)
  for (unsigned x = 0; x < columns; ++x)
    grey_samples |= (row[x] != BILEVEL_BLACK) & (row[x] != BILEVEL_WHITE);
  if (grey_samples == 0) return true;
  const uint8_t* end = row + columns;
  const uint8_t* grey =
      std::find_if(row, end, [](uint8_t v) { return v != BILEVEL_BLACK && v != BILEVEL_WHITE; });
  return fail("The black and white print " + target() + " has the sample " + std::to_string(*grey) +
              " at row " + std::to_string(done) + ", column " + std::to_string(grey - row));
}

}  // namespace stippon
