#pragma once

#include "image/pixel.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"
#include "tones/tone_matcher.h"

namespace stippon {

// The ink of the colour-stippled picture until the user picks another.
inline constexpr _pixel DEFAULT_INK = {255, 0, 0, 255};
// The borders threshold a new picture's "Borders" image is computed with; the panel's slider
// and the preferences hold ten times it.
inline constexpr float DEFAULT_BORDERS_THRESHOLD = 5.0f;
inline constexpr float BORDERS_SLIDER_STEPS = 10.0f;

// Where the dots of the colour-stippled picture take their colour: all one ink, or each the
// photograph's colour at its place.
enum _colour_source { colour_ink = 0, colour_photo };

// Why an SVG print of dots in the photograph's colours is refused.
inline constexpr char SVG_NO_PHOTO_COLOURS[] =
    "an SVG print draws each ink with a pen: write dots in the photograph's colours as PNG, "
    "TIFF or PDF";

// The inks a print is made of: the one of its mode, or the four process inks separated from the
// photograph, each stippled apart.
enum _inks { inks_one = 0, inks_cmyk };

// The images of the pipeline in the order of the image list.
enum _list_position {
  list_color_original = 0,
  list_original,
  list_borders,
  list_halftoning,
  list_stippling,
  list_color_stippling,
};
inline constexpr int LIST_SIZE = 6;

// Every choice the user makes about one print: the stippling parameters and the output request.
// A document takes it whole (_stipple_document::apply) and makes what the difference needs.
struct _document_settings {
  _stipple_settings stipple;
  _output_size output_size = size_a5;
  _output_units output_units = units_millimeters;
  // The print's width in pixels at 300 ppi: a sheet or "Optimal" makes it from the photograph,
  // "Custom" takes it as typed. A value that gives no picture keeps the width the images have.
  float width = 0.0f;
  _mode_device device = device_grayscale;
  // One remembered save resolution per colour mode.
  _resolution_position save_resolution[3] = {resolution_300, resolution_300, resolution_300};
  int tone = 0;
  float borders_threshold = DEFAULT_BORDERS_THRESHOLD;
  _pixel ink = DEFAULT_INK;
  _colour_source colour_source = colour_ink;
  bool colour_stippling = false;
  _inks inks = inks_one;
  // Levels, gamma and tone matching, applied to the photograph before it is halftoned.
  _tone_settings tone_match;

  bool operator==(const _document_settings&) const = default;
  _resolution_position resolution() const { return save_resolution[device]; }

  // The value with the rules that tie its fields together kept: dot sizes within the loaded
  // sheets and each pair's minimum at or below its maximum, a packing and a typed width that
  // are positive numbers, black and white stippling exactly in the Black&White mode, no tone in
  // Gray-scale, and the white point above the black point.
  _document_settings normalised() const;
};

}  // namespace stippon
