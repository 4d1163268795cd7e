#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/document_settings.h"
#include "document/svg_options.h"

namespace stippon {

// A custom size typed as one edge in a unit; the other edge follows from the aspect ratio.
struct _typed_size {
  bool is_height = false;
  float value = 0.0f;
  _output_units units = units_millimeters;
};

// Everything the command line decides; the defaults are those of the desktop program.
struct _batch_options {
  std::string input;
  std::string output;
  _document_settings settings;
  _typed_size typed;  // meaningful when the size is size_custom
  _resolution_position resolution = resolution_300;
  _list_position image = list_stippling;  // the image written
  // --black-point, --white-point, --gamma as typed, checked together once all are read.
  float black_point = 0.0f;
  float white_point = 255.0f;
  float gamma = 1.0f;
  _svg_options svg;  // an .svg OUTPUT
  std::optional<uint32_t> seed;
  std::string data_dir;  // --data; empty: looked up (see _data_location)
  unsigned threads = 0;  // --threads; 0: the cores available
  bool verbose = false;
  bool quiet = false;

  // PNG, TIFF or PDF: files that hold a toned or colour picture.
  bool colour_output() const;
  bool svg_output() const;
  bool colour_image() const {
    return image == list_color_original || image == list_color_stippling;
  }
};

enum _parse_action { action_run, action_help, action_version, action_usage_error };

struct _parse_result {
  _parse_action action = action_run;
  _batch_options options;
  std::string message;  // what was wrong, for action_usage_error
};

// Parses the arguments after the program name. Numbers must parse whole and lie in range.
_parse_result parse_batch_options(const std::vector<std::string>& arguments);

std::string batch_usage();

}  // namespace stippon
