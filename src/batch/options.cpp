#include "batch/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <set>
#include <utility>

#include "image/file_access.h"
#include "image/print_format.h"
#include "tones/tone_table.h"

namespace stippon {

namespace {

using _apply = std::function<std::string(const std::string& value, _batch_options& options)>;

struct _option {
  const char* name;
  bool takes_value;
  _apply apply;
};

template <typename T>
using _choices = std::vector<std::pair<std::string, T>>;

bool parse_whole(const std::string& text, long long& value) {
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(text.data(), last, value);
  return error == std::errc() && end == last;
}

// Strict decimal: no blanks, no sign other than a leading '-', no infinities or NaN.
bool parse_whole(const std::string& text, float& value) {
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(text.data(), last, value, std::chars_format::general);
  return error == std::errc() && end == last && std::isfinite(value);
}

std::string out_of_range(const std::string& name, const std::string& text,
                         const std::string& range) {
  return name + " " + text + " is out of range (" + range + ")";
}

constexpr long long MAX_THREADS = 256;

std::string not_a_number(const std::string& name, const std::string& text) {
  return name + " needs a number, not '" + text + "'";
}

std::string integer_in(const std::string& name, const std::string& text, long long low,
                       long long high, long long& value) {
  if (!parse_whole(text, value)) return not_a_number(name, text);
  if (value < low || value > high)
    return out_of_range(name, text, std::to_string(low) + " to " + std::to_string(high));
  return {};
}

std::string float_in(const std::string& name, const std::string& text, float low, float high,
                     const std::string& range, float& value) {
  if (!parse_whole(text, value)) return not_a_number(name, text);
  if (value < low || value > high) return out_of_range(name, text, range);
  return {};
}

template <typename T>
std::string choose(const std::string& name, const std::string& text, const _choices<T>& choices,
                   T& value) {
  std::string names;
  for (const auto& [label, choice] : choices) {
    if (label == text) {
      value = choice;
      return {};
    }
    names += (names.empty() ? "" : ", ") + label;
  }
  return name + " must be one of " + names + ", not '" + text + "'";
}

// "180mm", "7.5in", "2000px": a positive number and its unit.
std::string typed_size(const std::string& name, const std::string& text, bool is_height,
                       _batch_options& options) {
  const _choices<_output_units> units = {
      {"mm", units_millimeters}, {"in", units_inches}, {"px", units_pixels}};
  for (const auto& [suffix, unit] : units) {
    if (text.size() <= suffix.size() ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    float value = 0.0f;
    if (!parse_whole(text.substr(0, text.size() - suffix.size()), value))
      return not_a_number(name, text);
    if (value <= 0.0f) return name + " must be above zero, not '" + text + "'";
    options.settings.output_size = size_custom;
    options.typed = {is_height, value, unit};
    return {};
  }
  return name + " needs a number and a unit mm, in or px (e.g. 180mm), not '" + text + "'";
}

// "MIN-MAX", both dot sizes of the library, MIN not above MAX.
std::string density(const std::string& name, const std::string& text, unsigned short& low,
                    unsigned short& high) {
  const size_t dash = text.find('-');
  if (dash == std::string::npos) return name + " needs MIN-MAX (e.g. 4-8), not '" + text + "'";
  long long min = 0;
  long long max = 0;
  if (!parse_whole(text.substr(0, dash), min) || !parse_whole(text.substr(dash + 1), max))
    return name + " needs MIN-MAX (e.g. 4-8), not '" + text + "'";
  if (min < 4 || max > 8 || min > max) return out_of_range(name, text, "4 to 8, MIN <= MAX");
  low = static_cast<unsigned short>(min);
  high = static_cast<unsigned short>(max);
  return {};
}

// "R,G,B" or "R,G,B,A", each 0 to 255.
std::string colour(const std::string& name, const std::string& text, _pixel& pixel) {
  std::vector<long long> parts;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    long long value = 0;
    if (!parse_whole(text.substr(start, comma - start), value)) break;
    if (value < 0 || value > 255) return out_of_range(name, text, "0 to 255 per channel");
    parts.push_back(value);
    if (comma == std::string::npos) {
      if (parts.size() < 3 || parts.size() > 4) break;
      if (parts.size() == 3) parts.push_back(255);
      pixel = {static_cast<unsigned char>(parts[0]), static_cast<unsigned char>(parts[1]),
               static_cast<unsigned char>(parts[2]), static_cast<unsigned char>(parts[3])};
      return {};
    }
    start = comma + 1;
  }
  return name + " needs R,G,B or R,G,B,A (e.g. 255,0,0), not '" + text + "'";
}

std::vector<_option> option_table() {
  return {
      {"--size", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_output_size> sizes = {
             {"A4", size_a4}, {"A5", size_a5}, {"A6", size_a6},   {"A7", size_a7},
             {"A8", size_a8}, {"A9", size_a9}, {"A10", size_a10}, {"optimal", size_optimal}};
         return choose("--size", v, sizes, o.settings.output_size);
       }},
      {"--width", true,
       [](const std::string& v, _batch_options& o) { return typed_size("--width", v, false, o); }},
      {"--height", true,
       [](const std::string& v, _batch_options& o) { return typed_size("--height", v, true, o); }},
      {"--ppi", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_resolution_position> ppi = {
             {"300", resolution_300}, {"600", resolution_600}, {"1200", resolution_1200}};
         return choose("--ppi", v, ppi, o.resolution);
       }},
      {"--packing", true,
       [](const std::string& v, _batch_options& o) {
         float packing = 0.0f;
         std::string error = float_in("--packing", v, 1.0f, 6.0f, "1.0 to 6.0", packing);
         if (error.empty()) o.settings.stipple.scale_factor = packing_to_scale(packing);
         return error;
       }},
      {"--randomness", true,
       [](const std::string& v, _batch_options& o) {
         return float_in("--randomness", v, 0.0f, 1.0f, "0 to 1", o.settings.stipple.displacement);
       }},
      {"--merging", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_merging_function> merging = {{"product", merging_product},
                                                      {"minimum", merging_minimum}};
         return choose("--merging", v, merging, o.settings.stipple.merging_function);
       }},
      {"--distribution", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_random_distribution> distributions = {{"random", distribution_random},
                                                               {"normal", distribution_normal}};
         return choose("--distribution", v, distributions, o.settings.stipple.random_distribution);
       }},
      {"--mode", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_mode_device> modes = {
             {"gray", device_grayscale}, {"bw", device_black_white}, {"tones", device_color_tones}};
         return choose("--mode", v, modes, o.settings.device);
       }},
      {"--black-level", true,
       [](const std::string& v, _batch_options& o) {
         long long level = 0;
         std::string error = integer_in("--black-level", v, 0, 255, level);
         if (error.empty()) o.settings.stipple.black_level = static_cast<int>(level);
         return error;
       }},
      {"--tone", true,
       [](const std::string& v, _batch_options& o) {
         _choices<int> tones;
         for (int i = 0; i < TONE_COUNT; ++i) tones.emplace_back(tone_name(i), i);
         return choose("--tone", v, tones, o.settings.tone);
       }},
      {"--density-low", true,
       [](const std::string& v, _batch_options& o) {
         return density("--density-low", v, o.settings.stipple.low_density_min,
                        o.settings.stipple.low_density_max);
       }},
      {"--density-high", true,
       [](const std::string& v, _batch_options& o) {
         return density("--density-high", v, o.settings.stipple.high_density_min,
                        o.settings.stipple.high_density_max);
       }},
      {"--contrast-threshold", true,
       [](const std::string& v, _batch_options& o) {
         long long threshold = 0;
         std::string error = integer_in("--contrast-threshold", v, 0, 255, threshold);
         if (error.empty()) o.settings.stipple.contrast_threshold = static_cast<int>(threshold);
         return error;
       }},
      {"--borders-threshold", true,
       [](const std::string& v, _batch_options& o) {
         // The range of the desktop program's borders slider, -50 to 50 tenths.
         return float_in("--borders-threshold", v, -5.0f, 5.0f, "-5.0 to 5.0",
                         o.settings.borders_threshold);
       }},
      {"--color", true,
       [](const std::string& v, _batch_options& o) {
         return colour("--color", v, o.settings.ink);
       }},
      {"--tone-match", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_tone_matching> matching = {{"none", tone_matching_none},
                                                    {"grey", tone_matching_grey},
                                                    {"linear", tone_matching_linear}};
         return choose("--tone-match", v, matching, o.settings.tone_match.matching);
       }},
      {"--black-point", true,
       [](const std::string& v, _batch_options& o) {
         return float_in("--black-point", v, 0.0f, 255.0f, "0 to 255", o.black_point);
       }},
      {"--white-point", true,
       [](const std::string& v, _batch_options& o) {
         return float_in("--white-point", v, 0.0f, 255.0f, "0 to 255", o.white_point);
       }},
      {"--gamma", true,
       [](const std::string& v, _batch_options& o) {
         return float_in("--gamma", v, _levels::GAMMA_MIN, _levels::GAMMA_MAX, "0.1 to 10",
                         o.gamma);
       }},
      {"--image", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_list_position> images = {{"stippling", list_stippling},
                                                  {"halftoning", list_halftoning},
                                                  {"borders", list_borders},
                                                  {"original", list_original},
                                                  {"color-original", list_color_original},
                                                  {"color-stippling", list_color_stippling}};
         return choose("--image", v, images, o.image);
       }},
      {"--svg-dots", true,
       [](const std::string& v, _batch_options& o) {
         const _choices<_svg_dots> dots = {
             {"shapes", svg_shapes}, {"circles", svg_circles}, {"points", svg_points}};
         return choose("--svg-dots", v, dots, o.svg.dots);
       }},
      {"--pen-width", true,
       [](const std::string& v, _batch_options& o) {
         float width = 0.0f;
         std::string error = float_in("--pen-width", v, 0.01f, 10.0f, "0.01 to 10 mm", width);
         if (error.empty()) o.svg.pen_width = width;
         return error;
       }},
      {"--seed", true,
       [](const std::string& v, _batch_options& o) {
         // srandom() takes an unsigned int: larger seeds would only repeat these patterns.
         long long seed = 0;
         std::string error = integer_in("--seed", v, 0, UINT32_MAX, seed);
         if (error.empty()) o.seed = static_cast<uint32_t>(seed);
         return error;
       }},
      {"--threads", true,
       [](const std::string& v, _batch_options& o) {
         long long threads = 0;
         std::string error = integer_in("--threads", v, 1, MAX_THREADS, threads);
         if (error.empty()) o.threads = static_cast<unsigned>(threads);
         return error;
       }},
      {"--data", true,
       [](const std::string& v, _batch_options& o) {
         if (v.empty()) return std::string("--data needs a folder name");
         o.data_dir = v;
         return std::string();
       }},
      {"--verbose", false,
       [](const std::string&, _batch_options& o) {
         o.verbose = true;
         return std::string();
       }},
      {"--quiet", false,
       [](const std::string&, _batch_options& o) {
         o.quiet = true;
         return std::string();
       }},
  };
}

// Combinations that each option alone cannot judge.
std::string check_combination(const _batch_options& o, const std::set<std::string>& seen) {
  if (seen.count("--width") && seen.count("--height"))
    return "give either --width or --height; the other edge follows from the aspect ratio";
  if (seen.count("--size") && (seen.count("--width") || seen.count("--height")))
    return "--size excludes --width and --height";
  if (o.verbose && o.quiet) return "--verbose and --quiet exclude each other";
  if (o.settings.tone != 0 && o.settings.device == device_grayscale)
    return "--tone needs --mode tones (or --mode bw)";
  if (o.output != STANDARD_STREAM && !print_format_of(o.output) && !o.svg_output())
    return "OUTPUT must end in .pgm, .png, .tif, .tiff, .pdf or .svg (or be - for a PGM on "
           "standard output): " +
           o.output;
  if (!o.svg_output() && (seen.count("--svg-dots") || seen.count("--pen-width")))
    return "--svg-dots and --pen-width need an .svg OUTPUT";
  if (o.svg_output() && o.image != list_stippling && o.image != list_color_stippling)
    return "an .svg OUTPUT holds the dots of --image stippling or color-stippling";
  if (o.svg_output() && seen.count("--ppi")) return "an .svg OUTPUT has no pixels: leave out --ppi";
  if (o.colour_image() && !o.colour_output() && !o.svg_output())
    return "--image color-original and color-stippling are colour images: write them as .png, "
           ".tif or .pdf";
  const bool stippled = o.image == list_stippling || o.image == list_color_stippling;
  if (o.resolution != resolution_300 && !stippled)
    return "only the stippled images are drawn at " + std::to_string(VECRES[o.resolution]) +
           " ppi; write other images at --ppi 300";
  if (!(o.white_point > o.black_point)) return "--white-point must be above --black-point";
  return {};
}

std::string parse_files(const std::vector<std::string>& files, _batch_options& options) {
  if (files.size() != 2) return "expected INPUT and OUTPUT file names";
  options.input = files[0];
  options.output = files[1];
  return {};
}

}  // namespace

bool _batch_options::colour_output() const {
  const std::optional<_print_format> format = print_format_of(output);
  return format && *format != _print_format::pgm;
}

bool _batch_options::svg_output() const {
  const std::string suffix = ".svg";
  if (output.size() <= suffix.size()) return false;
  std::string end = output.substr(output.size() - suffix.size());
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == suffix;
}

_parse_result parse_batch_options(const std::vector<std::string>& arguments) {
  _parse_result result;
  const std::vector<_option> table = option_table();
  std::set<std::string> seen;
  std::vector<std::string> files;
  auto fail = [&result](const std::string& message) {
    result.action = action_usage_error;
    result.message = message;
    return result;
  };

  bool options_ended = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument == "-" || argument.rfind("-", 0) != 0) {
      files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") return {action_help, {}, {}};
    if (argument == "--version") return {action_version, {}, {}};

    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const _option* option = nullptr;
    for (const _option& candidate : table)
      if (name == candidate.name) option = &candidate;
    if (option == nullptr) return fail("unknown option " + name);

    std::string value;
    if (!option->takes_value) {
      if (equals != std::string::npos) return fail(name + " takes no value");
    } else if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return fail(name + " needs a value");
    }
    const std::string error = option->apply(value, result.options);
    if (!error.empty()) return fail(error);
    seen.insert(name);
  }

  std::string error = parse_files(files, result.options);
  if (error.empty()) error = check_combination(result.options, seen);
  if (!error.empty()) return fail(error);
  _batch_options& options = result.options;
  options.settings.tone_match.levels =
      _levels(options.black_point, options.white_point, options.gamma);
  options.settings.stipple.black_white = options.settings.device == device_black_white;
  options.settings.colour_stippling = options.image == list_color_stippling;
  std::fill(std::begin(options.settings.save_resolution),
            std::end(options.settings.save_resolution), options.resolution);
  return result;
}

std::string batch_usage() {
  return R"(Usage: stippon-batch [options] INPUT OUTPUT
Stipples a photograph (JPEG, PNG, TIFF, WebP, BMP, GIF or netpbm, up to 200 megapixels) without
a window, exactly as the desktop program does. OUTPUT ends in .png, .tif, .tiff, .pdf, .pgm or
.svg; it is replaced only once it has been written completely. INPUT - reads standard input,
OUTPUT - writes a PGM to standard output.

Output size and resolution:
  --size A4|A5|A6|A7|A8|A9|A10|optimal   sheet size (default A5): the largest print that fits
                            the sheet, turned landscape for a landscape or square input and
                            portrait for a portrait one; optimal is three pixels per input pixel
  --width V, --height V     a custom edge with a unit mm, in or px (e.g. --width 180mm); the other
                            edge follows from the aspect ratio
  --ppi 300|600|1200        print resolution (default 300); at 600 and 1200 the stippled image is
                            recomputed with the same dots at two or four times the pixels
Stipples:
  --packing P               packing factor, 1.0 (sparse) to 6.0 (dense), default 2.0
  --randomness D            placement randomness, 0 to 1, default 0.25
  --merging product|minimum how overlapping dots merge (default product)
  --distribution random|normal   distribution of the dot sizes (default random)
  --seed N                  seed of the dot pattern (0 to 4294967295); without it the clock
                            gives one, which --verbose prints
Tone:
  --tone-match none|grey|linear   make flat areas print with the ink coverage of their grey
                            level (grey) or of its linear light (linear); default none
  --black-point B, --white-point W, --gamma G   levels before the matching, default 0, 255, 1
Colours:
  --mode gray|bw|tones      grey-scale, black and white, or colour tones (default gray)
  --black-level N           black level threshold of --mode bw, 0 to 255, default 127
  --tone NAME               tone of a PNG output: grayscale, cyanotype, palladium_1, palladium_2,
                            platinum_1, platinum_2, platinum_palladium, selenium, selenium_brown,
                            sepia_1 .. sepia_4, silver, silver_gelatin
  --density-low MIN-MAX     dot sizes in low-density zones, 4 to 8, default 4-8
  --density-high MIN-MAX    dot sizes in high-density zones, 4 to 8, default 4-8
  --contrast-threshold N    density between the two zones, 0 to 255, default 127
  --borders-threshold T     threshold of the borders image, -5.0 to 5.0, default 5.0
  --color R,G,B[,A]         ink of the colour-stippled image, default 255,0,0
Which image:
  --image stippling|halftoning|borders|original|color-original|color-stippling
                            default stippling; the colour images need a .png OUTPUT
                            (color-stippling also .svg), and only the stippled images can be
                            written at 600 or 1200 ppi
Vector output (an .svg OUTPUT, a page of the print's size in millimetres; with
--image color-stippling the ink's dots come in a second layer, one layer per pen):
  --svg-dots shapes|circles|points   each dot as its own outline traced from the 1200 ppi
                            sheets (default), as a circle of its area, or as one touch of a
                            pen; circles and points are ordered to keep the pen's travel short
  --pen-width MM            stroke width of points, 0.01 to 10, default 0.3
Program:
  --data DIR                folder holding dots/ and tones/; without it the folder named by
                            STIPPON_DATA, else share/stippon beside the program's folder, else
                            the working directory
  --threads N               threads that make the print, 1 to 256 (default: the cores
                            available); the file is the same for any number
  --verbose, --quiet        more or fewer messages on standard error
  --help, --version

Exit status: 0 success, 1 other failure (e.g. not enough memory), 2 bad usage, 3 input or
data files unreadable or no data folder found, 4 output not written.
)";
}

}  // namespace stippon
