#include "batch/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "files/file_access.h"
#include "print/print_format.h"
#include "tones/tone_table.h"

namespace stippon {

namespace {

// Strict decimal: no blanks, no sign other than a leading '-', no infinities or NaN.
template <typename T>
bool parse_whole(const std::string& text, T& value) {
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(text.data(), last, value);
  return error == std::errc() && end == last && std::isfinite(static_cast<double>(value));
}

std::string needs(const std::string& what, const std::string& text) {
  return " needs " + what + ", not '" + text + "'";
}

std::string out_of_range(const std::string& text, const char* range) {
  return " " + text + " is out of range (" + range + ")";
}

// An option's value: its name in the help, and what takes the text given, which returns what
// is wrong with it to follow the option's name, or nothing.
struct _value {
  std::string names;
  std::function<std::string(const std::string& text)> read;
};

// One of `names`, stored as its place, or as the value at its place in `values`.
template <typename T>
_value one_of(const std::vector<std::string>& names, T& value, const std::vector<T>& values = {}) {
  const std::string listed = CLI::detail::join(names, ", ");
  return {CLI::detail::join(names, "|"), [=, &value](const std::string& text) {
            const auto at = std::find(names.begin(), names.end(), text);
            if (at == names.end()) return " must be one of " + listed + ", not '" + text + "'";
            if constexpr (std::is_same_v<T, std::string>)
              value = text;
            else
              value = values.empty() ? T(at - names.begin()) : values[at - names.begin()];
            return std::string();
          }};
}

// A number from low to high, whole when W is an integer, stored as T; the help gives the range.
template <typename W, typename T>
_value number(const char* names, W low, W high, const char* range, T& value) {
  return {names + std::string(" (") + range + ")", [=, &value](const std::string& text) {
            W number = 0;
            if (!parse_whole(text, number)) return needs("a number", text);
            if (number < low || number > high) return out_of_range(text, range);
            value = static_cast<T>(number);
            return std::string();
          }};
}

// "180mm", "7.5in", "2000px": a positive number and its unit.
_value typed_size(bool is_height, _batch_options& options) {
  return {"V", [is_height, &options](const std::string& text) {
            const std::pair<std::string, _output_units> units[] = {
                {"mm", units_millimeters}, {"in", units_inches}, {"px", units_pixels}};
            for (const auto& [suffix, unit] : units) {
              if (text.size() <= suffix.size() || !text.ends_with(suffix)) continue;
              if (!parse_whole(text.substr(0, text.size() - suffix.size()), options.typed_edge))
                return needs("a number", text);
              if (options.typed_edge <= 0.0f) return " must be above zero, not '" + text + "'";
              options.settings.output_size = size_custom;
              options.settings.output_units = unit;
              options.typed_height = is_height;
              return std::string();
            }
            return needs("a number and a unit mm, in or px (e.g. 180mm)", text);
          }};
}

// "MIN-MAX", both dot sizes of the library, MIN not above MAX.
_value density(unsigned short& low, unsigned short& high) {
  return {"MIN-MAX", [&low, &high](const std::string& text) {
            const size_t dash = text.find('-');
            long long min = 0, max = 0;
            if (dash == std::string::npos || !parse_whole(text.substr(0, dash), min) ||
                !parse_whole(text.substr(dash + 1), max))
              return needs("MIN-MAX (e.g. 4-8)", text);
            if (min < 4 || max > 8 || min > max) return out_of_range(text, "4 to 8, MIN <= MAX");
            low = static_cast<unsigned short>(min);
            high = static_cast<unsigned short>(max);
            return std::string();
          }};
}

// "R,G,B" or "R,G,B,A", each 0 to 255, the ink; or "photo", the photograph's colours.
_value colour(_document_settings& settings) {
  return {"R,G,B[,A]|photo", [&settings](const std::string& text) {
            settings.colour_source = text == "photo" ? colour_photo : colour_ink;
            const std::string bad = needs("R,G,B, R,G,B,A (e.g. 255,0,0) or photo", text);
            unsigned char channels[4] = {0, 0, 0, 255};
            size_t count = 0;
            for (size_t start = 0, comma = 0; comma != std::string::npos && text != "photo";
                 start = comma + 1, ++count) {
              comma = text.find(',', start);
              long long value = 0;
              if (count == 4 || !parse_whole(text.substr(start, comma - start), value)) return bad;
              if (value < 0 || value > 255) return out_of_range(text, "0 to 255 per channel");
              channels[count] = static_cast<unsigned char>(value);
            }
            if (text == "photo") return std::string();
            if (count < 3) return bad;
            settings.ink = {channels[0], channels[1], channels[2], channels[3]};
            return std::string();
          }};
}

// A folder name, which may not be empty.
_value folder(std::string& value) {
  return {"DIR", [&value](const std::string& text) {
            value = text;
            return text.empty() ? " needs a folder name" : "";
          }};
}

// The usage leads the description, so CLI11's own usage line is left out; a blank line between
// groups.
class _help_format : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override { return "\n"; }
  std::string make_group(std::string name, bool positional,
                         std::vector<const CLI::Option*> options) const override {
    return Formatter::make_group(name, positional, options).substr(1);
  }
};

constexpr const char* DESCRIPTION = R"(Usage: stippon-batch [options] INPUT OUTPUT
   or: stippon-batch [options] --output-dir DIR INPUT...
Stipples a photograph without a window, as the desktop program does. OUTPUT ends in .png, .tif,
.tiff, .pdf, .pgm or .svg; INPUT - reads standard input, OUTPUT - writes a PGM to standard output.
The manual, stippon-batch(1), tells each option in full.)";
constexpr const char* EXIT_STATUS =
    "Exit status: 0 success, 1 other failure (e.g. not enough memory), 2 bad usage,\n"
    "3 input or data files unreadable or no data folder found, 4 output not written.";

// The options in their groups. An option keeps the first complaint, said once the whole command
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

  void add(const std::string& name, const std::string& text, const _value& value) {
    const auto keep = [this, name, read = value.read](const std::string& given) {
      const std::string problem = read(given);
      if (complaint.empty() && !problem.empty()) complaint = name + problem;
    };
    app.add_option_function<std::string>(name, keep, text)->type_name(value.names)->group(group);
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
  const std::vector<std::string> formats = {"png", "tif", "pdf", "pgm", "svg"};
  std::vector<std::string> tones;
  for (int i = 0; i < TONE_COUNT; ++i) tones.push_back(tone_name(i));
  _value tone = one_of(tones, o.settings.tone);
  tone.names = "NAME";
  group = "Output size and resolution";
  add("--size", "the largest print on this sheet (default A5)",
      one_of({"A4", "A5", "A6", "A7", "A8", "A9", "A10", "optimal"}, o.settings.output_size));
  add("--width", "a custom width, e.g. 180mm, 7in or 2000px", typed_size(false, o));
  add("--height", "a custom height, e.g. 180mm, 7in or 2000px", typed_size(true, o));
  add("--ppi", "print resolution (default 300)",
      one_of({"300", "600", "1200"}, o.resolution,
             {resolution_300, resolution_600, resolution_1200}));
  group = "Stipples";
  add("--packing", "packing factor (default 2.0)", number("P", 1.0f, 6.0f, "1.0 to 6.0", packing));
  add("--randomness", "placement randomness (default 0.25)",
      number("D", 0.0f, 1.0f, "0 to 1", s.displacement));
  add("--merging", "how overlapping dots merge",
      one_of({"product", "minimum"}, s.merging_function));
  add("--distribution", "how the dot sizes are drawn",
      one_of({"random", "normal"}, s.random_distribution));
  add("--placement", "dots on the halftone grid or relaxed",
      one_of({"grid", "relaxed"}, s.placement));
  // srandom() takes an unsigned int: larger seeds would only repeat these patterns.
  add("--seed", "seed of the dot pattern (default: the clock)",
      number("N", 0LL, 0xffffffffLL, "0 to 4294967295", o.seed));
  group = "Tone";
  add("--tone-match", "flat areas print their grey or their linear light",
      one_of({"none", "grey", "linear"}, o.settings.tone_match.matching));
  add("--black-point", "level printing black (default 0)",
      number("B", 0.0f, 255.0f, "0 to 255", black));
  add("--white-point", "level printing white (default 255)",
      number("W", 0.0f, 255.0f, "0 to 255", white));
  add("--gamma", "gamma after the levels (default 1)",
      number("G", _levels::GAMMA_MIN, _levels::GAMMA_MAX, "0.1 to 10", gamma));
  group = "Colours";
  add("--mode", "grey, black and white, or colour tones",
      one_of({"gray", "bw", "tones"}, o.settings.device));
  add("--black-level", "threshold of --mode bw (default 127)",
      number("N", 0LL, 255LL, "0 to 255", s.black_level));
  add("--tone", "tone of a PNG, TIFF or PDF, e.g. sepia_1", tone);
  add("--density-low", "dot sizes in sparse zones, 4 to 8",
      density(s.low_density_min, s.low_density_max));
  add("--density-high", "dot sizes in dense zones, 4 to 8",
      density(s.high_density_min, s.high_density_max));
  add("--contrast-threshold", "density between the two zones (default 127)",
      number("N", 0LL, 255LL, "0 to 255", s.contrast_threshold));
  // The range of the desktop program's borders slider, -50 to 50 tenths.
  add("--borders-threshold", "threshold of the borders image (default 5.0)",
      number("T", -5.0f, 5.0f, "-5.0 to 5.0", o.settings.borders_threshold));
  add("--color", "ink of --image color-stippling (default 255,0,0)", colour(o.settings));
  add("--inks", "one ink, or cyan, magenta, yellow and black",
      one_of({"one", "cmyk"}, o.settings.inks));
  group = "Which image";
  add("--image", "the image written (default stippling)",
      one_of(
          {"stippling", "halftoning", "borders", "original", "color-original", "color-stippling"},
          o.image,
          {list_stippling, list_halftoning, list_borders, list_original, list_color_original,
           list_color_stippling}));
  group = "Vector output (an .svg OUTPUT)";
  add("--svg-dots", "how each dot is drawn", one_of({"shapes", "circles", "points"}, o.svg.dots));
  add("--pen-width", "stroke width of points (default 0.3)",
      number("MM", 0.01f, 10.0f, "0.01 to 10 mm", o.svg.pen_width));
  group = "A folder of prints";
  add("--output-dir", "print every INPUT to DIR/<its name>.<format>", folder(o.output_dir));
  add("--format", "the kind of the prints (default png)", one_of(formats, o.format));
  flag("--skip-existing", o.skip_existing, "leave out the INPUTs printed in DIR already");
  group = "Program";
  add("--data", "folder of dots/ and tones/", folder(o.data_dir));
  add("--threads", "threads per print (default: the cores)",
      number("N", 1LL, 256LL, "1 to 256", o.threads));
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
  const bool svg = svg_print_name(o.output), colour = colour_print_name(o.output);
  const bool stippled = o.image == list_stippling || o.image == list_color_stippling;
  // The first rule broken is said.
  const std::pair<bool, std::string> rules[] = {
      {given("--width") && given("--height"),
       "give either --width or --height; the other edge follows from the aspect ratio"},
      {given("--size") && (given("--width") || given("--height")),
       "--size excludes --width and --height"},
      {o.verbose && o.quiet, "--verbose and --quiet exclude each other"},
      {o.settings.tone != 0 && o.settings.device == device_grayscale,
       "--tone needs --mode tones (or --mode bw)"},
      {o.output != STANDARD_STREAM && !print_format_of(o.output) && !svg,
       "OUTPUT must end in .pgm, .png, .tif, .tiff, .pdf or .svg (or be - for a PGM on standard "
       "output): " +
           o.output},
      {!svg && (given("--svg-dots") || given("--pen-width")),
       "--svg-dots and --pen-width need an .svg OUTPUT"},
      {svg && !stippled, "an .svg OUTPUT holds the dots of --image stippling or color-stippling"},
      {svg && o.image == list_color_stippling && o.settings.colour_source == colour_photo,
       "--color photo: " + std::string(SVG_NO_PHOTO_COLOURS)},
      {svg && given("--ppi"), "an .svg OUTPUT has no pixels: leave out --ppi"},
      {o.colour_image() && !colour && !svg,
       "--image color-original and color-stippling are colour images: write them as .png, .tif "
       "or .pdf"},
      {o.settings.inks == inks_cmyk && stippled && !colour && !svg,
       "--inks cmyk makes a print of four inks: write it as .png, .tif, .pdf or .svg"},
      {o.resolution != resolution_300 && !stippled, "only the stippled images are drawn at " +
                                                        std::to_string(VECRES[o.resolution]) +
                                                        " ppi; write other images at --ppi 300"},
      {!(white > black), "--white-point must be above --black-point"},
  };
  for (const auto& [broken, message] : rules)
    if (broken) return message;
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
