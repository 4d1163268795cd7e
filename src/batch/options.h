#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/pixel.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"

namespace stippon {

// The image of the pipeline that is written, in the order of the desktop program's image list.
enum _batch_image {
  image_color_original = 0,
  image_original,
  image_borders,
  image_halftoning,
  image_stippling,
  image_color_stippling
};

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
  _output_size output_size = size_a5;
  _typed_size typed;  // meaningful when output_size is size_custom
  _resolution_position resolution = resolution_300;
  _stipple_settings settings;
  _mode_device device = device_grayscale;
  int tone = 0;
  float borders_threshold = 5.0f;
  _pixel colour = {255, 0, 0, 255};
  _batch_image image = image_stippling;
  std::optional<uint32_t> seed;
  std::string data_dir = ".";
  bool verbose = false;
  bool quiet = false;

  bool png_output() const;
  bool colour_image() const {
    return image == image_color_original || image == image_color_stippling;
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
