#include "stipple/relaxation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "parallel/parallel_chunks.h"
#include "stipple/darkness_field.h"
#include "stipple/dot_buckets.h"
#include "stipple/dot_placement.h"
#include "stipple/dot_walk.h"
#include "stipple/voronoi_cell.h"

namespace stippon {

namespace {

// A cell is cut to a box of this half side around its dot (grid units). Beyond it the paper is
// so light that the far part of a cell would carry next to no weight, and the box bounds the
// search for neighbours around the dots at the edge of a white area.
constexpr double CELL_REACH = 4.0;
// Fixed, so that a seed gives the same places on any machine.
constexpr int ROUNDS = 3;
// Lloyd's step, doubled (a dot lands as far past its cell's centroid as it stood before it):
// three rounds even the spread out as far as four shorter ones did.
constexpr double OVER_RELAXATION = 2.0;
// Where the photograph asks for this much darkness or more, the dots overlap into near-solid ink
// (four fifths of the paper or more) wherever they stand: they keep their places, and cost
// nothing, which on a dark photograph is a third of the work or more.
constexpr double SOLID_DARKNESS = 0.6;
// A dot's power weight is this share of its cell's area (counted up to ROOM_AREA_CAP grid units)
// times its ink over the average dot's, less one, the ink being the size squared: on light paper
// a dot of twice the average ink gets about two fifths more room than its neighbours. Where dots
// overlap the ink is shared whatever their room, so the share fades with the darkness and is
// gone at 1 / INK_ROOM_FADE.
constexpr double INK_ROOM = 0.25;
constexpr double INK_ROOM_FADE = 1.5;
constexpr double ROOM_AREA_CAP = 9.0;
// A relaxed dot keeps this far inside the grid, so that its cell never degenerates at the edge.
constexpr double EDGE_MARGIN = 1e-3;
// Buckets a side of the tiles that bound the power weights near a dot.
constexpr int TILE = 8;
// The dots of the 3 x 3 buckets around a dot that are sorted by distance before they cut its
// cell: about 5 at mid-tones, 8 where the halftone is solid.
constexpr size_t BLOCK_DOTS = 16;
// Dots a thread takes at a time.
constexpr size_t CHUNK = 1024;

// A dot near another: its offset, squared distance, and how much lighter its power weight is.
struct _neighbour {
  double dx;
  double dy;
  double distance;
  double difference;
};

// The largest power weight over the tiles around each tile, and over all tiles.
class _weight_bounds {
 public:
  _weight_bounds(unsigned width, unsigned height)
      : columns_((width + TILE - 1) / TILE), rows_((height + TILE - 1) / TILE) {}

  void build(const std::vector<double>& xs, const std::vector<double>& ys,
             const std::vector<double>& weights) {
    std::vector<double> own(size_t(columns_) * rows_, 0.0);
    for (size_t i = 0; i < weights.size(); ++i) {
      double& tile = own[index(tile_of(ys[i], rows_), tile_of(xs[i], columns_))];
      tile = std::max(tile, weights[i]);
    }
    all_ = *std::max_element(own.begin(), own.end());
    around_.assign(own.size(), 0.0);
    for (int r = 0; r < rows_; ++r)
      for (int c = 0; c < columns_; ++c)
        for (int i = std::max(r - 1, 0); i <= std::min(r + 1, rows_ - 1); ++i)
          for (int j = std::max(c - 1, 0); j <= std::min(c + 1, columns_ - 1); ++j)
            around_[index(r, c)] = std::max(around_[index(r, c)], own[index(i, j)]);
  }

  // The largest weight within TILE grid units of (x, y).
  double near(double x, double y) const {
    return around_.empty() ? 0.0 : around_[index(tile_of(y, rows_), tile_of(x, columns_))];
  }
  double everywhere() const { return all_; }

 private:
  static int tile_of(double place, int tiles) {
    return std::clamp(int(place) / TILE, 0, tiles - 1);
  }
  size_t index(int row, int column) const { return size_t(row) * columns_ + size_t(column); }

  int columns_;
  int rows_;
  double all_ = 0.0;
  std::vector<double> around_;
};

// The weight over a cell and its first moments, each times the same constant (12), which the
// centroid divides out.
struct _moments {
  double weight = 0.0;
  double x = 0.0;
  double y = 0.0;

  // A triangle over which the weight runs linearly between its corners' values.
  void add(double x0, double y0, double w0, double x1, double y1, double w1, double x2, double y2,
           double w2) {
    const double twice_area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    const double sum = w0 + w1 + w2;
    weight += 4.0 * twice_area * sum;
    x += twice_area * (sum * (x0 + x1 + x2) + w0 * x0 + w1 * x1 + w2 * x2);
    y += twice_area * (sum * (y0 + y1 + y2) + w0 * y0 + w1 * y1 + w2 * y2);
  }
};

// The dots of one round: their places, power weights and buckets, read by every dot's cell.
class _round {
 public:
  _round(const std::vector<double>& xs, const std::vector<double>& ys,
         const std::vector<double>& weights, const _dot_buckets& buckets,
         const _weight_bounds& bounds, unsigned width, unsigned height)
      : xs_(xs),
        ys_(ys),
        weights_(weights),
        buckets_(buckets),
        bounds_(bounds),
        width_(width),
        height_(height) {}

  // Dot i's power cell within the grid and its reach box: first cut by the dots of the 3 x 3
  // buckets around it, nearest first, which are most of its neighbours, then ring of buckets by
  // ring by the dots that lie near enough to cut the cell so made.
  void cell_of(size_t i, _voronoi_cell& cell) const {
    const double px = xs_[i];
    const double py = ys_[i];
    cell.reset(std::max(-CELL_REACH, -px), std::max(-CELL_REACH, -py),
               std::min(CELL_REACH, double(width_) - px),
               std::min(CELL_REACH, double(height_) - py));
    const double own = weight(i);
    const int row = buckets_.row_of(py);
    const int column = buckets_.column_of(px);
    std::array<_neighbour, BLOCK_DOTS> block;
    size_t count = 0;
    buckets_.each_in(row - 1, row + 1, column - 1, column + 1, [&](double x, double y, uint32_t j) {
      if (j == i) return;
      const _neighbour near{x - px, y - py, (x - px) * (x - px) + (y - py) * (y - py),
                            own - weight(j)};
      if (count < BLOCK_DOTS)
        block[count++] = near;
      else
        cell.cut(near.dx, near.dy, near.difference);
    });
    std::sort(block.begin(), block.begin() + count,
              [](const _neighbour& a, const _neighbour& b) { return a.distance < b.distance; });
    for (size_t k = 0; k < count; ++k) cell.cut(block[k].dx, block[k].dy, block[k].difference);

    double near = bound(cell, own, px, py);
    const auto cut = [&](double x, double y, uint32_t j) {
      const double dx = x - px;
      const double dy = y - py;
      if (dx * dx + dy * dy < near) cell.cut(dx, dy, own - weight(j));
    };
    const int last = std::max({row, int(height_) - 1 - row, column, int(width_) - 1 - column});
    for (int k = 2; k <= last; ++k) {
      // How far the sides of ring k lie from the dot.
      const double bottom = py - double(row - k + 1);
      const double top = double(row + k) - py;
      const double left = px - double(column - k + 1);
      const double right = double(column + k) - px;
      const bool below = bottom * bottom < near;
      const bool above = top * top < near;
      const bool before = left * left < near;
      const bool after = right * right < near;
      if (!(below || above || before || after)) break;
      if (below) buckets_.each_in(row - k, row - k, column - k, column + k, cut);
      if (above) buckets_.each_in(row + k, row + k, column - k, column + k, cut);
      if (before) buckets_.each_in(row - k + 1, row + k - 1, column - k, column - k, cut);
      if (after) buckets_.each_in(row - k + 1, row + k - 1, column + k, column + k, cut);
      near = bound(cell, own, px, py);
    }
  }

 private:
  double weight(size_t i) const { return weights_.empty() ? 0.0 : weights_[i]; }

  // The squared distance within which a dot can still cut the cell: one at distance d with a
  // weight w_d cuts only if (d^2 + own - w_d) / 2d < reach, so none beyond
  // reach + sqrt(reach^2 + w_d - own). The weights near the dot bound w_d out to TILE units.
  double bound(const _voronoi_cell& cell, double own, double px, double py) const {
    const double reach_squared = cell.reach_squared();
    const auto limit = [&](double heaviest) {
      // No heavier dot: the Voronoi bound, twice the reach.
      if (!(heaviest > own)) return 4.0 * reach_squared;
      const double far = std::sqrt(reach_squared) + std::sqrt(reach_squared + heaviest - own);
      return far * far;
    };
    const double near = limit(bounds_.near(px, py));
    return near <= double(TILE * TILE) ? near : limit(bounds_.everywhere());
  }

  const std::vector<double>& xs_;
  const std::vector<double>& ys_;
  const std::vector<double>& weights_;
  const _dot_buckets& buckets_;
  const _weight_bounds& bounds_;
  unsigned width_;
  unsigned height_;
};

// The weight and its first moments over the cell of the dot at (px, py), in coordinates relative
// to the dot: the cell as a fan of triangles from the dot, the weight linear over each.
_moments integrate(const _voronoi_cell& cell, double px, double py, const _darkness_field& field) {
  _moments m;
  const size_t n = cell.corners();
  if (n < 3) return m;
  const double centre = field.weight(px, py);
  double x1 = cell.x(n - 1);
  double y1 = cell.y(n - 1);
  double w1 = field.weight(px + x1, py + y1);
  for (size_t i = 0; i < n; ++i) {
    const double x2 = cell.x(i);
    const double y2 = cell.y(i);
    const double w2 = field.weight(px + x2, py + y2);
    m.add(0.0, 0.0, centre, x1, y1, w1, x2, y2, w2);
    x1 = x2;
    y1 = y2;
    w1 = w2;
  }
  return m;
}

// The power weights of a round from the cells of the one before: none in the first.
void room_for_ink(const std::vector<uint8_t>& sizes, const std::vector<double>& xs,
                  const std::vector<double>& ys, const std::vector<double>& areas,
                  const _darkness_field& field, std::vector<double>& weights) {
  if (sizes.size() != xs.size() || sizes.empty()) return;
  double mean_ink = 0.0;
  for (const uint8_t size : sizes) mean_ink += double(size) * double(size);
  mean_ink /= double(sizes.size());
  if (!(mean_ink > 0.0)) return;
  weights.resize(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    const double share =
        INK_ROOM * std::max(0.0, 1.0 - INK_ROOM_FADE * field.darkness(xs[i], ys[i]));
    const double ink = double(sizes[i]) * double(sizes[i]) / mean_ink;
    weights[i] = share * std::min(areas[i], ROOM_AREA_CAP) * (ink - 1.0);
  }
}

}  // namespace

_relaxed_dots _relaxed_dots::relax(const _image& halftone, const _image& tones,
                                   const std::vector<uint8_t>& sizes, _thread_pool* pool,
                                   const _rounds& rounds) {
  const unsigned width = halftone.width;
  const unsigned height = filled_rows(halftone);
  const _darkness_field field(tones, width, height);
  std::vector<double> xs;
  std::vector<double> ys;
  for (unsigned r = 0; r < height; ++r)
    for (unsigned c = 0; c < width; ++c)
      if (halftone.samples[size_t(r) * width + c] == 0.0f) {
        xs.push_back(c + 0.5);
        ys.push_back(r + 0.5);
      }
  const size_t count = xs.size();
  // A dot in near-solid ink keeps its grid square, and its spacing.
  std::vector<uint8_t> fixed(count);
  std::vector<double> areas(count, 1.0);
  for (size_t i = 0; i < count; ++i) fixed[i] = field.darkness(xs[i], ys[i]) >= SOLID_DARKNESS;

  _dot_buckets buckets(width, height);
  _weight_bounds bounds(width, height);
  std::vector<double> weights;
  std::vector<double> next_x = xs;
  std::vector<double> next_y = ys;
  for (int round = 0; round < ROUNDS && count > 0; ++round) {
    if (rounds && !rounds(unsigned(round), ROUNDS)) return {};
    if (round > 0) room_for_ink(sizes, xs, ys, areas, field, weights);
    if (!weights.empty()) bounds.build(xs, ys, weights);
    buckets.fill(xs, ys);
    const _round dots(xs, ys, weights, buckets, bounds, width, height);
    for_each_chunk(pool, count, CHUNK, [&](size_t begin, size_t end) {
      _voronoi_cell cell;
      for (size_t i = begin; i < end; ++i) {
        if (fixed[i]) continue;
        dots.cell_of(i, cell);
        areas[i] = cell.area();
        const _moments m = integrate(cell, xs[i], ys[i], field);
        if (!(m.weight > 0.0)) continue;
        next_x[i] = std::clamp(xs[i] + OVER_RELAXATION * m.x / m.weight, EDGE_MARGIN,
                               double(width) - EDGE_MARGIN);
        next_y[i] = std::clamp(ys[i] + OVER_RELAXATION * m.y / m.weight, EDGE_MARGIN,
                               double(height) - EDGE_MARGIN);
      }
    });
    xs = next_x;
    ys = next_y;
  }
  if (rounds) rounds(ROUNDS, ROUNDS);

  _relaxed_dots dots;
  dots.rows_.resize(count);
  dots.columns_.resize(count);
  dots.spacings_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    dots.rows_[i] = float(ys[i]);
    dots.columns_[i] = float(xs[i]);
    dots.spacings_[i] = float(std::sqrt(areas[i]));
  }
  return dots;
}

_relaxed_dots _relaxed_dots::of(const _stipple_settings& settings, const _image& halftone,
                                const _image& tones, const _random_stream& stream,
                                _thread_pool* pool, const _rounds& rounds) {
  std::vector<uint8_t> sizes;
  _random_stream draws = stream;
  _grey_walk::of(settings, 1).run(halftone, draws, [&](unsigned, unsigned, const _placed_dot& dot) {
    sizes.push_back(uint8_t(std::min(dot.size, 255u)));
  });
  return relax(halftone, tones, sizes, pool, rounds);
}

}  // namespace stippon
