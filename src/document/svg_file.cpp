// The SVG print of the document: its dot plans at 1200 ppi handed to the vector writer.
#include "document/stipple_document.h"
#include "document/svg_print.h"
#include "print/print_format.h"

namespace stippon {

_svg_result _stipple_document::write_svg(const std::string& file, const _svg_options& options,
                                         const _band_progress& progress) {
  _svg_result result;
  if (!svg_print_name(file)) {
    result.error = file + ": the name must end in .svg";
    return result;
  }
  if (!image_loaded) {
    result.error = file + ": there is no picture to write";
    return result;
  }
  // A layer is a pen of one ink; a photograph's colours would need a pen for each.
  if (current.colour_stippling && current.colour_source == colour_photo) {
    result.error = file + ": " + SVG_NO_PHOTO_COLOURS;
    return result;
  }
  result.width = stippling_image.width;
  result.height = stippling_image.height;
  // Positions at 1200 ppi and the sheets of that resolution, whose outlines the pen follows.
  const int k = output_scale(resolution_1200);
  _svg_print print(dot_sheets->row(resolution_1200), k, result.width, result.height, options);
  _random_stream stream;
  const bool inks = current.inks == inks_cmyk;
  if (inks && grid.cmyk.empty()) {
    result.error =
        file + ": the CMYK profile " + _cmyk_separation::DEFAULT_PROFILE + " cannot be read";
    return result;
  }
  // A separated print is its four inks, a pen each.
  const _dot_plan grey = inks ? _dot_plan() : grey_plan(k, stream);
  const std::array<_dot_plan, INK_COUNT> ink_plans =
      inks ? grid.cmyk.plans(current.stipple, k, preview_seed, pool.get())
           : std::array<_dot_plan, INK_COUNT>();
  if (inks) {
    static const char* const NAMES[INK_COUNT] = {"cyan", "magenta", "yellow", "black"};
    for (int ink = 0; ink < INK_COUNT; ++ink)
      print.add_pen(ink_plans[size_t(ink)], separation->ink_colour(ink), NAMES[ink]);
  } else {
    print.add(grey);
  }
  const _dot_plan colour = current.colour_stippling && !inks ? colour_plan(k) : _dot_plan();
  if (current.colour_stippling && !inks) print.add(colour);
  result.layers = print.layers();

  _print_svg svg;
  if (!svg.open(file, print.width_thousandths(), print.height_thousandths(), options.dots,
                options.pen_width)) {
    result.error = svg.error();
    return result;
  }
  if (!print.write(svg, progress) || !svg.commit()) {
    result.error = svg.good() || svg.error().empty() ? std::string("Cancelled") : svg.error();
    return result;
  }
  result.dots = print.dots();
  result.travel = print.travel();
  result.written = true;
  return result;
}

}  // namespace stippon
