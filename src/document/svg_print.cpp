#include "document/svg_print.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "stipple/dot_library.h"
#include "stipple/dot_placement.h"
#include "stipple/output.h"

namespace stippon {

namespace {

constexpr double PIXEL_MM = MM_PER_INCH / PREVIEW_PPI;
// A shape's outline may leave its traced line by this much.
constexpr double OUTLINE_TOLERANCE_MM = 0.01;
// Rings smaller than a 1200 ppi pixel are grain of the dot sheet, not shape.
constexpr double FINEST_PIXEL_MM = MM_PER_INCH / VECRES[resolution_1200];
constexpr double LEAST_RING_MM2 = FINEST_PIXEL_MM * FINEST_PIXEL_MM;
constexpr double THOUSAND = 1000.0;  // thousandths of a millimetre in a millimetre
constexpr size_t PROGRESS_DOTS = size_t(1) << 14;
// Strips of the page gathered by one reading of the plan: a band of them is far higher than a
// dot's cell, so that few dots are read for two bands.
constexpr uint32_t BAND_STRIPS = 16;
constexpr uint32_t NO_SHAPE = UINT32_MAX;
// Variant columns looked up in a table rather than a map.
constexpr unsigned TABLE_COLUMNS = 256;
const _pixel BLACK(0, 0, 0, 255);

// A position on the page along one side (0 to page), moved so that what a dot draws from low to
// high around it stays on the page; the low edge wins on a page too small for the dot.
int64_t within(int64_t at, int64_t low, int64_t high, int64_t page) {
  return std::max(-low, std::min(at, page - high));
}

// The ramp an ink is printed through is opaque: its alpha plays no part.
_pixel opaque(_pixel ink) {
  return _pixel(ink.r, ink.g, ink.b, 255);
}

}  // namespace

_svg_print::_svg_print(_image* const* sheets, int k, unsigned width, unsigned height,
                       const _svg_options& options)
    : sheets(sheets),
      k(k),
      rows(double(height) * k),
      sample_mm(PIXEL_MM / k),
      page_width(_svg_text::round_thousandths(width * PIXEL_MM)),
      page_height(_svg_text::round_thousandths(height * PIXEL_MM)),
      options(options),
      shape_table(size_t(TABLE_COLUMNS) * DOT_SLOTS, NO_SHAPE) {
  // The round ends of the stroke reach half its width beyond each end.
  const int64_t half = _svg_text::round_thousandths(options.pen_width / 2.0);
  touch = {-half, _print_svg::TOUCH_THOUSANDTHS + half, -half, half};
  pens.push_back({BLACK, nullptr, 0, {}});
}

void _svg_print::add(const _dot_plan& plan) {
  if (plan.output_scale() != k || sheets == nullptr) return;
  if (!plan.inked()) {
    pens.front() = {BLACK, &plan, plan.size(), {}};
    return;
  }
  // The inks of an inked plan are known from its dots alone.
  plan.each_dot_meeting(INT64_MIN, INT64_MAX, [&](const _placed_dot& dot) {
    if (shape_of(dot) == NO_SHAPE) return;
    _pen& pen = pen_of(opaque(dot.colour));
    pen.plan = &plan;
    ++pen.dots;
  });
}

void _svg_print::add_pen(const _dot_plan& plan, _pixel ink, const std::string& name) {
  if (plan.output_scale() != k || sheets == nullptr) return;
  if (pens.size() == 1 && pens.front().plan == nullptr) pens.clear();
  pens.push_back({opaque(ink), &plan, plan.size(), name});
}

// The corner, rounded, for a shape whose outline is in steps from it; the centre, rounded once,
// for a circle or a point.
_pen_point _svg_print::place(const _placed_dot& dot, const _shape& shape) const {
  const double x = int32_t(dot.column) * sample_mm, y = (rows - int32_t(dot.row)) * sample_mm;
  const bool corner = options.dots == svg_shapes;
  return {int32_t(_svg_text::round_thousandths(corner ? x : x + shape.centre_x)),
          int32_t(_svg_text::round_thousandths(corner ? y : y + shape.centre_y))};
}

// A place kept where all the dot draws is on the page.
_pen_point _svg_print::inside(_pen_point at, const _shape& shape) const {
  const _box& box = options.dots == svg_shapes    ? shape.outline
                    : options.dots == svg_circles ? shape.circle
                                                  : touch;
  return {int32_t(within(at.x, box.low_x, box.high_x, page_width)),
          int32_t(within(at.y, box.low_y, box.high_y, page_height))};
}

// Traced the first time a cell is met: a print uses a few dozen cells for all its dots.
uint32_t _svg_print::shape_of(const _placed_dot& dot) {
  // A cell of the table that was traced lies on its sheet: one look-up settles nearly every dot.
  if (dot.variant_row == 0 && dot.variant_column < TABLE_COLUMNS &&
      dot.size < unsigned(DOT_SLOTS)) {
    const uint32_t known = shape_table[dot.variant_column * DOT_SLOTS + dot.size];
    if (known != NO_SHAPE) return known;
  }
  const _image* sheet = dot.size < unsigned(DOT_SLOTS) ? sheets[dot.size] : nullptr;
  const uint64_t n = uint64_t(k) * dot.size;
  const uint64_t cell_row = dot.variant_row * n, cell_column = dot.variant_column * n;
  if (sheet == nullptr || cell_row >= filled_rows(*sheet) || cell_column >= sheet->width)
    return NO_SHAPE;
  uint32_t* slot = nullptr;
  if (dot.variant_row == 0 && dot.variant_column < TABLE_COLUMNS) {
    slot = &shape_table[dot.variant_column * DOT_SLOTS + dot.size];
  } else {
    const uint64_t key =
        (uint64_t(dot.variant_row) << 40) | (uint64_t(dot.variant_column) << 8) | dot.size;
    slot = &shape_index.try_emplace(key, NO_SHAPE).first->second;
  }
  if (*slot == NO_SHAPE) {
    *slot = uint32_t(shapes.size());
    shapes.push_back(shape_text(_dot_outline::trace(*sheet, cell_row, cell_column, unsigned(n),
                                                    OUTLINE_TOLERANCE_MM / sample_mm,
                                                    LEAST_RING_MM2 / (sample_mm * sample_mm))));
  }
  return *slot;
}

// Each ring after the first starts with a step from the start of the ring before, where a closed
// ring leaves the pen; every point is a step from the one before. The steps join points rounded
// once, so that they add up exactly.
_svg_print::_shape _svg_print::shape_text(const _dot_outline& outline) const {
  _shape shape;
  const _outline_point centre = outline.centre();
  shape.centre_x = centre.x * sample_mm;
  shape.centre_y = -centre.y * sample_mm;
  const int64_t radius =
      _svg_text::round_thousandths(std::sqrt(outline.ink() / std::numbers::pi) * sample_mm);
  shape.circle = {-radius, radius, -radius, radius};
  shape.circle_end = _print_svg::circle_radius(radius);
  shape.drawn = outline.rings() > 0;
  bool after_number = false;
  const auto put = [&](int64_t value) {
    _print_svg::path_number(shape.path, value, after_number);
    after_number = true;
  };
  _box& box = shape.outline;
  if (outline.rings() > 0) box = {INT64_MAX, INT64_MIN, INT64_MAX, INT64_MIN};
  const auto rounded = [&](const _outline_point& p) {
    const int64_t x = _svg_text::round_thousandths(p.x * sample_mm);
    const int64_t y = _svg_text::round_thousandths(-p.y * sample_mm);
    box = {std::min(box.low_x, x), std::max(box.high_x, x), std::min(box.low_y, y),
           std::max(box.high_y, y)};
    return std::pair(x, y);
  };
  const auto command = [&](char letter) {
    shape.path += letter;
    after_number = false;
  };
  // A step from (at_x, at_y) to (x, y), where the pen then is.
  const auto step = [&](int64_t x, int64_t y, int64_t& at_x, int64_t& at_y) {
    put(x - at_x);
    put(y - at_y);
    at_x = x;
    at_y = y;
  };
  int64_t ring_x = 0, ring_y = 0;
  for (size_t r = 0; r < outline.rings(); ++r) {
    const std::span<const _outline_point> ring = outline.ring(r);
    const auto [first_x, first_y] = rounded(ring[0]);
    if (r == 0) {
      shape.start_x = ring_x = first_x;
      shape.start_y = ring_y = first_y;
    } else {
      command('m');
      step(first_x, first_y, ring_x, ring_y);
    }
    int64_t last_x = ring_x, last_y = ring_y;
    command('l');
    for (size_t i = 1; i < ring.size(); ++i) {
      const auto [x, y] = rounded(ring[i]);
      step(x, y, last_x, last_y);
    }
    command('z');
  }
  return shape;
}

// An inked plan's dot belongs to the pen of its ink.
uint32_t _svg_print::shape_in(const _pen& pen, const _placed_dot& dot) {
  if (pen.plan->inked() && opaque(dot.colour) != pen.ink) return NO_SHAPE;
  return shape_of(dot);
}

_svg_print::_pen& _svg_print::pen_of(_pixel ink) {
  for (size_t i = 1; i < pens.size(); ++i)
    if (pens[i].ink == ink) return pens[i];
  pens.push_back({ink, nullptr, 0, {}});
  return pens.back();
}

_svg_print::_strips::_strips(size_t dots, int64_t page_width, int64_t page_height)
    : height(strip_height(dots, double(page_width), double(page_height))),
      per_height(1.0 / height),
      count(uint32_t(double(page_height) * per_height) + 1) {}

// Places off the page go to the first or last strip.
uint32_t _svg_print::_strips::of(int64_t y) const {
  if (y <= 0) return 0;
  return uint32_t(std::min(double(y) * per_height, double(count - 1)));
}

// A dot's place lies in its cell, whose output rows [row, row + n) then meet the rows of the
// strips' band of the page (widened by a row, and by half a thousandth for the rounding). The
// first and last strips also take the dots placed off the page.
void _svg_print::collect(const _pen& pen, const _strips& strips, uint32_t first,
                         std::vector<std::vector<_pen_dot>>& band) {
  const uint32_t end = std::min(first + uint32_t(band.size()), strips.count);
  const double per_row = sample_mm * THOUSAND;
  const int64_t low = end == strips.count
                          ? INT64_MIN
                          : int64_t(std::floor(rows - (end * strips.height + 0.5) / per_row)) - 1;
  const int64_t high =
      first == 0 ? INT64_MAX
                 : int64_t(std::floor(rows - (first * strips.height - 0.5) / per_row)) + 2;
  for (std::vector<_pen_dot>& strip : band) strip.clear();
  pen.plan->each_dot_meeting(low, high, [&](const _placed_dot& dot) {
    const uint32_t shape = shape_in(pen, dot);
    if (shape == NO_SHAPE) return;
    const _pen_point at = place(dot, shapes[shape]);
    const uint32_t s = strips.of(at.y);
    if (s >= first && s < end) band[s - first].push_back({inside(at, shapes[shape]), shape});
  });
}

// The travel in the order the stippling drew the pen's dots: a pass over them more.
double _svg_print::drawn_travel(const _pen& pen) {
  double travel = 0.0;
  bool first = true;
  _pen_point last;
  pen.plan->each_dot_meeting(INT64_MIN, INT64_MAX, [&](const _placed_dot& dot) {
    const uint32_t shape = shape_in(pen, dot);
    if (shape == NO_SHAPE) return;
    const _pen_point at = inside(place(dot, shapes[shape]), shapes[shape]);
    if (!first) travel += pen_distance(last, at);
    last = at;
    first = false;
  });
  return travel;
}

// Strip by strip down the page, so that what is held follows a strip, not the page: circles and
// points in the order of the pen's path, shapes as they were drawn.
bool _svg_print::write_pen(_print_svg& svg, const _pen& pen, const std::function<bool()>& go_on) {
  const _strips strips(pen.dots, page_width, page_height);
  const bool ordered = options.dots != svg_shapes;
  const bool path = options.dots == svg_shapes && pen.dots > 0;
  if (path) svg.begin_shapes();
  std::vector<std::vector<_pen_dot>> band(BAND_STRIPS);
  std::vector<_pen_dot> out;
  std::vector<size_t> ends;
  _path_sweep sweep;
  for (uint32_t first = 0; first < strips.count; first += BAND_STRIPS) {
    collect(pen, strips, first, band);
    for (uint32_t s = first; s < strips.count && s < first + BAND_STRIPS; ++s) {
      std::vector<_pen_dot>& strip = band[s - first];
      if (!ordered) {
        write_dots(svg, strip);
        continue;
      }
      order_strip(strip, s % 2 == 1, ends);
      out.clear();
      sweep.add(strip, out);
      write_dots(svg, out);
    }
    if (!go_on()) return false;
  }
  if (ordered) {
    out.clear();
    sweep.finish(out);
    write_dots(svg, out);
  }
  if (path) svg.end_shapes();
  if (ordered && options.measure_travel) {
    pen_travel.drawn += drawn_travel(pen) / THOUSAND;
    pen_travel.serpentine += sweep.length_given() / THOUSAND;
    pen_travel.improved += sweep.length_out() / THOUSAND;
  }
  return true;
}

bool _svg_print::write(_print_svg& svg, const _band_progress& progress) {
  size_t total = 0;
  for (const _pen& pen : pens) total += pen.dots;
  written = 0;
  pen_travel = {};
  size_t reported = 0;
  const std::function<bool()> go_on = [&] {
    if (!progress || written < reported + PROGRESS_DOTS) return true;
    reported = written;
    return progress(unsigned(written), unsigned(total));
  };
  for (size_t p = 0; p < pens.size(); ++p) {
    if (pens[p].name.empty())
      svg.begin_layer(unsigned(p + 1), pens[p].ink);
    else
      svg.begin_layer(unsigned(p + 1), pens[p].ink, pens[p].name);
    if (pens[p].plan != nullptr && !write_pen(svg, pens[p], go_on)) return false;
    svg.end_layer();
  }
  return !progress || progress(unsigned(written), unsigned(total));
}

// A dot is only its geometry: its shape's outline from its corner, a circle or a pen touch.
void _svg_print::write_dots(_print_svg& svg, std::span<const _pen_dot> dots) {
  written += dots.size();
  if (options.dots == svg_shapes) {
    for (const _pen_dot& dot : dots) {
      const _shape& shape = shapes[dot.tag];
      if (shape.drawn)
        svg.shape(int64_t(dot.at.x) + shape.start_x, int64_t(dot.at.y) + shape.start_y, shape.path);
    }
  } else if (options.dots == svg_circles) {
    for (const _pen_dot& dot : dots) svg.circle(dot.at.x, dot.at.y, shapes[dot.tag].circle_end);
  } else {
    for (const _pen_dot& dot : dots) svg.touch(dot.at.x, dot.at.y);
  }
}

}  // namespace stippon
