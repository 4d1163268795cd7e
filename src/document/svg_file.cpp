// The SVG print of the document: its dot plans at 1200 ppi handed to the vector writer.
#include <cctype>
#include <cerrno>
#include <cstring>

#include "document/stipple_document.h"
#include "document/svg_print.h"
#include "files/atomic_file.h"

namespace stippon {

namespace {

constexpr char SVG_SUFFIX[] = ".svg";

bool svg_name(const std::string& file) {
  const std::string suffix = SVG_SUFFIX;
  if (file.size() <= suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(file[file.size() - suffix.size() + i])) !=
        suffix[i])
      return false;
  return true;
}

}  // namespace

_svg_result _stipple_document::write_svg(const std::string& file, const _svg_options& options,
                                         const _band_progress& progress) {
  _svg_result result;
  if (!svg_name(file)) {
    result.error = file + ": the name must end in .svg";
    return result;
  }
  if (!image_loaded) {
    result.error = file + ": there is no picture to write";
    return result;
  }
  result.width = stippling_image.width;
  result.height = stippling_image.height;
  // Positions at 1200 ppi and the sheets of that resolution, whose outlines the pen follows.
  const int k = output_scale(resolution_1200);
  _svg_print print(dot_sheets->row(resolution_1200), k, result.width, result.height, options);
  _random_stream stream;
  const _dot_plan grey = grey_plan(k, stream);
  print.add(grey);
  const _dot_plan colour = current.colour_stippling ? colour_plan(k) : _dot_plan();
  if (current.colour_stippling) print.add(colour);
  result.layers = print.layers();

  _atomic_file output(file);
  if (output.stream() == nullptr) {
    result.error = "Cannot create " + file + ": " + output.problem();
    return result;
  }
  _svg_text text(output.stream());
  if (!print.write(text, progress)) {
    result.error = text.good() ? std::string("Cancelled")
                               : "Cannot write " + file + ": " +
                                     std::strerror(text.error_number() ? text.error_number() : EIO);
    return result;
  }
  if (!output.commit()) {
    result.error = "Cannot write " + file + ": " + output.problem();
    return result;
  }
  result.dots = print.dots();
  result.travel = print.travel();
  result.written = true;
  return result;
}

}  // namespace stippon
