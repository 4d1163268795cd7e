#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/svg_options.h"
#include "image/image.h"
#include "image/pixel.h"
#include "print/print_svg.h"
#include "stipple/banded_print.h"
#include "stipple/dot_outline.h"
#include "stipple/dot_plan.h"
#include "stipple/pen_order.h"

namespace stippon {

// A stippled print as vector text for pen plotters and scalable prints: every dot of the plans at
// the exact position the raster print stamps it, on a page of the print's size in millimetres,
// one layer per pen (black for grey stippling, one per ink for colour stippling). Where the raster
// print cuts a dot at the page's edge, the dot is moved in until all it draws is on the page: a
// plotter's pen must not leave the paper. Shapes are traced once per cell of the dot sheets;
// circles and points are put in the order of a short path for the pen.
class _svg_print {
 public:
  // sheets: a row of DOT_SLOTS dot sheets at output scale k (4 for the 1200 ppi sheets), read
  // while writing; width x height: the print in pixels at 300 ppi.
  _svg_print(_image* const* sheets, int k, unsigned width, unsigned height,
             const _svg_options& options);

  // The dots of a plan at this output scale: a grey plan's go to the black layer, an inked
  // plan's to the layer of their ink. Dots without a sheet cell draw nothing and are left out,
  // as the raster print leaves them out. The plan is read as the file is written, strip by strip
  // of the page: it must outlive the print.
  void add(const _dot_plan& plan);
  // The dots of a grey plan as a pen of their own, in the ink's colour, named as the layer's
  // label says after its number ("cyan"): the inks of a separated print, one pen each. The
  // first takes the place of the black pen while that has no dots.
  void add_pen(const _dot_plan& plan, _pixel ink, const std::string& name);

  size_t layers() const { return pens.size(); }
  // The page: pixels at 300 ppi in millimetres, rounded to thousandths.
  int64_t width_thousandths() const { return page_width; }
  int64_t height_thousandths() const { return page_height; }

  // Writes every layer into svg, opened on a page of this print's size; progress(dots written,
  // dots) after each strip of the page, returning false to stop. False when stopped.
  bool write(_print_svg& svg, const _band_progress& progress);
  // Once written: the dots drawn, and for circles and points the pen's travel summed over the
  // layers, in millimetres, when the options ask for it.
  size_t dots() const { return written; }
  const _pen_travel& travel() const { return pen_travel; }

 private:
  // A layer: the plan whose dots it draws, those of its ink for an inked plan.
  struct _pen {
    _pixel ink;
    const _dot_plan* plan = nullptr;
    size_t dots = 0;   // of the plan in this ink
    std::string name;  // of a pen added whole; the others are named by their ink
  };
  // A box around a dot's place in the file, in thousandths of a millimetre.
  struct _box {
    int64_t low_x = 0;
    int64_t high_x = 0;
    int64_t low_y = 0;
    int64_t high_y = 0;
  };
  // A traced cell of the dot sheets as every dot of it is written: rounded to thousandths of a
  // millimetre from the dot's corner (itself rounded), so that its text is made once.
  struct _shape {
    bool drawn = false;   // has rings
    int64_t start_x = 0;  // the first point of the first ring
    int64_t start_y = 0;
    std::string path;       // the rest of the outline, in relative steps
    double centre_x = 0.0;  // the ink's centre, in millimetres (y down the page)
    double centre_y = 0.0;
    std::string circle_end;  // a circle's text after its centre: its radius, of the ink's area
    _box outline;            // around the outline's points, from the corner
    _box circle;             // around the circle, from its centre
  };
  // The strips of the page a layer is written in, top to bottom.
  struct _strips {
    _strips(size_t dots, int64_t page_width, int64_t page_height);
    double height;      // in thousandths of a millimetre
    double per_height;  // strips per thousandth, to find a place's strip by a product
    uint32_t count;
    uint32_t of(int64_t y) const;  // the strip of a place, those off the page included
  };

  uint32_t shape_of(const _placed_dot& dot);
  // The dot's shape when it is the pen's and draws something, none when not.
  uint32_t shape_in(const _pen& pen, const _placed_dot& dot);
  _shape shape_text(const _dot_outline& outline) const;
  _pen& pen_of(_pixel ink);
  _pen_point place(const _placed_dot& dot, const _shape& shape) const;
  _pen_point inside(_pen_point at, const _shape& shape) const;
  // The dots of the strips from `first` on, one strip for each of `band`.
  void collect(const _pen& pen, const _strips& strips, uint32_t first,
               std::vector<std::vector<_pen_dot>>& band);
  double drawn_travel(const _pen& pen);
  bool write_pen(_print_svg& svg, const _pen& pen, const std::function<bool()>& go_on);
  void write_dots(_print_svg& svg, std::span<const _pen_dot> dots);

  _image* const* sheets;
  int k;
  double rows;         // the print's height in output samples
  double sample_mm;    // an output sample's side
  int64_t page_width;  // in thousandths of a millimetre
  int64_t page_height;
  _svg_options options;
  _box touch;  // around a pen touch of the options' width, from its start
  std::vector<_pen> pens;
  std::vector<_shape> shapes;
  // The shape of each cell met so far: a table for the sheets' usual single row of cells, a map
  // for any other.
  std::vector<uint32_t> shape_table;
  std::unordered_map<uint64_t, uint32_t> shape_index;
  size_t written = 0;
  _pen_travel pen_travel;
};

}  // namespace stippon
