#include "batch/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>

#include "files/file_access.h"
#include "print/print_format.h"
#include "tones/tone_table.h"

namespace stippon {

namespace {

// Reads the text given to the option `name`; returns what is wrong with it, or nothing.
using _reader = std::function<std::string(const std::string& name, const std::string& text)>;

// Strict decimal: no blanks, no sign other than a leading '-', no infinities or NaN.
template <typename T>
bool parse_whole(const std::string& text, T& value) {
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(text.data(), last, value);
  return error == std::errc() && end == last && std::isfinite(static_cast<double>(value));
}

std::string needs(const std::string& name, const std::string& what, const std::string& text) {
  return name + " needs " + what + ", not '" + text + "'";
}

std::string out_of_range(const std::string& name, const std::string& text, const char* range) {
  return name + " " + text + " is out of range (" + range + ")";
}

// One of the names "a|b|c", stored as the value at its place in `values`, or as its place, or
// as itself in a string.
template <typename T>
_reader one_of(const std::string& names, T& value, const std::vector<T>& values = {}) {
  return [=, &value](const std::string& name, const std::string& text) {
    const std::string list = "|" + names + "|";
    const size_t at = text.find('|') == std::string::npos ? list.find("|" + text + "|") : list.npos;
    if (at == std::string::npos) {
      std::string all;
      for (char c : names) all += c == '|' ? std::string(", ") : std::string(1, c);
      return name + " must be one of " + all + ", not '" + text + "'";
    }
    const size_t place = std::count(list.begin(), list.begin() + at, '|');
    if constexpr (std::is_same_v<T, std::string>)
      value = text;
    else
      value = values.empty() ? T(place) : values[place];
    return std::string();
  };
}

// A number from low to high, whole when W is an integer, stored as T.
template <typename W, typename T>
_reader number(W low, W high, const char* range, T& value) {
  return [=, &value](const std::string& name, const std::string& text) {
    W number = 0;
    if (!parse_whole(text, number)) return needs(name, "a number", text);
    if (number < low || number > high) return out_of_range(name, text, range);
    return value = static_cast<T>(number), std::string();
  };
}

// "180mm", "7.5in", "2000px": a positive number and its unit.
_reader typed_size(bool is_height, _batch_options& options) {
  return [is_height, &options](const std::string& name, const std::string& text) {
    const std::pair<std::string, _output_units> units[] = {
        {"mm", units_millimeters}, {"in", units_inches}, {"px", units_pixels}};
    for (const auto& [suffix, unit] : units) {
      if (text.size() <= suffix.size() || !text.ends_with(suffix)) continue;
      float value = 0.0f;
      if (!parse_whole(text.substr(0, text.size() - suffix.size()), value))
        return needs(name, "a number", text);
      if (value <= 0.0f) return name + " must be above zero, not '" + text + "'";
      options.settings.output_size = size_custom;
      options.settings.output_units = unit;
      options.typed_edge = value;
      options.typed_height = is_height;
      return std::string();
    }
    return needs(name, "a number and a unit mm, in or px (e.g. 180mm)", text);
  };
}

// "MIN-MAX", both dot sizes of the library, MIN not above MAX.
_reader density(unsigned short& low, unsigned short& high) {
  return [&low, &high](const std::string& name, const std::string& text) {
    const size_t dash = text.find('-');
    long long min = 0, max = 0;
    if (dash == std::string::npos || !parse_whole(text.substr(0, dash), min) ||
        !parse_whole(text.substr(dash + 1), max))
      return needs(name, "MIN-MAX (e.g. 4-8)", text);
    if (min < 4 || max > 8 || min > max) return out_of_range(name, text, "4 to 8, MIN <= MAX");
    low = static_cast<unsigned short>(min);
    high = static_cast<unsigned short>(max);
    return std::string();
  };
}

// "R,G,B" or "R,G,B,A", each 0 to 255, the ink; or "photo", the photograph's colours.
_reader colour(_document_settings& settings) {
  return [&settings](const std::string& name, const std::string& text) {
    settings.colour_source = text == "photo" ? colour_photo : colour_ink;
    if (text == "photo") return std::string();
    _pixel& pixel = settings.ink;
    const std::string bad = needs(name, "R,G,B, R,G,B,A (e.g. 255,0,0) or photo", text);
    unsigned char parts[4] = {0, 0, 0, 255};
    size_t count = 0;
    for (size_t start = 0, comma = 0; comma != std::string::npos; start = comma + 1, ++count) {
      comma = text.find(',', start);
      long long value = 0;
      if (count == 4 || !parse_whole(text.substr(start, comma - start), value)) return bad;
      if (value < 0 || value > 255) return out_of_range(name, text, "0 to 255 per channel");
      parts[count] = static_cast<unsigned char>(value);
    }
    if (count < 3) return bad;
    pixel = {parts[0], parts[1], parts[2], parts[3]};
    return std::string();
  };
}

// A folder name, which may not be empty.
_reader folder(std::string& value) {
  return [&value](const std::string& name, const std::string& text) {
    value = text;
    return text.empty() ? name + " needs a folder name" : std::string();
  };
}

// The usage and the description lead the help, then the options in their groups.
class _help_format : public CLI::Formatter {
 public:
  _help_format() { column_width(NAMES); }
  std::string make_usage(const CLI::App*, std::string) const override { return "\n"; }
  std::string make_group(std::string group, bool,
                         std::vector<const CLI::Option*> options) const override {
    group += ":\n";
    for (const CLI::Option* option : options) group += make_option(option, false);
    return group;
  }

 private:
  static constexpr size_t NAMES = 30;
};

constexpr const char* DESCRIPTION = R"(Usage: stippon-batch [options] INPUT OUTPUT
   or: stippon-batch [options] --output-dir DIR INPUT...
Stipples a photograph (JPEG, PNG, TIFF, WebP, BMP, GIF or netpbm, up to 200 megapixels) without
a window, exactly as the desktop program does. OUTPUT ends in .png, .tif, .tiff, .pdf, .pgm or
.svg; it is replaced only once it has been written completely. INPUT - reads standard input,
OUTPUT - writes a PGM to standard output.)";
constexpr const char* EXIT_STATUS =
    R"(Exit status: 0 success, 1 other failure (e.g. not enough memory), 2 bad usage,
3 input or data files unreadable or no data folder found, 4 output not written.)";
constexpr int TONES_PER_LINE = 5;

// The options in their groups. A reader keeps the first complaint, said once the whole command
// line is read, so that --help and --version are answered whatever else it holds.
class _command_line {
 public:
  explicit _command_line(_batch_options& options);
  void parse(const std::vector<std::string>& arguments);
  // The first thing wrong with the command line; empty when the options are complete.
  std::string finish();

  CLI::App app{DESCRIPTION, "stippon-batch"};
  bool help = false, version = false;

 private:
  _batch_options& o;
  std::string complaint, group;
  std::vector<std::string> files;
  float packing = 0.0f, black = 0.0f, white = 255.0f, gamma = 1.0f;

  // An option that takes a value: `value` names it in the help, `read` takes it.
  void add(const std::string& name, const std::string& value, const std::string& text,
           const _reader& read) {
    auto keep = [this, name, read](const std::string& given) {
      if (complaint.empty()) complaint = read(name, given);
    };
    app.add_option_function<std::string>(name, keep, text)->type_name(value)->group(group);
  }
  // An option that takes one of the names "a|b|c".
  template <typename T>
  void add(const std::string& name, const std::string& names, T& value, const std::string& text,
           const std::vector<T>& values = {}) {
    add(name, names, text, one_of(names, value, values));
  }
  void flag(const std::string& name, bool& value, const std::string& text) {
    app.add_flag(name, value, text)->group(group);
  }
  void add_options();
  bool given(const char* name) const { return app.count(name) > 0; }
};

_command_line::_command_line(_batch_options& options) : o(options) {
  app.footer(EXIT_STATUS);
  app.formatter(std::make_shared<_help_format>());
  app.set_help_flag();
  app.allow_extras();
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.option_defaults()->disable_flag_override();
  app.add_option("files", files)->group("");
  add_options();
}

void _command_line::add_options() {
  _stipple_settings& s = o.settings.stipple;
  group = "Output size and resolution";
  add("--size", "A4|A5|A6|A7|A8|A9|A10|optimal", o.settings.output_size,
      "the largest print on this sheet, turned as the photograph (default\n"
      "A5); optimal: three pixels per input pixel");
  add("--width", "V", "a custom width in mm, in or px (e.g. 180mm); the height follows",
      typed_size(false, o));
  add("--height", "V", "a custom height; the width follows", typed_size(true, o));
  add("--ppi", "300|600|1200", o.resolution,
      "print resolution (default 300); the stippled image is drawn anew\n"
      "with the same dots at 600 and 1200",
      {resolution_300, resolution_600, resolution_1200});
  group = "Stipples";
  add("--packing", "P", "packing factor, 1.0 (sparse) to 6.0 (dense), default 2.0",
      number(1.0f, 6.0f, "1.0 to 6.0", packing));
  add("--randomness", "D", "placement randomness, 0 to 1, default 0.25",
      number(0.0f, 1.0f, "0 to 1", s.displacement));
  add("--merging", "product|minimum", s.merging_function,
      "how overlapping dots merge (default product)");
  add("--distribution", "random|normal", s.random_distribution,
      "distribution of the dot sizes (default random)");
  add("--placement", "grid|relaxed", s.placement,
      "dots on the halftone's grid, or relaxed into an even spread\n"
      "(default grid)");
  // srandom() takes an unsigned int: larger seeds would only repeat these patterns.
  add("--seed", "N",
      "seed of the dot pattern, 0 to 4294967295; without it the clock\n"
      "gives one, which --verbose prints",
      number(0LL, 0xffffffffLL, "0 to 4294967295", o.seed));
  group = "Tone";
  add("--tone-match", "none|grey|linear", o.settings.tone_match.matching,
      "flat areas print the ink of their grey level (grey) or of its\n"
      "linear light (linear); default none");
  add("--black-point", "B", "level that prints black, 0 to 255, default 0",
      number(0.0f, 255.0f, "0 to 255", black));
  add("--white-point", "W", "level that prints white, above B, default 255",
      number(0.0f, 255.0f, "0 to 255", white));
  add("--gamma", "G", "gamma after the levels, 0.1 to 10, default 1",
      number(_levels::GAMMA_MIN, _levels::GAMMA_MAX, "0.1 to 10", gamma));
  group = "Colours";
  add("--mode", "gray|bw|tones", o.settings.device,
      "grey-scale, black and white, or colour tones (default gray)");
  add("--black-level", "N", "black level of --mode bw, 0 to 255, default 127",
      number(0LL, 255LL, "0 to 255", s.black_level));
  std::string names, tones = "tone of a PNG, TIFF or PDF, one of";
  for (int i = 0; i < TONE_COUNT; ++i) {
    names += (i == 0 ? "" : "|") + std::string(tone_name(i));
    tones +=
        (i % TONES_PER_LINE == 0 ? (i == 0 ? ":\n" : ",\n") : ", ") + std::string(tone_name(i));
  }
  add("--tone", "NAME", tones, one_of(names, o.settings.tone));
  add("--density-low", "MIN-MAX", "dot sizes in low-density zones, 4 to 8, default 4-8",
      density(s.low_density_min, s.low_density_max));
  add("--density-high", "MIN-MAX", "dot sizes in high-density zones, 4 to 8, default 4-8",
      density(s.high_density_min, s.high_density_max));
  add("--contrast-threshold", "N", "density between the two zones, 0 to 255, default 127",
      number(0LL, 255LL, "0 to 255", s.contrast_threshold));
  // The range of the desktop program's borders slider, -50 to 50 tenths.
  add("--borders-threshold", "T", "threshold of the borders image, -5.0 to 5.0, default 5.0",
      number(-5.0f, 5.0f, "-5.0 to 5.0", o.settings.borders_threshold));
  add("--color", "R,G,B[,A]|photo",
      "ink of the colour-stippled image, default 255,0,0; photo: each dot\n"
      "in the photograph's colour at its place",
      colour(o.settings));
  add("--inks", "one|cmyk", o.settings.inks,
      "one ink, or the photograph separated into cyan, magenta, yellow and\n"
      "black, each stippled apart: a TIFF or PDF holds the inks, a PNG their\n"
      "colour, an SVG a layer per pen (default one)");
  group = "Which image";
  add("--image", "stippling|halftoning|borders|original|color-original|color-stippling", o.image,
      "default stippling; the colour images need a .png, .tif or .pdf\n"
      "OUTPUT (color-stippling also .svg); only the stippled images can be\n"
      "written at 600 or 1200 ppi",
      {list_stippling, list_halftoning, list_borders, list_original, list_color_original,
       list_color_stippling});
  group = "Vector output (an .svg OUTPUT)";
  add("--svg-dots", "shapes|circles|points", o.svg.dots,
      "each dot as its outline from the 1200 ppi sheets (default), a circle\n"
      "of its area, or a touch of the pen; circles and points in a short path");
  add("--pen-width", "MM", "stroke width of points, 0.01 to 10, default 0.3",
      number(0.01f, 10.0f, "0.01 to 10 mm", o.svg.pen_width));
  group = "A folder of prints";
  add("--output-dir", "DIR",
      "print every INPUT to DIR/<its name>.<format>, several at once as the\n"
      "cores and the memory allow; DIR is made when missing",
      folder(o.output_dir));
  add("--format", "png|tif|pdf|pgm|svg", o.format, "the kind of the prints (default png)");
  flag("--skip-existing", o.skip_existing, "leave out the INPUTs whose print is in DIR already");
  group = "Program";
  add("--data", "DIR",
      "folder holding dots/ and tones/; without it $STIPPON_DATA, else\n"
      "share/stippon beside the program's folder, else the working directory",
      folder(o.data_dir));
  add("--threads", "N",
      "threads that make the print, 1 to 256 (default: the cores\n"
      "available); the file is the same for any number",
      number(1LL, 256LL, "1 to 256", o.threads));
  flag("--verbose", o.verbose, "sizes, seed, data folder and time on standard error");
  flag("--quiet", o.quiet, "errors only, no progress line");
  flag("-h,--help", help, "print this summary and exit");
  flag("--version", version, "print the version and exit");
}

// CLI11's own complaints (a missing value, a value given to a flag) are said in the words of the
// others.
void _command_line::parse(const std::vector<std::string>& arguments) {
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& error) {
    const std::string text = error.what();
    if (text.find("flag override") != std::string::npos)
      complaint = "--" + text.substr(0, text.find(' ')) + " takes no value";
    else
      complaint = text.substr(0, text.find(':')) + " needs a value";
  } catch (const CLI::ParseError& error) {
    complaint = error.what();
  }
  for (const std::string& extra : app.remaining())
    if (complaint.empty() && extra.starts_with("-") && extra != "--")
      complaint = "unknown option " + extra.substr(0, extra.find('='));
}

std::string _command_line::finish() {
  if (!complaint.empty()) return complaint;
  if (!o.output_dir.empty()) {
    if (files.empty()) return "--output-dir needs at least one INPUT";
    if (std::find(files.begin(), files.end(), STANDARD_STREAM) != files.end())
      return "standard input (-) has no name to print under in --output-dir";
    files.push_back(o.print_name(files.front()));
  } else if (given("--format") || given("--skip-existing")) {
    return "--format and --skip-existing need --output-dir";
  } else if (files.size() != 2) {
    return "expected INPUT and OUTPUT file names";
  }
  o.output = files.back();
  o.inputs.assign(files.begin(), files.end() - 1);
  if (given("--width") && given("--height"))
    return "give either --width or --height; the other edge follows from the aspect ratio";
  if (given("--size") && (given("--width") || given("--height")))
    return "--size excludes --width and --height";
  if (o.verbose && o.quiet) return "--verbose and --quiet exclude each other";
  if (o.settings.tone != 0 && o.settings.device == device_grayscale)
    return "--tone needs --mode tones (or --mode bw)";
  const bool svg = o.svg_output();
  if (o.output != STANDARD_STREAM && !print_format_of(o.output) && !svg)
    return "OUTPUT must end in .pgm, .png, .tif, .tiff, .pdf or .svg (or be - for a PGM on "
           "standard output): " +
           o.output;
  if (!svg && (given("--svg-dots") || given("--pen-width")))
    return "--svg-dots and --pen-width need an .svg OUTPUT";
  const bool stippled = o.image == list_stippling || o.image == list_color_stippling;
  if (svg && !stippled)
    return "an .svg OUTPUT holds the dots of --image stippling or color-stippling";
  if (svg && o.image == list_color_stippling && o.settings.colour_source == colour_photo)
    return "--color photo: " + std::string(SVG_NO_PHOTO_COLOURS);
  if (svg && given("--ppi")) return "an .svg OUTPUT has no pixels: leave out --ppi";
  if (o.colour_image() && !o.colour_output() && !svg)
    return "--image color-original and color-stippling are colour images: write them as .png, "
           ".tif or .pdf";
  if (o.settings.inks == inks_cmyk && stippled && !o.colour_output() && !svg)
    return "--inks cmyk makes a print of four inks: write it as .png, .tif, .pdf or .svg";
  if (o.resolution != resolution_300 && !stippled)
    return "only the stippled images are drawn at " + std::to_string(VECRES[o.resolution]) +
           " ppi; write other images at --ppi 300";
  if (!(white > black)) return "--white-point must be above --black-point";
  _document_settings& settings = o.settings;
  if (given("--packing")) settings.stipple.scale_factor = packing_to_scale(packing);
  settings.tone_match.levels = _levels(black, white, gamma);
  settings.colour_stippling = o.image == list_color_stippling;
  std::fill(std::begin(settings.save_resolution), std::end(settings.save_resolution), o.resolution);
  return {};
}

}  // namespace

std::string _batch_options::print_name(const std::string& input) const {
  const std::filesystem::path name = std::filesystem::path(input).stem();
  return (std::filesystem::path(output_dir) / name).string() + "." + format;
}

bool _batch_options::colour_output() const {
  const std::optional<_print_format> format = print_format_of(output);
  return format && *format != _print_format::pgm;
}

bool _batch_options::svg_output() const {
  std::string end = output.size() > 4 ? output.substr(output.size() - 4) : "";
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".svg";
}

_parse_result parse_batch_options(const std::vector<std::string>& arguments) {
  _parse_result result;
  _command_line line(result.options);
  line.parse(arguments);
  if (line.help) return {action_help, {}, line.app.help()};
  if (line.version) return {action_version, {}, {}};
  result.message = line.finish();
  if (!result.message.empty()) result.action = action_usage_error;
  return result;
}

}  // namespace stippon
