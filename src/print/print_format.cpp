#include "print/print_format.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "print/print_pdf.h"
#include "print/print_pgm.h"
#include "print/print_png.h"
#include "print/print_tiff.h"

namespace stippon {

std::optional<_print_format> print_format_of(const std::string& file_name) {
  static const std::pair<const char*, _print_format> EXTENSIONS[] = {
      {".pgm", _print_format::pgm},   {".png", _print_format::png}, {".tif", _print_format::tiff},
      {".tiff", _print_format::tiff}, {".pdf", _print_format::pdf},
  };
  const size_t dot = file_name.find_last_of("./");
  if (dot == std::string::npos || file_name[dot] != '.') return std::nullopt;
  std::string extension = file_name.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& [name, format] : EXTENSIONS)
    if (extension == name) return format;
  return std::nullopt;
}

bool colour_print_name(const std::string& file_name) {
  const std::optional<_print_format> format = print_format_of(file_name);
  return format && *format != _print_format::pgm;
}

bool svg_print_name(const std::string& file_name) {
  constexpr std::string_view SUFFIX = ".svg";
  if (file_name.size() <= SUFFIX.size()) return false;
  const std::string_view end = std::string_view(file_name).substr(file_name.size() - SUFFIX.size());
  return std::equal(end.begin(), end.end(), SUFFIX.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

std::unique_ptr<_print_writer> make_print_writer(_print_format format) {
  switch (format) {
    case _print_format::pgm:
      return std::make_unique<_print_pgm>();
    case _print_format::png:
      return std::make_unique<_print_png>();
    case _print_format::tiff:
      return std::make_unique<_print_tiff>();
    case _print_format::pdf:
      return std::make_unique<_print_pdf>();
  }
  return nullptr;
}

}  // namespace stippon
