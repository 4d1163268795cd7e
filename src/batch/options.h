#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/document_settings.h"
#include "document/svg_options.h"

namespace stippon {

// Everything the command line decides; the defaults are those of the desktop program.
struct _batch_options {
  std::vector<std::string> inputs;  // INPUT, or with --output-dir every INPUT
  std::string output;               // OUTPUT, or with --output-dir the first INPUT's print
  std::string output_dir;           // --output-dir: a print of every INPUT in this folder
  std::string format = "png";       // --format: the ending of the prints in --output-dir
  bool skip_existing = false;
  _document_settings settings;
  // A custom size: one edge in the settings' units; the other follows from the aspect ratio.
  float typed_edge = 0.0f;
  bool typed_height = false;
  _resolution_position resolution = resolution_300;
  _list_position image = list_stippling;  // the image written
  _svg_options svg;                       // an .svg OUTPUT
  std::optional<uint32_t> seed;
  std::string data_dir;  // --data; empty: looked up (see _data_location)
  unsigned threads = 0;  // --threads; 0: the cores available
  bool verbose = false;
  bool quiet = false;

  // With --output-dir, the print of `input`: DIR/<its name without the ending>.<format>.
  std::string print_name(const std::string& input) const;
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
  std::string message;  // the help text, or what was wrong for action_usage_error
};

// Parses the arguments after the program name. Numbers must parse whole and lie in range.
_parse_result parse_batch_options(const std::vector<std::string>& arguments);

}  // namespace stippon
