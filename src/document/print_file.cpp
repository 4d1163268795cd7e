// The print files of the document: its pictures handed row by row to the writer of a format.
#include <memory>

#include "document/print_rows.h"
#include "document/stipple_document.h"
#include "files/file_access.h"
#include "image/sample_cast.h"
#include "print/print_format.h"

namespace stippon {

namespace {

const _pixel PAPER(255, 255, 255, 255);

std::string file_types_error(const std::string& file) {
  return file + ": the name must end in .pgm, .png, .tif, .tiff or .pdf";
}

}  // namespace

_print_result _stipple_document::write_print(const std::string& file,
                                             _resolution_position resolution, int position,
                                             bool toned, const _band_progress& progress) {
  _print_result result;
  // Standard output carries a PGM, as netpbm's tools expect.
  const std::optional<_print_format> format =
      is_standard_stream(file) ? std::optional(_print_format::pgm) : print_format_of(file);
  if (!format) {
    result.error = file_types_error(file);
    return result;
  }
  if (!image_loaded || position < 0 || position >= LIST_SIZE) {
    result.error = file + ": there is no picture to write";
    return result;
  }
  const int k = output_scale(resolution);
  const bool stippled = position == list_stippling || position == list_color_stippling;
  if (!stippled && k != 1) {
    result.error = file + ": only the stippled pictures are drawn at " +
                   std::to_string(VECRES[resolution]) + " ppi";
    return result;
  }
  // A CMYK print's stippled pictures are its inks.
  const bool inks = current.inks == inks_cmyk && stippled;
  if (inks && grid.cmyk.empty()) {
    result.error =
        file + ": the CMYK profile " + _cmyk_separation::DEFAULT_PROFILE + " cannot be read";
    return result;
  }
  const bool colour = list_texture(position) != nullptr || inks;
  if (colour && *format == _print_format::pgm) {
    result.error = file + ": a colour picture needs a PNG, TIFF or PDF file";
    return result;
  }
  result.width = stippling_image.width * k;
  result.height = stippling_image.height * k;
  if (!stippled) {
    result.width = grid.original_image.width;
    result.height = grid.original_image.height;
  }

  const std::unique_ptr<_print_writer> writer = make_print_writer(*format);
  writer->on_progress = progress;
  writer->set_pool(pool.get());
  // A PGM stays grey; the other formats take the tone of the picture on screen.
  const _texture* ramp = toned && *format != _print_format::pgm ? &tones[current.tone] : nullptr;
  _print_kind kind;
  if (inks)
    kind = writer->holds(_print_kind::cmyk) ? _print_kind::cmyk : _print_kind::rgb;
  else if (position == list_color_stippling)
    kind = _print_kind::rgb;  // white paper and inks that leave alpha alone: always opaque
  else if (colour)
    kind = _print_rows::colour_kind(grid.color_original.texels);
  else
    kind = _print_rows::grey_kind(position == list_stippling && current.stipple.black_white, ramp);
  if (!writer->holds(kind)) kind = kind == _print_kind::bilevel ? _print_kind::grey : kind;

  bool written = writer->open(file, result.width, result.height, VECRES[resolution], kind);
  if (written) {
    if (inks)
      written = write_inks(*writer, resolution, kind);
    else if (position == list_stippling)
      written = write_stippled(*writer, resolution, kind, ramp);
    else if (position == list_color_stippling)
      written = write_colour_stippled(*writer, resolution);
    else if (colour)
      written = write_colour(*writer, grid.color_original, kind);
    else
      written = write_grey(*writer, *list_image(position), kind, ramp);
  }
  written = written && writer->commit();
  result.written = written;
  if (!written) result.error = writer->error();
  return result;
}

bool _stipple_document::write_stippled(_print_writer& writer, int row, _print_kind kind,
                                       const _texture* ramp) {
  const int k = output_scale(row);
  _random_stream stream;
  const _dot_plan plan = grey_plan(k, stream);
  _banded_print print(plan, dot_sheets->row(row), stippling_image.height * k,
                      stippling_image.width * k, current.stipple);
  print.set_pool(pool.get());
  _print_rows rows(print.width(), kind, ramp);
  return print.print_bytes([&](const unsigned char* bytes, unsigned, unsigned count) {
    return writer.write_rows(rows.from_grey(bytes, count), count);
  });
}

bool _stipple_document::write_colour_stippled(_print_writer& writer, int row) {
  const int k = output_scale(row);
  const _dot_plan plan = colour_plan(k);
  _banded_print print(plan, dot_sheets->row(row), stippling_image.height * k,
                      stippling_image.width * k, current.stipple);
  print.set_pool(pool.get());
  _print_rows rows(print.width(), _print_kind::rgb, nullptr);
  return print.print_colour(
      [&](const _pixel* texels, unsigned, unsigned count) {
        return writer.write_rows(rows.from_colour(texels, count), count);
      },
      PAPER);
}

// A picture of the halftone grid, written from its raster, the top row first.
bool _stipple_document::write_grey(_print_writer& writer, const _image& image, _print_kind kind,
                                   const _texture* ramp) {
  _print_rows rows(image.width, kind, ramp);
  std::vector<uint8_t> bytes(image.width);
  for (unsigned r = image.height; r-- > 0;) {
    const float* samples = image.samples.data() + size_t(r) * image.width;
    for (unsigned c = 0; c < image.width; ++c) bytes[c] = low_byte(samples[c]);
    if (!writer.write_rows(rows.from_grey(bytes.data(), 1), 1)) return false;
  }
  return true;
}

bool _stipple_document::write_colour(_print_writer& writer, const _texture& picture,
                                     _print_kind kind) {
  _print_rows rows(picture.width, kind, nullptr);
  for (unsigned r = picture.height; r-- > 0;) {
    const _pixel* texels = picture.texels.data() + size_t(r) * picture.width;
    if (!writer.write_rows(rows.from_colour(texels, 1), 1)) return false;
  }
  return true;
}

}  // namespace stippon
