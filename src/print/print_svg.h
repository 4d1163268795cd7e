#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/pixel.h"
#include "print/print_file.h"
#include "print/svg_text.h"

namespace stippon {

// How an SVG print draws each dot.
enum _svg_dots {
  svg_shapes = 0,  // the dot's own outline, filled
  svg_circles,     // a filled circle of the dot's area
  svg_points,      // one touch of the pen: a very short stroke
};

// The SVG print file: a page of a size in millimetres holding one layer per pen, each layer
// carrying the style of all its dots so that a dot is only its geometry. Lengths are thousandths
// of a millimetre, y down the page. The drawing is written as it comes, in one buffer flushed a
// megabyte at a time, under a temporary name (see _print_file):
//
//   svg.open(name, width, height, dots, pen_width);  // false: svg.error() says why
//   svg.begin_layer(number, ink); ...dots...; svg.end_layer();   // each pen in turn
//   svg.commit();                                     // false: nothing was written
class _print_svg : public _print_file {
 public:
  // The shortest stroke the file's three decimals hold: a pen touch, so that it is not empty.
  static constexpr int64_t TOUCH_THOUSANDTHS = 10;
  // The most path data in one element. librsvg refuses an attribute of ten megabytes, and on
  // files over ten megabytes stops now and then inside paths of a megabyte, or even of 100 kB:
  // it read files of 90 MB in paths of 32 kB wherever they began.
  static constexpr uint64_t PATH_BYTES = uint64_t(1) << 15;

  ~_print_svg() override = default;
  _print_svg() = default;

  // Starts the page and writes its header. Discards a drawing still open.
  bool open(const std::string& target, int64_t width, int64_t height, _svg_dots dots,
            double pen_width);
  // A layer for pen `number` (from 1) of the ink: pen 1 is named black, the others by the ink.
  void begin_layer(unsigned number, _pixel ink);
  // A layer for pen `number` labelled "Pen <number> <name>", whose ink multiplies those below it.
  void begin_layer(unsigned number, _pixel ink, std::string_view name);
  void end_layer() { text().text("</g>\n"); }

  // Shapes: in paths of at most PATH_BYTES of data each, each dot a move to its start and its
  // outline in relative steps (as shape_path gives them). A reader may refuse a longer attribute.
  void begin_shapes() {
    text().text("<path d=\"");
    path_start = text().bytes();
  }
  void shape(int64_t x, int64_t y, std::string_view path) {
    if (text().bytes() > path_start &&
        text().bytes() - path_start + PAIR_BYTES + path.size() > PATH_BYTES) {
      end_shapes();
      begin_shapes();
    }
    text().text("M");
    pair(x, y);
    text().text(path);
  }
  void end_shapes() { text().text("\"/>\n"); }
  // A circle about (x, y); `radius` as circle_radius gives it.
  void circle(int64_t x, int64_t y, std::string_view radius) {
    text().text("<circle cx=\"").thousandths(x).text("\" cy=\"").thousandths(y).text(radius);
  }
  // A pen touch from (x, y).
  void touch(int64_t x, int64_t y) {
    text().text("<path d=\"M").thousandths(x).text(" ").thousandths(y).text("h");
    text().thousandths(TOUCH_THOUSANDTHS).text("\"/>\n");
  }

  // The end of a circle's element holding its radius, made once per shape.
  static std::string circle_radius(int64_t radius);
  // Appends a number of a shape's path: separated from the one before unless its sign does it,
  // without the zero before the point of numbers below one.
  static void path_number(std::string& path, int64_t value, bool after_number);

  // False once a write has failed: the drawing is discarded and error() says why.
  bool good();
  // Ends the page and renames the file over the target.
  bool commit();

 private:
  _svg_text& text() { return *svg; }
  // The rest of a layer's opening tag: how its dots are drawn in the ink.
  void layer_style(_pixel ink);
  void pair(int64_t x, int64_t y) {
    text().thousandths(x);
    if (y >= 0) text().text(" ");
    text().thousandths(y);
  }
  void release() override { svg.reset(); }

  // A move and its two numbers, at most.
  static constexpr uint64_t PAIR_BYTES = 2 * _svg_text::NUMBER_BYTES + 2;

  std::optional<_svg_text> svg;
  uint64_t path_start = 0;  // the bytes written when the current path's data began
  _svg_dots dots_ = svg_shapes;
  double pen_width_ = 0.0;
};

}  // namespace stippon
