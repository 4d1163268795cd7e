#include "print/print_svg.h"

#include <cerrno>

namespace stippon {

namespace {

constexpr char HEADER[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" "
    "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"";

void hex_colour(_svg_text& text, _pixel ink) {
  static constexpr char digits[] = "0123456789abcdef";
  const char colour[7] = {'#',
                          digits[ink.r >> 4],
                          digits[ink.r & 15],
                          digits[ink.g >> 4],
                          digits[ink.g & 15],
                          digits[ink.b >> 4],
                          digits[ink.b & 15]};
  text.text(std::string_view(colour, sizeof colour));
}

}  // namespace

bool _print_svg::open(const std::string& target, int64_t width, int64_t height, _svg_dots dots,
                      double pen_width) {
  start_over(target);
  dots_ = dots;
  pen_width_ = pen_width;
  if (!create()) return false;
  svg.emplace(stream());
  text().text(HEADER).thousandths(width).text("mm\" height=\"");
  text().thousandths(height).text("mm\" viewBox=\"0 0 ");
  text().thousandths(width).text(" ").thousandths(height);
  text().text("\">\n");
  return true;
}

void _print_svg::begin_layer(unsigned number, _pixel ink) {
  text().text("<g inkscape:groupmode=\"layer\" id=\"pen-").whole(number);
  text().text("\" inkscape:label=\"Pen ").whole(number);
  text().text(number == 1 ? " black" : " ink ");
  if (number != 1) hex_colour(text(), ink);
  layer_style(ink);
}

void _print_svg::begin_layer(unsigned number, _pixel ink, std::string_view name) {
  text().text("<g inkscape:groupmode=\"layer\" id=\"pen-").whole(number);
  text().text("\" inkscape:label=\"Pen ").whole(number).text(" ").text(name);
  // Inks laid over one another darken, as on paper.
  text().text("\" style=\"mix-blend-mode:multiply");
  layer_style(ink);
}

void _print_svg::layer_style(_pixel ink) {
  text().text("\" ");
  if (dots_ == svg_points) {
    text().text("fill=\"none\" stroke=\"");
    hex_colour(text(), ink);
    text().text("\" stroke-width=\"").fixed(pen_width_);
    text().text("\" stroke-linecap=\"round\">\n");
  } else {
    text().text("fill=\"");
    hex_colour(text(), ink);
    text().text(dots_ == svg_shapes ? "\" fill-rule=\"nonzero\" stroke=\"none\">\n"
                                    : "\" stroke=\"none\">\n");
  }
}

std::string _print_svg::circle_radius(int64_t radius) {
  char number[_svg_text::NUMBER_BYTES];
  return "\" r=\"" + std::string(number, _svg_text::format_thousandths(number, radius)) + "\"/>\n";
}

void _print_svg::path_number(std::string& path, int64_t value, bool after_number) {
  char number[_svg_text::NUMBER_BYTES];
  if (after_number && value >= 0) path += ' ';
  path.append(number, _svg_text::format_thousandths(number, value, true));
}

bool _print_svg::good() {
  if (!is_open()) return false;
  if (text().good()) return true;
  return fail_system(text().error_number());
}

bool _print_svg::commit() {
  if (!is_open()) return false;
  text().text("</svg>\n");
  if (!text().flush()) return fail_system(text().error_number());
  release();
  return rename_over_target();
}

}  // namespace stippon
