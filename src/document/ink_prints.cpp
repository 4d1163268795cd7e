// The CMYK print of the document: the photograph separated into the four process inks, each
// stippled on a halftone of its own, shown and written as their colour on paper or as the inks.
#include "document/stipple_document.h"
#include "inks/cmyk_print.h"

namespace stippon {

namespace {

// Each ink's dots are tone-matched to its separation: a flat area of an ink's amount A is covered
// by A / 255 of dots.
_tone_settings matched_to_separation() {
  _tone_settings tones;
  tones.matching = tone_matching_grey;
  return tones;
}

}  // namespace

void _stipple_document::derive_inks() {
  if (!separation) {
    auto loaded = std::make_shared<_cmyk_separation>();
    if (!loaded->load(_cmyk_separation::DEFAULT_PROFILE, pool.get())) {
      grid.cmyk = _cmyk_inks();
      return;
    }
    separation = std::move(loaded);
  }
  const _tone_lookup lookup =
      matcher.lookup(current.stipple, dot_sheets->row(resolution_300), matched_to_separation());
  grid.cmyk.derive(*separation, *input_image, *input_colour, enlargement, current.borders_threshold,
                   lookup, pool.get());
}

// Under relaxed placement the inks' places are made first, kept for the prints and the SVG.
void _stipple_document::stipple_inks() {
  const auto rounds = [this](unsigned done, unsigned total) {
    return keep_drawing(_work_progress::relax_inks, done, total);
  };
  if (!grid.cmyk.relax(current.stipple, preview_seed, pool.get(), rounds)) return;
  size_colour_stippling();
  const std::array<_dot_plan, INK_COUNT> plans =
      grid.cmyk.plans(current.stipple, 1, preview_seed, pool.get());
  _cmyk_print print(plans, dot_sheets->row(resolution_300), color_stippling.height,
                    color_stippling.width, current.stipple);
  print.set_pool(pool.get());
  print.set_progress([this](unsigned done, unsigned total) {
    return keep_drawing(_work_progress::colour, done, total);
  });
  std::array<_pixel, INK_COUNT> colours;
  for (int ink = 0; ink < INK_COUNT; ++ink) colours[size_t(ink)] = separation->ink_colour(ink);
  const unsigned width = color_stippling.width, height = color_stippling.height;
  print.print_colour(colours, [&](const uint8_t* bytes, unsigned top, unsigned rows) {
    for (unsigned i = 0; i < rows; ++i) {
      _pixel* row = color_stippling.texels.data() + size_t(height - 1 - top - i) * width;
      const uint8_t* from = bytes + size_t(i) * width * 3;
      for (unsigned c = 0; c < width; ++c)
        row[c] = _pixel(from[3 * c], from[3 * c + 1], from[3 * c + 2]);
    }
    return true;
  });
}

// A print file holds the inks where it can (TIFF, PDF), else their colour on paper (PNG).
bool _stipple_document::write_inks(_print_writer& writer, int row, _print_kind kind) {
  const int k = output_scale(row);
  const std::array<_dot_plan, INK_COUNT> plans =
      grid.cmyk.plans(current.stipple, k, preview_seed, pool.get());
  _cmyk_print print(plans, dot_sheets->row(row), stippling_image.height * k,
                    stippling_image.width * k, current.stipple);
  print.set_pool(pool.get());
  const _ink_band_sink rows = [&writer](const uint8_t* bytes, unsigned, unsigned count) {
    return writer.write_rows(bytes, count);
  };
  if (kind == _print_kind::cmyk) return print.print_inks(rows);
  std::array<_pixel, INK_COUNT> colours;
  for (int ink = 0; ink < INK_COUNT; ++ink) colours[size_t(ink)] = separation->ink_colour(ink);
  return print.print_colour(colours, rows);
}

}  // namespace stippon
