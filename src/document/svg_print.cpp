#include "document/svg_print.h"

#include <cmath>
#include <numbers>
#include <numeric>

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
// A pen touch: the shortest stroke the file's three decimals hold, so that it is not empty; the
// text of a point after its start draws it.
constexpr int64_t TOUCH_THOUSANDTHS = 10;
constexpr char POINT_END[] = "h0.01\"/>\n";
constexpr double THOUSAND = 1000.0;  // thousandths of a millimetre in a millimetre
constexpr size_t PROGRESS_DOTS = size_t(1) << 14;
constexpr uint32_t NO_SHAPE = UINT32_MAX;
// Variant columns looked up in a table rather than a map.
constexpr unsigned TABLE_COLUMNS = 256;
const _pixel BLACK(0, 0, 0, 255);

constexpr char HEADER[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" "
    "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"";

void hex_colour(_svg_text& text, _pixel ink) {
  static constexpr char digits[] = "0123456789abcdef";
  const char colour[7] = {'#',
                          digits[ink.r >> 4],
                          digits[ink.r & 15],
                          digits[ink.g >> 4],
                          digits[ink.g & 15],
                          digits[ink.b >> 4],
                          digits[ink.b & 15]};
  text.text(std::string_view(colour, sizeof colour));
}

// A position on the page along one side (0 to page), moved so that what a dot draws from low to
// high around it stays on the page; the low edge wins on a page too small for the dot.
int64_t inside(int64_t at, int64_t low, int64_t high, int64_t page) {
  return std::max(-low, std::min(at, page - high));
}

// Two numbers of a path, the second separated from the first unless its sign does it.
void pair(_svg_text& text, int64_t x, int64_t y) {
  text.thousandths(x);
  if (y >= 0) text.text(" ");
  text.thousandths(y);
}

}  // namespace

_svg_print::_svg_print(_image* const* sheets, int k, unsigned width, unsigned height,
                       const _svg_options& options)
    : sheets(sheets),
      k(k),
      width(width),
      height(height),
      rows(double(height) * k),
      sample_mm(PIXEL_MM / k),
      page_width(_svg_text::round_thousandths(width * PIXEL_MM)),
      page_height(_svg_text::round_thousandths(height * PIXEL_MM)),
      options(options),
      shape_table(size_t(TABLE_COLUMNS) * DOT_SLOTS, NO_SHAPE) {
  // The round ends of the stroke reach half its width beyond each end.
  const int64_t half = _svg_text::round_thousandths(options.pen_width / 2.0);
  touch = {-half, TOUCH_THOUSANDTHS + half, -half, half};
  pens.push_back({BLACK, {}, {}});
}

size_t _svg_print::dots() const {
  size_t count = 0;
  for (const _pen& pen : pens) count += pen.at.size();
  return count;
}

void _svg_print::add(const _dot_plan& plan) {
  if (plan.output_scale() != k || sheets == nullptr) return;
  // A grey plan's dots all go to the black pen: room for them at once rather than by doubling.
  if (!plan.inked()) {
    pens.front().at.reserve(pens.front().at.size() + plan.size());
    pens.front().shape.reserve(pens.front().shape.size() + plan.size());
  }
  plan.each_dot_meeting(INT64_MIN, INT64_MAX, [&](const _placed_dot& dot) {
    const uint32_t shape = shape_of(dot);
    if (shape == NO_SHAPE) return;
    _pen& pen = pen_of(plan, dot);
    pen.at.push_back(place(dot, shapes[shape]));
    pen.shape.push_back(shape);
  });
}

// The corner, rounded, for a shape whose outline is in steps from it; the centre, rounded once,
// for a circle or a point. Either kept where all the dot draws is on the page.
_pen_point _svg_print::place(const _placed_dot& dot, const _shape& shape) const {
  const double x = int32_t(dot.column) * sample_mm, y = (rows - int32_t(dot.row)) * sample_mm;
  const bool corner = options.dots == svg_shapes;
  const _box& box = corner ? shape.outline : options.dots == svg_circles ? shape.circle : touch;
  const int64_t at_x = _svg_text::round_thousandths(corner ? x : x + shape.centre_x);
  const int64_t at_y = _svg_text::round_thousandths(corner ? y : y + shape.centre_y);
  return {int32_t(inside(at_x, box.low_x, box.high_x, width_thousandths())),
          int32_t(inside(at_y, box.low_y, box.high_y, height_thousandths()))};
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
  char number[_svg_text::NUMBER_BYTES];
  shape.circle_end = "\" r=\"";
  shape.circle_end.append(number, _svg_text::format_thousandths(number, radius));
  shape.circle_end += "\"/>\n";
  shape.drawn = outline.rings() > 0;
  bool after_number = false;
  const auto put = [&](int64_t value) {
    if (after_number && value >= 0) shape.path += ' ';
    shape.path.append(number, _svg_text::format_thousandths(number, value, true));
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
  int64_t ring_x = 0, ring_y = 0;
  for (size_t r = 0; r < outline.rings(); ++r) {
    const std::span<const _outline_point> ring = outline.ring(r);
    auto [last_x, last_y] = rounded(ring[0]);
    if (r == 0) {
      shape.start_x = last_x;
      shape.start_y = last_y;
    } else {
      shape.path += 'm';
      after_number = false;
      put(last_x - ring_x);
      put(last_y - ring_y);
    }
    ring_x = last_x;
    ring_y = last_y;
    shape.path += 'l';
    after_number = false;
    for (size_t i = 1; i < ring.size(); ++i) {
      const auto [x, y] = rounded(ring[i]);
      put(x - last_x);
      put(y - last_y);
      last_x = x;
      last_y = y;
    }
    shape.path += 'z';
    after_number = false;
  }
  return shape;
}

_svg_print::_pen& _svg_print::pen_of(const _dot_plan& plan, const _placed_dot& dot) {
  if (!plan.inked()) return pens.front();
  // The ramp an ink is printed through is opaque: its alpha plays no part.
  const _pixel ink(dot.colour.r, dot.colour.g, dot.colour.b, 255);
  for (size_t i = 1; i < pens.size(); ++i)
    if (pens[i].ink == ink) return pens[i];
  pens.push_back({ink, {}, {}});
  return pens.back();
}

std::vector<uint32_t> _svg_print::order(const _pen& pen) {
  _pen_travel travel;
  std::vector<uint32_t> sequence = pen_order(pen.at, options.order_passes, travel);
  pen_travel.drawn += travel.drawn / THOUSAND;
  pen_travel.serpentine += travel.serpentine / THOUSAND;
  pen_travel.improved += travel.improved / THOUSAND;
  return sequence;
}

bool _svg_print::write(_svg_text& text, const _band_progress& progress) {
  const size_t total = dots();
  size_t done = 0;
  pen_travel = {};
  write_header(text);
  for (size_t p = 0; p < pens.size(); ++p) {
    const _pen& pen = pens[p];
    std::vector<uint32_t> sequence;
    if (options.dots == svg_shapes) {
      sequence.resize(pen.at.size());
      std::iota(sequence.begin(), sequence.end(), 0u);
    } else {
      sequence = order(pen);
    }
    open_layer(text, p);
    const bool path = options.dots == svg_shapes && !pen.at.empty();
    if (path) text.text("<path d=\"");
    for (size_t i = 0; i < sequence.size(); ++i) {
      const _pen_point at = pen.at[sequence[i]];
      const _shape& shape = shapes[pen.shape[sequence[i]]];
      if (options.dots == svg_shapes)
        write_shape(text, at, shape);
      else if (options.dots == svg_circles)
        write_circle(text, at, shape);
      else
        write_point(text, at);
      if (++done % PROGRESS_DOTS == 0 && progress && !progress(unsigned(done), unsigned(total)))
        return false;
    }
    if (path) text.text("\"/>\n");
    text.text("</g>\n");
  }
  text.text("</svg>\n");
  if (progress && !progress(unsigned(done), unsigned(total))) return false;
  return text.flush();
}

void _svg_print::write_header(_svg_text& text) const {
  text.text(HEADER).thousandths(width_thousandths()).text("mm\" height=\"");
  text.thousandths(height_thousandths()).text("mm\" viewBox=\"0 0 ");
  text.thousandths(width_thousandths()).text(" ").thousandths(height_thousandths());
  text.text("\">\n");
}

// Each layer carries the style of all its dots, so that a dot is only its geometry.
void _svg_print::open_layer(_svg_text& text, size_t index) const {
  const _pixel ink = pens[index].ink;
  text.text("<g inkscape:groupmode=\"layer\" id=\"pen-").whole(int64_t(index) + 1);
  text.text("\" inkscape:label=\"Pen ").whole(int64_t(index) + 1);
  text.text(index == 0 ? " black" : " ink ");
  if (index > 0) hex_colour(text, ink);
  text.text("\" ");
  if (options.dots == svg_points) {
    text.text("fill=\"none\" stroke=\"");
    hex_colour(text, ink);
    text.text("\" stroke-width=\"").fixed(options.pen_width);
    text.text("\" stroke-linecap=\"round\">\n");
  } else {
    text.text("fill=\"");
    hex_colour(text, ink);
    text.text(options.dots == svg_shapes ? "\" fill-rule=\"nonzero\" stroke=\"none\">\n"
                                         : "\" stroke=\"none\">\n");
  }
}

void _svg_print::write_shape(_svg_text& text, _pen_point at, const _shape& shape) const {
  if (!shape.drawn) return;
  text.text("M");
  pair(text, int64_t(at.x) + shape.start_x, int64_t(at.y) + shape.start_y);
  text.text(shape.path);
}

void _svg_print::write_circle(_svg_text& text, _pen_point at, const _shape& shape) const {
  text.text("<circle cx=\"").thousandths(at.x).text("\" cy=\"").thousandths(at.y);
  text.text(shape.circle_end);
}

void _svg_print::write_point(_svg_text& text, _pen_point at) const {
  text.text("<path d=\"M").thousandths(at.x).text(" ").thousandths(at.y);
  text.text(POINT_END);
}

}  // namespace stippon
