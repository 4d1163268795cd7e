#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/document_settings.h"
#include "document/svg_options.h"

namespace stippon {

// What a print made without a window is to be: the settings of the desktop program, and what
// the window would otherwise ask for when saving.
struct _print_request {
  _document_settings settings;
  // A custom size: one edge in the settings' units; the other follows from the aspect ratio.
  float typed_edge = 0.0f;
  bool typed_height = false;
  _resolution_position resolution = resolution_300;
  _list_position image = list_stippling;  // the image written
  _svg_options svg;                       // an .svg print
  std::optional<uint32_t> seed;           // none: from the clock
  std::string data_dir;                   // empty: looked up (see _data_location)
  unsigned threads = 0;                   // per print; 0: the cores available
  bool verbose = false;                   // sizes, seed, data folder and time
  bool quiet = false;                     // errors only

  bool colour_image() const {
    return image == list_color_original || image == list_color_stippling;
  }
};

}  // namespace stippon
