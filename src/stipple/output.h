#pragma once

namespace stippon {

// Output description shared by the desktop controller and the batch tool.
enum _output_size {
  size_a4 = 0,
  size_a5,
  size_a6,
  size_a7,
  size_a8,
  size_a9,
  size_a10,
  size_optimal,
  size_custom
};
enum _output_units { units_millimeters = 0, units_inches = 1, units_pixels = 2 };
enum _resolution_position { resolution_1200 = 0, resolution_600 = 1, resolution_300 = 2 };
enum _mode_device { device_grayscale = 0, device_black_white = 1, device_color_tones = 2 };

inline constexpr int VECRES[3] = {1200, 600, 300};

// Every size inside the program is in pixels at this resolution; 600 and 1200 ppi exist only as
// output scales of a print.
inline constexpr int PREVIEW_PPI = 300;
inline constexpr double MM_PER_INCH = 25.4;
// The packing factor P of the panel and the batch is one halftone cell per 6 / P output pixels.
inline constexpr float PACKING_CELL_PIXELS = 6.0f;
// "Optimal for input": three output pixels per input pixel.
inline constexpr float OPTIMAL_SCALE = 3.0f;

// Long sides of A4 .. A10 and the short side of A10, in pixels at 300 ppi: sheet k is
// SHEET_SIDES[k] x SHEET_SIDES[k + 1].
inline constexpr float SHEET_SIDES[8] = {3506, 2480, 1753, 1240, 876, 620, 438, 310};

inline bool is_sheet(int size) {
  return size >= size_a4 && size <= size_a10;
}

// A sheet's edges turned like a picture of this aspect ratio: landscape for aspect >= 1, a square
// picture too, portrait otherwise.
struct _sheet_edges {
  float across = 0.0f;
  float down = 0.0f;
};
inline _sheet_edges sheet_edges(int size, float aspect) {
  const float long_side = SHEET_SIDES[size], short_side = SHEET_SIDES[size + 1];
  return 1.0f <= aspect ? _sheet_edges{long_side, short_side} : _sheet_edges{short_side, long_side};
}

// A length typed in the given units, in pixels at 300 ppi: millimetres in double precision
// (multiplied first), inches in single precision.
inline float to_pixels(float value, _output_units units) {
  if (units == units_millimeters)
    return static_cast<float>(value * double(PREVIEW_PPI) / MM_PER_INCH);
  if (units == units_inches) return value * float(PREVIEW_PPI);
  return value;
}

// A length in pixels at 300 ppi in the given units, as the panel shows it: millimetres in double
// precision, inches in single precision.
inline float from_pixels(unsigned pixels, _output_units units) {
  if (units == units_millimeters)
    return static_cast<float>(pixels * MM_PER_INCH / double(PREVIEW_PPI));
  if (units == units_inches) return static_cast<float>(pixels) / float(PREVIEW_PPI);
  return static_cast<float>(pixels);
}

inline float packing_to_scale(float packing) {
  return PACKING_CELL_PIXELS / packing;
}

// The preview of a W x H input at target width w: trunc(w) x trunc(w / (W / H)), single precision.
struct _preview_size {
  unsigned width = 0;
  unsigned height = 0;
};
inline _preview_size preview_size(float w, unsigned W, unsigned H) {
  const float aspect = static_cast<float>(W) / static_cast<float>(H);
  return {static_cast<unsigned>(w), static_cast<unsigned>(w / aspect)};
}

// Output pixels per 300 ppi pixel at a resolution position: 4, 2, 1.
inline int output_scale(int position) {
  return position == resolution_300 ? 1 : position == resolution_600 ? 2 : 4;
}

}  // namespace stippon
