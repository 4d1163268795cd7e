#pragma once

#include <memory>
#include <optional>
#include <string>

#include "print/print_writer.h"

namespace stippon {

enum class _print_format { pgm, png, tiff, pdf };

// The format a file name asks for by its extension (.pgm, .png, .tif or .tiff, .pdf, in any
// case); none for other names.
std::optional<_print_format> print_format_of(const std::string& file_name);
// PNG, TIFF or PDF: files that hold a toned or colour picture.
bool colour_print_name(const std::string& file_name);
// A vector print: the name ends in .svg, in any case.
bool svg_print_name(const std::string& file_name);

// A writer for the format, ready for open().
std::unique_ptr<_print_writer> make_print_writer(_print_format format);

}  // namespace stippon
