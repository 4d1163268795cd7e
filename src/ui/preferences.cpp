#include "ui/preferences.h"

#include <QColor>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cmath>

#include "stipple/dot_library.h"
#include "tones/tone_table.h"

namespace stippon {

namespace {

const char* const FILE_NAME = "mottle.ini";
const char* const RECENT_KEY = "recent_files";
const char* const FOLDER_KEY = "last_folder";
const char* const IMAGES_GROUP = "images";

// How a group of the General panel's choices is named and how it counts the packing and the
// randomness. The panel's own numbers now; earlier versions wrote slider steps under "general",
// which Qt's INI format keeps apart from its [General] section of top-level keys as [%General]
// and reads back as "General": such a group is read when the new one is missing, then removed.
struct _general_group {
  const char* name;
  double packing_unit;
  double randomness_unit;
};
const _general_group GENERAL = {"general_tab", 1.0, 1.0};
const _general_group OLD_GENERAL = {"General", 10.0, 32.0};
// The packing is kept to the hundredth, as the panel takes it.
const double PACKING_HUNDREDTHS = 100.0;
const double PACKING_MIN = 1.0;
const double PACKING_MAX = 6.0;
// The gamma is kept to the hundredth, as the panel shows it.
const double GAMMA_HUNDREDTHS = 100.0;
// A kept custom width, in pixels at 300 ppi, beyond which no display shows a picture.
const double WIDTH_MAX = 1.0e6;

// An integer setting within [low, high], or the fallback.
int bounded(const QSettings& file, const char* key, int low, int high, int fallback) {
  bool ok = false;
  const int value = file.value(key).toInt(&ok);
  return ok && value >= low && value <= high ? value : fallback;
}

// A number within [low, high], if the file holds one.
std::optional<double> number(const QSettings& file, const char* key, double low, double high) {
  bool ok = false;
  const double value = file.value(key).toDouble(&ok);
  if (!ok || !(value >= low && value <= high)) return std::nullopt;
  return value;
}

void read_general(const QSettings& file, const _general_group& group, _document_settings& s) {
  s.output_size = _output_size(bounded(file, "size", size_a4, size_custom, s.output_size));
  s.output_units =
      _output_units(bounded(file, "units", units_millimeters, units_pixels, s.output_units));
  if (const auto width = number(file, "width", 0.0, WIDTH_MAX)) s.width = float(*width);
  const double p = group.packing_unit;
  if (const auto packing = number(file, "packing", PACKING_MIN * p, PACKING_MAX * p))
    s.stipple.scale_factor = packing_to_scale(
        float(std::lround(*packing / p * PACKING_HUNDREDTHS)) / float(PACKING_HUNDREDTHS));
  const double r = group.randomness_unit;
  if (const auto randomness = number(file, "randomness", 0.0, r))
    s.stipple.displacement = float(*randomness / r);
  s.stipple.placement = _placement(
      bounded(file, "placement", placement_grid, placement_relaxed, s.stipple.placement));
  s.stipple.merging_function = _merging_function(
      bounded(file, "merging", merging_product, merging_minimum, s.stipple.merging_function));
  s.stipple.random_distribution =
      _random_distribution(bounded(file, "distribution", distribution_random, distribution_normal,
                                   s.stipple.random_distribution));
  s.device = _mode_device(bounded(file, "colours", device_grayscale, device_color_tones, s.device));
  s.stipple.black_white = s.device == device_black_white;
  s.stipple.black_level = bounded(file, "black_level", 0, 255, s.stipple.black_level);
  s.tone = s.device == device_color_tones ? bounded(file, "tone", 0, TONE_COUNT - 1, s.tone) : 0;
  const char* const resolution_keys[3] = {"resolution_grey", "resolution_black_white",
                                          "resolution_tones"};
  for (int mode = 0; mode < 3; ++mode)
    s.save_resolution[mode] = _resolution_position(bounded(
        file, resolution_keys[mode], resolution_1200, resolution_300, s.save_resolution[mode]));
  // Colour tones are saved at 300 ppi only.
  s.save_resolution[device_color_tones] = resolution_300;
}

// The points are read whole and in order (white above black), or not at all.
void read_tone(const QSettings& file, _document_settings& s) {
  _tone_settings& t = s.tone_match;
  t.matching = _tone_matching(
      bounded(file, "tone_matching", tone_matching_none, tone_matching_linear, t.matching));
  float black = t.levels.black();
  float white = t.levels.white();
  const int b = bounded(file, "black_point", 0, 255, -1);
  const int w = bounded(file, "white_point", 0, 255, -1);
  if (b >= 0 && w > b) {
    black = float(b);
    white = float(w);
  }
  bool ok = false;
  const double read_gamma = file.value("gamma").toDouble(&ok);
  const bool gamma_ok = ok && read_gamma >= _levels::GAMMA_MIN && read_gamma <= _levels::GAMMA_MAX;
  t.levels = _levels(black, white, gamma_ok ? float(read_gamma) : t.levels.gamma());
}

void read_images(const QSettings& file, _document_settings& s) {
  _stipple_settings& p = s.stipple;
  const auto pair = [&](const char* low, const char* high, unsigned short& min,
                        unsigned short& max) {
    const int a = bounded(file, low, DOT_SIZE_MIN, DOT_SIZE_MAX, -1);
    const int b = bounded(file, high, DOT_SIZE_MIN, DOT_SIZE_MAX, -1);
    // A pair read whole and in order, or not at all.
    if (a < 0 || b < 0 || a > b) return;
    min = static_cast<unsigned short>(a);
    max = static_cast<unsigned short>(b);
  };
  pair("low_density_min", "low_density_max", p.low_density_min, p.low_density_max);
  pair("high_density_min", "high_density_max", p.high_density_min, p.high_density_max);
  p.contrast_threshold = bounded(file, "threshold", 0, 255, p.contrast_threshold);
  const int borders = int(std::lround(s.borders_threshold * BORDERS_SLIDER_STEPS));
  s.borders_threshold = bounded(file, "borders", -50, 50, borders) / BORDERS_SLIDER_STEPS;
  s.colour_stippling = bounded(file, "colour_stippling", 0, 1, s.colour_stippling) == 1;
  s.colour_source =
      bounded(file, "colour_source", colour_ink, colour_photo, s.colour_source) == colour_photo
          ? colour_photo
          : colour_ink;
  s.inks = _inks(bounded(file, "inks", inks_one, inks_cmyk, s.inks));
  const QColor ink = QColor::fromString(file.value("ink").toString());
  if (ink.isValid()) s.ink = _pixel(ink.red(), ink.green(), ink.blue(), ink.alpha());
}

}  // namespace

_preferences::_preferences(const QString& working_dir) {
  const QFileInfo folder(working_dir);
  if (folder.isDir() && folder.isWritable()) {
    path = QDir(working_dir).filePath(FILE_NAME);
    return;
  }
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(config);
  path = QDir(config).filePath(FILE_NAME);
}

std::optional<QRect> _preferences::geometry() const {
  const QSettings file(path, QSettings::IniFormat);
  if (!file.contains("width") || !file.contains("height")) return std::nullopt;
  return QRect(file.value("pos_x", 0).toInt(), file.value("pos_y", 0).toInt(),
               file.value("width").toInt(), file.value("height").toInt());
}

void _preferences::set_geometry(const QRect& geometry) {
  QSettings file(path, QSettings::IniFormat);
  file.setValue("width", geometry.width());
  file.setValue("height", geometry.height());
  file.setValue("pos_x", geometry.x());
  file.setValue("pos_y", geometry.y());
}

QStringList _preferences::recent_files() const {
  const QSettings file(path, QSettings::IniFormat);
  return file.value(RECENT_KEY).toStringList().mid(0, RECENT_FILES);
}

void _preferences::add_recent_file(const QString& name) {
  QStringList files = recent_files();
  files.removeAll(name);
  files.prepend(name);
  QSettings file(path, QSettings::IniFormat);
  file.setValue(RECENT_KEY, files.mid(0, RECENT_FILES));
}

void _preferences::clear_recent_files() {
  QSettings file(path, QSettings::IniFormat);
  file.remove(RECENT_KEY);
}

QString _preferences::last_folder() const {
  const QSettings file(path, QSettings::IniFormat);
  return file.value(FOLDER_KEY).toString();
}

void _preferences::set_last_folder(const QString& folder) {
  QSettings file(path, QSettings::IniFormat);
  file.setValue(FOLDER_KEY, folder);
}

_document_settings _preferences::settings(const _document_settings& defaults) const {
  QSettings file(path, QSettings::IniFormat);
  _document_settings s = defaults;
  const _general_group& general = file.childGroups().contains(GENERAL.name) ? GENERAL : OLD_GENERAL;
  file.beginGroup(general.name);
  read_general(file, general, s);
  read_tone(file, s);
  file.endGroup();
  file.beginGroup(IMAGES_GROUP);
  read_images(file, s);
  file.endGroup();
  return s;
}

void _preferences::set_settings(const _document_settings& s) {
  QSettings file(path, QSettings::IniFormat);
  file.remove(OLD_GENERAL.name);
  file.beginGroup(GENERAL.name);
  file.setValue("size", int(s.output_size));
  file.setValue("units", int(s.output_units));
  file.setValue("width", double(s.width));
  const double packing = PACKING_CELL_PIXELS / double(s.stipple.scale_factor);
  file.setValue("packing", std::round(packing * PACKING_HUNDREDTHS) / PACKING_HUNDREDTHS);
  file.setValue("randomness", double(s.stipple.displacement));
  file.setValue("placement", int(s.stipple.placement));
  file.setValue("merging", int(s.stipple.merging_function));
  file.setValue("distribution", int(s.stipple.random_distribution));
  file.setValue("colours", int(s.device));
  file.setValue("black_level", s.stipple.black_level);
  file.setValue("tone", s.tone);
  file.setValue("resolution_grey", int(s.save_resolution[device_grayscale]));
  file.setValue("resolution_black_white", int(s.save_resolution[device_black_white]));
  file.setValue("resolution_tones", int(s.save_resolution[device_color_tones]));
  file.setValue("tone_matching", int(s.tone_match.matching));
  file.setValue("black_point", int(std::lround(s.tone_match.levels.black())));
  file.setValue("white_point", int(std::lround(s.tone_match.levels.white())));
  // As the panel shows it, "1.6" rather than the float's 1.600000023841858.
  file.setValue("gamma", std::round(double(s.tone_match.levels.gamma()) * GAMMA_HUNDREDTHS) /
                             GAMMA_HUNDREDTHS);
  file.endGroup();
  file.beginGroup(IMAGES_GROUP);
  file.setValue("low_density_min", s.stipple.low_density_min);
  file.setValue("low_density_max", s.stipple.low_density_max);
  file.setValue("high_density_min", s.stipple.high_density_min);
  file.setValue("high_density_max", s.stipple.high_density_max);
  file.setValue("threshold", s.stipple.contrast_threshold);
  file.setValue("borders", int(std::lround(s.borders_threshold * BORDERS_SLIDER_STEPS)));
  file.setValue("colour_stippling", s.colour_stippling ? 1 : 0);
  file.setValue("inks", int(s.inks));
  file.setValue("ink", QColor(s.ink.r, s.ink.g, s.ink.b, s.ink.a).name(QColor::HexArgb));
  file.setValue("colour_source", int(s.colour_source));
  file.endGroup();
}

}  // namespace stippon
