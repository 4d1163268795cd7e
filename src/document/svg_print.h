#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/svg_options.h"
#include "image/image.h"
#include "image/pixel.h"
#include "image/svg_text.h"
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
// circles and points are put in the order a pen travels least between them.
class _svg_print {
 public:
  // sheets: a row of DOT_SLOTS dot sheets at output scale k (4 for the 1200 ppi sheets), read
  // while adding plans; width x height: the print in pixels at 300 ppi.
  _svg_print(_image* const* sheets, int k, unsigned width, unsigned height,
             const _svg_options& options);

  // The dots of a plan at this output scale: a grey plan's go to the black layer, an inked
  // plan's to the layer of their ink. Dots without a sheet cell draw nothing and are left out,
  // as the raster print leaves them out.
  void add(const _dot_plan& plan);

  size_t dots() const;
  size_t layers() const { return pens.size(); }
  // The page: pixels at 300 ppi in millimetres, rounded to thousandths.
  int64_t width_thousandths() const { return page_width; }
  int64_t height_thousandths() const { return page_height; }

  // Writes the whole file through `text`; progress(dots written, dots) after each run of dots,
  // returning false to stop. False when stopped or when a write failed.
  bool write(_svg_text& text, const _band_progress& progress);
  // The pen's travel summed over the layers of circles or points, once written, in millimetres.
  const _pen_travel& travel() const { return pen_travel; }

 private:
  // The dots of a pen, each where the file puts it: for shapes the corner of its cell (that of
  // the cell's bottom row, y down the page), for circles and points the centre of its ink.
  struct _pen {
    _pixel ink;
    std::vector<_pen_point> at;
    std::vector<uint32_t> shape;  // of each dot, in `shapes`
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

  uint32_t shape_of(const _placed_dot& dot);
  _shape shape_text(const _dot_outline& outline) const;
  _pen& pen_of(const _dot_plan& plan, const _placed_dot& dot);
  _pen_point place(const _placed_dot& dot, const _shape& shape) const;
  std::vector<uint32_t> order(const _pen& pen);

  void write_header(_svg_text& text) const;
  void open_layer(_svg_text& text, size_t index) const;
  void write_shape(_svg_text& text, _pen_point at, const _shape& shape) const;
  void write_circle(_svg_text& text, _pen_point at, const _shape& shape) const;
  void write_point(_svg_text& text, _pen_point at) const;

  _image* const* sheets;
  int k;
  unsigned width;
  unsigned height;
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
  _pen_travel pen_travel;
};

}  // namespace stippon
