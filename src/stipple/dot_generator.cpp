// Ink blots grown by a small simulation of ink soaking into paper, and sheets of them in the
// layout of the dot library.
#include "stipple/dot_generator.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "stipple/uniform_random.h"

namespace stippon {
namespace {

constexpr float WHITE = 255.0f;
constexpr float TOTAL_INK = 100.0f;
// Spreading weights: edge neighbours take twice what corner neighbours take; the eight add to 1.
constexpr float EDGE_WEIGHT = 1.0f / 6.0f;
constexpr float CORNER_WEIGHT = 1.0f / 12.0f;

float draw_raw() {
  return static_cast<float>(::random());
}

// Float-to-unsigned conversion is undefined outside the target's range, so clamp first.
unsigned truncate_count(float value) {
  constexpr float LIMIT = 2147483648.0f;
  if (!(value > 0.0f)) return 0;
  return value >= LIMIT ? 2147483647u : static_cast<unsigned>(value);
}

// Absorbency of the paper: light grey levels between 200 and 250, each the mean of four draws.
_image make_paper(unsigned size) {
  _image paper;
  paper.dimensions(size, size);
  paper.create(false);
  for (unsigned column = 0; column < size; ++column) {
    for (unsigned row = 0; row < size; ++row) {
      float level[4];
      for (float& u : level) u = draw_raw() * 50.0f * RANDOM_UNIT + 200.0f;
      paper.put(row, column, (level[0] + level[1] + level[2] + level[3]) * 0.25f);
    }
  }
  return paper;
}

// One blot simulation over a cell raster. The active list keeps insertion order because the
// roulette walks it from the front.
class _ink_flow {
 public:
  _ink_flow(_image& cell, const _image& paper, float darkening, float absorption)
      : cell(cell),
        paper(paper),
        darkening(darkening),
        absorption(absorption),
        ink(cell.samples.size(), 0.0f) {}

  void set_focus(double column, double row) {
    focus_column = column;
    focus_row = row;
  }

  void add_drop(unsigned spot, unsigned drops);
  void step(float elongation);

 private:
  unsigned index(unsigned column, unsigned row) const { return row * cell.width + column; }
  float active_ink(size_t entry) const {
    return ink[index(active_columns[entry], active_rows[entry])];
  }
  void append(unsigned column, unsigned row) {
    active_columns.push_back(column);
    active_rows.push_back(row);
  }
  void remove(size_t entry) {
    active_columns.erase(active_columns.begin() + entry);
    active_rows.erase(active_rows.begin() + entry);
  }
  long choose(float t);
  void spread(unsigned column, unsigned row, float q);
  void shape();

  _image& cell;
  const _image& paper;
  float darkening;
  float absorption;
  std::vector<float> ink;
  std::vector<unsigned> active_columns;
  std::vector<unsigned> active_rows;
  unsigned centre_column = 0;
  unsigned centre_row = 0;
  double focus_column = 0.0;
  double focus_row = 0.0;
};

// A drop lands near the cell centre: the mean of four uniform offsets is bell-shaped.
unsigned drop_coordinate(unsigned extent) {
  float o[4];
  for (float& u : o) u = draw_raw() * RANDOM_UNIT - 0.5f;
  const float offset =
      std::trunc(static_cast<float>(extent) * ((o[0] + o[1] + o[2] + o[3]) * 0.25f));
  return static_cast<unsigned>(offset + static_cast<float>(extent) * 0.5f);
}

void _ink_flow::add_drop(unsigned spot, unsigned drops) {
  centre_column = drop_coordinate(cell.width);
  centre_row = drop_coordinate(cell.height);
  const float share = static_cast<float>(100.0 / (double(spot) * spot * drops));
  const long first_column = static_cast<long>(centre_column) - spot / 2;
  const long first_row = static_cast<long>(centre_row) - spot / 2;
  for (long column = first_column; column < first_column + long(spot); ++column) {
    for (long row = first_row; row < first_row + long(spot); ++row) {
      if (column < 0 || row < 0 || column >= long(cell.width) || row >= long(cell.height)) continue;
      append(unsigned(column), unsigned(row));
      ink[index(unsigned(column), unsigned(row))] = share;
    }
  }
}

// Roulette over the active list: an entry is reached with a chance proportional to its ink; a t
// beyond the ink left reaches none (-1). Entries whose ink has run out are dropped on the way.
long _ink_flow::choose(float t) {
  size_t entry = 0;
  while (active_ink(entry) <= t) {
    const float passed = active_ink(entry);
    if (passed <= 0.0f) {
      remove(entry);
    } else {
      ++entry;
    }
    if (entry >= active_columns.size()) return -1;
    t -= passed;
  }
  return static_cast<long>(entry);
}

void _ink_flow::spread(unsigned column, unsigned row, float q) {
  float& own = ink[index(column, row)];
  for (int dc = -1; dc <= 1; ++dc) {
    for (int dr = -1; dr <= 1; ++dr) {
      if (dc == 0 && dr == 0) continue;
      const long nc = long(column) + dc;
      const long nr = long(row) + dr;
      if (nc < 0 || nr < 0 || nc >= long(cell.width) || nr >= long(cell.height)) continue;
      const float w = (dc == 0 || dr == 0) ? EDGE_WEIGHT : CORNER_WEIGHT;
      const unsigned n = index(unsigned(nc), unsigned(nr));
      const bool darkened = cell.samples[n] < WHITE;
      const bool holds_ink = ink[n] > 0.0f;
      if (darkened && !holds_ink) {
        // A dry, already inked pixel refuses ink: the rest of the ring gets more.
        q += q * w;
        continue;
      }
      if (!darkened && !holds_ink) append(unsigned(nc), unsigned(nr));
      ink[n] += q * w;
      own -= q * w;
    }
  }
  if (own < 0.0f) own = 0.0f;
}

// Pulls the blot towards the line between the last drop and the shape focus: the active pixel
// farthest from both hands its ink to the nearest one.
void _ink_flow::shape() {
  size_t nearest = 0;
  size_t farthest = 0;
  double nearest_sum = 0.0;
  double farthest_sum = 0.0;
  for (size_t entry = 0; entry < active_columns.size(); ++entry) {
    const float dx = float(active_columns[entry]) - float(centre_column);
    const float dy = float(active_rows[entry]) - float(centre_row);
    const double fx = double(active_columns[entry]) - focus_column;
    const double fy = double(active_rows[entry]) - focus_row;
    const double sum = double(std::sqrt(dx * dx + dy * dy)) + std::sqrt(fx * fx + fy * fy);
    if (entry == 0 || sum < nearest_sum) {
      nearest = entry;
      nearest_sum = sum;
    }
    if (entry == 0 || sum > farthest_sum) {
      farthest = entry;
      farthest_sum = sum;
    }
  }
  // With a single candidate the move would hand a pixel its own ink and then drain it.
  if (nearest == farthest) return;
  float& moved = ink[index(active_columns[farthest], active_rows[farthest])];
  ink[index(active_columns[nearest], active_rows[nearest])] += moved;
  moved = 0.0f;
  remove(farthest);
}

void _ink_flow::step(float elongation) {
  const float t = draw_raw() * TOTAL_INK * RANDOM_UNIT;
  if (active_columns.empty()) return;
  const long entry = choose(t);
  if (entry < 0) return;
  const unsigned column = active_columns[size_t(entry)];
  const unsigned row = active_rows[size_t(entry)];
  const unsigned p = index(column, row);

  float grey = cell.samples[p] - darkening;
  cell.samples[p] = grey <= 0.0f ? 0.0f : (grey > WHITE ? WHITE : grey);
  float released = 0.0f;
  if (cell.samples[p] <= WHITE - paper.samples[row * paper.width + column]) {
    released = ink[p];
    ink[p] = 0.0f;
  }
  const float kept = static_cast<float>(double(ink[p]) * 0.9 * (1.0f - absorption) + released);
  const float q = ink[p] < kept ? ink[p] : kept;
  if (q > 0.0f) spread(column, row, q);

  if (elongation > 0.0f && draw_raw() * RANDOM_UNIT < elongation) shape();
}

}  // namespace

_image grow_blot(unsigned spot, unsigned size, float darkening, unsigned steps, unsigned drops,
                 float elongation, float angle, float absorption, const _image* paper) {
  // fmod gives exactly what repeated subtraction of 360 would, without looping forever on a
  // huge angle.
  if (angle > 360.0f) angle = std::fmod(angle, 360.0f);
  if (angle > 180.0f) angle -= 360.0f;

  // The focus stays a real number: a tiny elongation puts it far outside the cell.
  double focus_column = 0.0;
  double focus_row = 0.0;
  if (elongation > 0.0f) {
    spot *= 4;
    const double radians = angle / 180.0 * 3.14159265;
    const float m = static_cast<float>(size) * elongation;
    const float h = static_cast<float>(size) * 0.5f;
    focus_column = std::trunc(std::cos(radians) / m + h);
    focus_row = std::trunc(h + std::sin(radians) / m);
  }

  // A paper smaller than the cell would be read outside its samples: grow a private one instead.
  _image own_paper;
  if (paper == nullptr || paper->width < size || paper->height < size) {
    own_paper = make_paper(size);
    paper = &own_paper;
  }

  _image blot;
  blot.dimensions(size, size);
  blot.create(true);

  _ink_flow flow(blot, *paper, darkening, absorption);
  flow.set_focus(focus_column, focus_row);
  for (unsigned drop = 0; drop < drops; ++drop) flow.add_drop(spot, drops);
  for (unsigned step = 0; step < steps; ++step) flow.step(elongation);
  return blot;
}

bool grow_blots(_image& sheet, int rows, int columns, int cell, float drops_value,
                float steps_value, const _image* paper) {
  const int64_t sheet_rows = int64_t(rows) * cell;
  const int64_t sheet_columns = int64_t(columns) * cell;
  if (rows <= 0 || columns <= 0 || cell <= 0 || sheet_rows * sheet_columns > UINT32_MAX)
    return false;
  sheet.dimensions(unsigned(sheet_rows), unsigned(sheet_columns));
  sheet.create(true);

  // Negative or non-finite values would be undefined as counts: they mean no extra drops/steps.
  if (!(drops_value >= 0.0f)) drops_value = 0.0f;
  if (!(steps_value >= 0.0f)) steps_value = 0.0f;
  const unsigned whole_drops = truncate_count(drops_value);
  const unsigned drops = whole_drops + 1;
  const float elongation = drops_value - static_cast<float>(whole_drops + 1) + 1.0f;
  const float fewest_steps = static_cast<float>(0.67 * double(steps_value));

  const unsigned side = unsigned(cell);
  for (unsigned k = 0; k < unsigned(rows) * unsigned(columns); ++k) {
    const float d1 = draw_raw();
    const float d2 = draw_raw();
    const float d3 = draw_raw();
    const float d4 = draw_raw();
    const float darkening = 10.0f + d2 * 10.0f * RANDOM_UNIT;
    const unsigned steps =
        truncate_count(d3 * ((steps_value - fewest_steps) * RANDOM_UNIT) + fewest_steps);
    const float angle = d1 * 360.0f * RANDOM_UNIT - 180.0f;
    const float absorption = 0.1f + d4 * 0.5f * RANDOM_UNIT;
    const _image blot =
        grow_blot(1, side, darkening, steps, drops, elongation, angle, absorption, paper);

    const unsigned first_row = (k / unsigned(columns)) * side;
    const unsigned first_column = (k % unsigned(columns)) * side;
    for (unsigned i = 0; i < side; ++i) {
      for (unsigned j = 0; j < side; ++j) {
        sheet.samples[size_t(first_row + i) * sheet.width + first_column + j] =
            blot.samples[i * side + j];
      }
    }
  }
  return true;
}

}  // namespace stippon
