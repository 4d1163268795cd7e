#include "ui/general_tab.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDoubleValidator>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <tuple>

#include "controller/controller.h"
#include "tones/tone_table.h"
#include "ui/line_edit.h"

namespace stippon {

namespace {

// The colour mode after the three devices: the photograph separated into four inks.
constexpr int CMYK_INKS_ITEM = 3;

QGroupBox* boxed(const QString& title, QWidget* widget) {
  auto* box = new QVBoxLayout;
  box->addWidget(widget);
  QGroupBox* group = centred_group(title);
  group->setLayout(box);
  return group;
}

// The packing and randomness sliders' steps; typed, both are taken to the hundredth.
constexpr float PACKING_STEPS = 10.0f;
constexpr float RANDOMNESS_STEPS = 32.0f;
constexpr double HUNDREDTHS = 100.0;
constexpr int TYPED_DECIMALS = 2;
constexpr float PACKING_MIN = 1.0f;
constexpr float PACKING_MAX = 6.0f;
constexpr float RANDOMNESS_MAX = 1.0f;
// Millimetres to the hundredth and inches to the thousandth, as a ruler reads them.
constexpr int MM_DECIMALS = 2;
constexpr int INCH_DECIMALS = 3;
// No typed edge beyond this many units: no display shows a larger picture.
constexpr double EDGE_MAX = 1.0e6;

// The pattern shared by the packing, placement and black level groups: the read-only value on
// top, the slider between its two end labels below.
QGridLayout* slider_grid(_line_edit* display, QSlider* slider, const QString& low,
                         const QString& high) {
  auto* grid = new QGridLayout;
  grid->addWidget(display, 0, 1, Qt::AlignCenter);
  grid->addWidget(new QLabel(low), 1, 0, Qt::AlignRight);
  grid->addWidget(slider, 1, 1);
  grid->addWidget(new QLabel(high), 1, 2, Qt::AlignLeft);
  return grid;
}

// The Tone group's ranges: whole grey levels for the points, gamma to two decimals.
constexpr int LEVEL_MAX = 255;
constexpr int GAMMA_DECIMALS = 2;
constexpr double GAMMA_STEP = 0.1;

QSpinBox* level_spin_box(const char* name, int value) {
  auto* spin_box = named(new QSpinBox, name);
  spin_box->setRange(0, LEVEL_MAX);
  spin_box->setValue(value);
  // Typing "200" recomputes once, on Return or on leaving the field, not at "2" and "20".
  spin_box->setKeyboardTracking(false);
  return spin_box;
}

void make_display_only(_line_edit* edit, const QString& text) {
  edit->setText(text);
  edit->setReadOnly(true);
  edit->setEnabled(false);
}

int decimals(_output_units units) {
  return units == units_millimeters ? MM_DECIMALS : units == units_inches ? INCH_DECIMALS : 0;
}

// An edge of `pixels` at 300 ppi in the units; pixels are counted at the save resolution, k of
// them to a 300 ppi pixel, as the status bar counts them.
QString dimension_text(unsigned pixels, _output_units units, int k) {
  if (units == units_pixels) return QString::number(uint64_t(pixels) * unsigned(k));
  return QString::number(from_pixels(pixels, units), 'f', decimals(units));
}

// Numbers as the panel writes them, whatever the user's locale: a point before the decimals.
QDoubleValidator* number_validator(double low, double high, int places, QObject* parent) {
  auto* validator = new QDoubleValidator(low, high, places, parent);
  validator->setNotation(QDoubleValidator::StandardNotation);
  validator->setLocale(QLocale::c());
  return validator;
}

// A typed number within [low, high], to the hundredth; nothing for other text.
std::optional<float> typed_hundredths(const QString& text, float low, float high) {
  bool ok = false;
  const double value = QLocale::c().toDouble(text, &ok);
  if (!ok || !(value >= low && value <= high)) return std::nullopt;
  return float(std::lround(value * HUNDREDTHS)) / float(HUNDREDTHS);
}

// A slider's value field that also takes a typed value.
void make_typed(_line_edit* field, float low, float high) {
  field->setReadOnly(false);
  field->setEnabled(true);
  field->setValidator(number_validator(low, high, TYPED_DECIMALS, field));
}

}  // namespace

_general_tab::_general_tab(_controller* controller, QWidget* parent)
    : _settings_panel(controller, parent) {
  edge_validator = number_validator(0.0, EDGE_MAX, MM_DECIMALS, this);

  auto* layout = new QVBoxLayout;
  layout->addWidget(build_output_group());
  layout->addWidget(build_packing_group());
  layout->addWidget(build_displacement_group());
  add_choice_groups(layout);
  layout->addWidget(build_save_group());
  layout->addWidget(build_tone_group());
  layout->addWidget(horizontal_line());
  auto* new_dots_button =
      named(new QPushButton(QStringLiteral("New dots distribution")), "new_dots_button");
  layout->addWidget(new_dots_button);
  connect(new_dots_button, &QPushButton::clicked, controller, &_controller::new_dots);
  finish(layout);
}

QComboBox* _general_tab::new_combo(const char* name, std::initializer_list<const char*> items,
                                   const QString& tooltip) {
  auto* combo = named(new QComboBox, name);
  for (const char* item : items) combo->addItem(tr(item));
  combo->setToolTip(tooltip);
  return combo;
}

_line_edit* _general_tab::new_line_edit(const char* name) {
  auto* edit = named(new _line_edit, name);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

QGroupBox* _general_tab::build_output_group() {
  size_combo = new_combo("size_combo",
                         {"A4", "A5", "A6", "A7", "A8", "A9", "A10", "Optimal for input", "Custom"},
                         tr("Size of the output image bounding box"));
  units_combo =
      new_combo("units_combo", {"Millimeters", "Inches", "Pixels"}, tr("Units of measurement"));

  // Read-only until "Custom" is chosen.
  const std::tuple<const char*, QString, const char*, QString> edge_texts[] = {
      {"width_label", tr("Spatial width:"), "width_line_edit",
       tr("Display the width\nIf Output size is CUSTOM, the "
          "user can change the widht in the selected UNITS, "
          "computing the height to maintain the aspect ratio")},
      {"height_label", tr("Spatial height:"), "height_line_edit",
       tr("Display the height\nIf Output size is CUSTOM, the "
          "user can change the height in the selected UNITS, "
          "computing the width to maintain the aspect ratio")}};
  for (int i = 0; i < 2; ++i) {
    const auto& [label_name, label, edit_name, tip] = edge_texts[i];
    edges[i].label = named(new QLabel(label), label_name);
    edges[i].label->setEnabled(false);
    edges[i].edit = new_line_edit(edit_name);
    edges[i].edit->setValidator(edge_validator);
    make_display_only(edges[i].edit, QStringLiteral("0"));
    edges[i].edit->setToolTip(tip);
    connect(edges[i].edit, &_line_edit::committed, this, [this, i] { edit_edge(i == 1); });
  }

  save_resolution_combo = new_combo(
      "save_resolution_combo", {},
      tr("This value allows to change the output resolution\n300ppi: mode to print in low "
         "resolution mono printers and for on-screen files\n600ppi: mode to print in medium "
         "resolution mono printers\n1200ppi: mode to print in high resolution mono printers"));
  fill_save_resolutions(true);

  auto* group = centred_group(tr("Output size and resolution"));
  group->setLayout(labelled_rows({{new QLabel(tr("Spatial size:")), size_combo},
                                  {new QLabel(tr("Spatial units:")), units_combo},
                                  {edges[0].label, edges[0].edit},
                                  {edges[1].label, edges[1].edit},
                                  {new QLabel(tr("Resolution:")), save_resolution_combo}}));

  edit_on(units_combo, &QComboBox::currentIndexChanged, "Units", false,
          [](_document_settings& s, int index) { s.output_units = _output_units(index); });
  edit_on(size_combo, &QComboBox::currentIndexChanged, "Output Size", false,
          [](_document_settings& s, int index) { s.output_size = _output_size(index); });
  // Each entry carries its resolution position, so a list holding "300ppi" alone still gives
  // 300 ppi rather than its row number.
  connect(save_resolution_combo, &QComboBox::currentIndexChanged, this, [this](int row) {
    const QVariant position = save_resolution_combo->itemData(row);
    if (!position.isValid()) return;  // sent while the list is emptied
    edit("Resolution", false, [&position](_document_settings& s) {
      s.save_resolution[s.device] = _resolution_position(position.toInt());
    });
  });
  return group;
}

QGroupBox* _general_tab::slider_group(const _slider_group& shape, _line_edit*& value,
                                      QSlider*& slider) {
  value = new_line_edit(shape.value_name);
  make_display_only(value, QString());
  value->setToolTip(tr(shape.value_tip));
  slider =
      horizontal_slider(shape.slider_name, shape.minimum, shape.maximum, shape.step, shape.ticks);
  slider->setToolTip(tr(shape.slider_tip));
  auto* group = centred_group(tr(shape.title));
  group->setLayout(slider_grid(value, slider, tr(shape.low), tr(shape.high)));
  return group;
}

QGroupBox* _general_tab::build_packing_group() {
  QGroupBox* group = slider_group(
      {"Stipple packing factor", "scale_factor_line_edit", "Display the stippling packing factor",
       "scale_factor_slider", 10, 60, 2, 5,
       "This value allows to pack the stipples in a sparse or denser form\nDefault value is 2",
       "Low", "High"},
      scale_factor_line_edit, scale_factor_slider);
  edit_on(scale_factor_slider, &QSlider::valueChanged, "Packing", true,
          [](_document_settings& s, int value) {
            s.stipple.scale_factor = packing_to_scale(value / PACKING_STEPS);
          });
  make_typed(scale_factor_line_edit, PACKING_MIN, PACKING_MAX);
  connect(scale_factor_line_edit, &_line_edit::committed, this, [this] {
    const auto packing = typed_hundredths(scale_factor_line_edit->text(), PACKING_MIN, PACKING_MAX);
    edit("Packing", false, [packing](_document_settings& s) {
      if (packing) s.stipple.scale_factor = packing_to_scale(*packing);
    });
  });
  return group;
}

QGroupBox* _general_tab::build_displacement_group() {
  QGroupBox* group = slider_group(
      {"Stipple placement randomness", "displacement_line_edit", "Display the displacement",
       "displacement_slider", 0, 32, 1, 2,
       "This value allows to change the displacement added to the computed location of each "
       "dot\nDefault value is 0.25",
       "None", "Max"},
      displacement_line_edit, displacement_slider);
  edit_on(
      displacement_slider, &QSlider::valueChanged, "Randomness", true,
      [](_document_settings& s, int value) { s.stipple.displacement = value / RANDOMNESS_STEPS; });
  make_typed(displacement_line_edit, 0.0f, RANDOMNESS_MAX);
  connect(displacement_line_edit, &_line_edit::committed, this, [this] {
    const auto randomness = typed_hundredths(displacement_line_edit->text(), 0.0f, RANDOMNESS_MAX);
    edit("Randomness", false, [randomness](_document_settings& s) {
      if (randomness) s.stipple.displacement = *randomness;
    });
  });
  return group;
}

// The lists that each choose one field of the stipple settings, in the order of its values, each
// in a box of its own.
void _general_tab::add_choice_groups(QVBoxLayout* layout) {
  using _set = void (*)(_stipple_settings&, int);
  // clang-format off
  const struct {
    const char *title, *name, *step;
    std::initializer_list<const char*> items;
    const char* tooltip;
    QComboBox*& combo;
    _set set;
  } choices[] = {
      {"Dot placement", "placement_combo", "Placement", {"Grid", "Relaxed"},
       "Where the dots stand: on the halftone's grid, or relaxed into an even spread of the same "
       "tone.\nGrid: each dot strays from its place on the grid by at most 6 times the "
       "randomness in pixels at 300 ppi.\nRelaxed: each dot strays from its relaxed place by at "
       "most the randomness times 15% of the spacing between the dots around it.",
       placement_combo, [](_stipple_settings& s, int i) { s.placement = _placement(i); }},
      {"Merging function", "merging_function_combo", "Merging", {"Product", "Minimum"},
       "This value allows to change the merging function:\nProduct-> "
       "Color=(Ground_color*Dot_color)/255\nMinimum-> Color=MIN(Ground_color,Dot_color)",
       merging_function_combo,
       [](_stipple_settings& s, int i) { s.merging_function = _merging_function(i); }},
      {"Random distribution", "random_distribution_combo", "Distribution", {"Random", "Normal"},
       "This value allows to change the random function distribution", random_distribution_combo,
       [](_stipple_settings& s, int i) { s.random_distribution = _random_distribution(i); }},
  };
  // clang-format on
  for (const auto& choice : choices) {
    choice.combo = new_combo(choice.name, choice.items, tr(choice.tooltip));
    edit_on(choice.combo, &QComboBox::activated, choice.step, false,
            [set = choice.set](_document_settings& s, int index) { set(s.stipple, index); });
    layout->addWidget(boxed(tr(choice.title), choice.combo));
  }
}

QGroupBox* _general_tab::build_black_level_group() {
  black_level_group =
      named(slider_group({"Black level threshold", "black_level_line_edit",
                          "Display the black level threshold", "black_level_slider", 0, 255, 1, 15,
                          "Controls which tones are black and which tones are "
                          "white",
                          "0", "255"},
                         black_level_line_edit, black_level_slider),
            "black_level_group");
  return black_level_group;
}

QGroupBox* _general_tab::build_save_group() {
  device_combo = new_combo(
      "device_combo", {"Gray-scale", "Black&White", "Color tones", "CMYK inks"},
      tr("This value allows to change the number of colors of the output\nGray-scale: Normal "
         "mode\nBlack-and-white: mode to print in high resolution mono printers. The user must "
         "select the black threshold\nColor tones: mode to obtain images with color tones\nCMYK "
         "inks: the photograph separated into cyan, magenta, yellow and black, each stippled "
         "apart"));
  auto* device_grid = labelled_rows({{new QLabel(tr("Colors:")), device_combo}});
  device_grid->setColumnMinimumWidth(1, 150);
  device_grid->setColumnStretch(1, 10);
  auto* device_frame = new QFrame;
  device_frame->setLayout(device_grid);

  stippling_tone_combo = new_combo("stippling_tone_combo", {},
                                   tr("Controls which tone is used when Color tones is selected"));
  for (const _tone_entry& tone : TONES) stippling_tone_combo->addItem(tr(tone.label));
  color_tones_group = named(boxed(tr("Color tones"), stippling_tone_combo), "color_tones_group");

  auto* box = new QVBoxLayout;
  box->addWidget(device_frame);
  box->addWidget(build_black_level_group());
  box->addWidget(color_tones_group);
  auto* group = centred_group(tr("Save parameters"));
  group->setLayout(box);

  // "CMYK inks" stipples the four inks in grey-scale dots.
  edit_on(device_combo, &QComboBox::currentIndexChanged, "Colours", false,
          [](_document_settings& s, int index) {
            s.inks = index == CMYK_INKS_ITEM ? inks_cmyk : inks_one;
            s.device = index == CMYK_INKS_ITEM ? device_grayscale : _mode_device(index);
          });
  edit_on(black_level_slider, &QSlider::valueChanged, "Black Level", true,
          [](_document_settings& s, int level) { s.stipple.black_level = level; });
  edit_on(stippling_tone_combo, &QComboBox::activated, "Tone", false,
          [](_document_settings& s, int tone) { s.tone = tone; });
  return group;
}

QGroupBox* _general_tab::build_tone_group() {
  tone_matching_combo = new_combo(
      "tone_matching_combo", {"None", "Grey levels", "Linear light"},
      tr("What a flat grey prints as\nNone: the halftone takes the grey as it is\nGrey levels: the "
         "ink covers as much as the grey is dark\nLinear light: the ink leaves the light of the "
         "picture's linear values"));
  black_point_spin_box = level_spin_box("black_point_spin_box", 0);
  black_point_spin_box->setToolTip(tr("Greys at or below this level print black"));
  white_point_spin_box = level_spin_box("white_point_spin_box", LEVEL_MAX);
  white_point_spin_box->setToolTip(
      tr("Greys at or above this level print white\nAlways above the black point"));
  gamma_spin_box = named(new QDoubleSpinBox, "gamma_spin_box");
  gamma_spin_box->setDecimals(GAMMA_DECIMALS);
  gamma_spin_box->setRange(_levels::GAMMA_MIN, _levels::GAMMA_MAX);
  gamma_spin_box->setSingleStep(GAMMA_STEP);
  gamma_spin_box->setValue(1.0);
  gamma_spin_box->setKeyboardTracking(false);
  gamma_spin_box->setToolTip(tr("Above 1 lightens the middle greys, below 1 darkens them"));
  bound_points();

  auto* group = centred_group(tr("Tone"));
  group->setLayout(labelled_rows({{new QLabel(tr("Tone matching:")), tone_matching_combo},
                                  {new QLabel(tr("Black point")), black_point_spin_box},
                                  {new QLabel(tr("White point")), white_point_spin_box},
                                  {new QLabel(tr("Gamma")), gamma_spin_box}}));

  connect(tone_matching_combo, &QComboBox::currentIndexChanged, this,
          [this] { edit_tone_match("Tone Matching", false); });
  connect(black_point_spin_box, &QSpinBox::valueChanged, this,
          [this] { edit_tone_match("Black Point", true); });
  connect(white_point_spin_box, &QSpinBox::valueChanged, this,
          [this] { edit_tone_match("White Point", true); });
  connect(gamma_spin_box, &QDoubleSpinBox::valueChanged, this,
          [this] { edit_tone_match("Gamma", true); });
  return group;
}

void _general_tab::fill_save_resolutions(bool all) {
  if (all) {
    save_resolution_combo->addItem(tr("1200ppi"), int(resolution_1200));
    save_resolution_combo->addItem(tr("600ppi"), int(resolution_600));
  }
  save_resolution_combo->addItem(tr("300ppi"), int(resolution_300));
}

// A white point at or below the black point is never offered: each spin box stops one level
// short of the other's value.
void _general_tab::bound_points() {
  const QSignalBlocker quiet_black(black_point_spin_box);
  const QSignalBlocker quiet_white(white_point_spin_box);
  black_point_spin_box->setMaximum(white_point_spin_box->value() - 1);
  white_point_spin_box->setMinimum(black_point_spin_box->value() + 1);
}

void _general_tab::show_tone_match(const _tone_settings& tones) {
  const QSignalBlocker quiet[] = {
      QSignalBlocker(tone_matching_combo), QSignalBlocker(black_point_spin_box),
      QSignalBlocker(white_point_spin_box), QSignalBlocker(gamma_spin_box)};
  tone_matching_combo->setCurrentIndex(tones.matching);
  black_point_spin_box->setRange(0, LEVEL_MAX - 1);
  white_point_spin_box->setRange(1, LEVEL_MAX);
  black_point_spin_box->setValue(int(std::lround(tones.levels.black())));
  white_point_spin_box->setValue(int(std::lround(tones.levels.white())));
  gamma_spin_box->setValue(tones.levels.gamma());
  bound_points();
}

void _general_tab::show_settings() {
  const _document_settings& settings = controller->settings();
  const QSignalBlocker quiet[] = {QSignalBlocker(size_combo),
                                  QSignalBlocker(units_combo),
                                  QSignalBlocker(scale_factor_slider),
                                  QSignalBlocker(displacement_slider),
                                  QSignalBlocker(placement_combo),
                                  QSignalBlocker(merging_function_combo),
                                  QSignalBlocker(random_distribution_combo),
                                  QSignalBlocker(device_combo),
                                  QSignalBlocker(black_level_slider),
                                  QSignalBlocker(save_resolution_combo),
                                  QSignalBlocker(stippling_tone_combo)};
  const _stipple_settings& stipple = settings.stipple;
  size_combo->setCurrentIndex(settings.output_size);
  // Only "Custom" takes a typed width or height.
  const bool custom = settings.output_size == size_custom;
  for (const _edge_field& edge : edges) {
    edge.edit->setReadOnly(!custom);
    edge.edit->setEnabled(custom);
    edge.label->setEnabled(custom);
  }
  units_combo->setCurrentIndex(settings.output_units);
  edge_validator->setDecimals(decimals(settings.output_units));
  show_dimensions();
  const double packing = PACKING_CELL_PIXELS / double(stipple.scale_factor);
  scale_factor_slider->setValue(int(std::lround(packing * PACKING_STEPS)));
  scale_factor_line_edit->setText(
      QString::number(std::round(packing * HUNDREDTHS) / HUNDREDTHS, 'f', TYPED_DECIMALS));
  displacement_slider->setValue(int(std::lround(stipple.displacement * RANDOMNESS_STEPS)));
  displacement_line_edit->setText(QString::asprintf("%2.2f", stipple.displacement));
  placement_combo->setCurrentIndex(stipple.placement);
  merging_function_combo->setCurrentIndex(stipple.merging_function);
  random_distribution_combo->setCurrentIndex(stipple.random_distribution);
  device_combo->setCurrentIndex(settings.inks == inks_cmyk ? CMYK_INKS_ITEM : settings.device);
  save_resolution_combo->clear();
  fill_save_resolutions(settings.device != device_color_tones);
  const int row = save_resolution_combo->findData(int(settings.resolution()));
  if (row >= 0) save_resolution_combo->setCurrentIndex(row);
  black_level_group->setEnabled(settings.device == device_black_white);
  color_tones_group->setEnabled(settings.device == device_color_tones);
  black_level_slider->setValue(stipple.black_level);
  black_level_line_edit->setText(QString::asprintf("%d", stipple.black_level));
  stippling_tone_combo->setCurrentIndex(settings.tone);
  show_tone_match(settings.tone_match);
}

// The size asked for, also while the picture is still being made; nothing before a picture.
void _general_tab::show_dimensions() {
  if (!controller->loaded()) return;
  const _preview_size preview = controller->document().planned_preview();
  const _document_settings& settings = controller->settings();
  const int k = output_scale(settings.resolution());
  edges[0].edit->setText(dimension_text(preview.width, settings.output_units, k));
  edges[1].edit->setText(dimension_text(preview.height, settings.output_units, k));
}

// A text that does not parse gives 0.0, which asks for no width; a width that makes no picture
// changes nothing either, and the panel shows the current dimensions again. Typed pixels are
// those of the save resolution.
void _general_tab::edit_edge(bool is_height) {
  const _line_edit* field = edges[is_height ? 1 : 0].edit;
  const _document_settings& settings = controller->settings();
  float value = QLocale::c().toFloat(field->text());
  if (settings.output_units == units_pixels) value /= float(output_scale(settings.resolution()));
  const float w =
      controller->document().geometry().typed_width(value, is_height, settings.output_units);
  edit(is_height ? "Height" : "Width", false, [w](_document_settings& s) { s.width = w; });
}

void _general_tab::edit_tone_match(const char* step, bool continuous) {
  bound_points();
  _tone_settings tones;
  tones.matching = static_cast<_tone_matching>(tone_matching_combo->currentIndex());
  tones.levels = _levels(float(black_point_spin_box->value()), float(white_point_spin_box->value()),
                         float(gamma_spin_box->value()));
  edit(step, continuous, [&tones](_document_settings& s) { s.tone_match = tones; });
}

// The panel's own choices back to their defaults, as one step.
void _general_tab::reset() {
  const _document_settings defaults;
  edit("General Reset", false, [&defaults](_document_settings& s) {
    s.output_units = defaults.output_units;
    s.output_size = defaults.output_size;
    s.stipple.scale_factor = defaults.stipple.scale_factor;
    s.stipple.displacement = defaults.stipple.displacement;
    s.stipple.placement = defaults.stipple.placement;
    s.stipple.merging_function = defaults.stipple.merging_function;
    s.stipple.random_distribution = defaults.stipple.random_distribution;
    s.stipple.black_level = defaults.stipple.black_level;
    s.device = defaults.device;
    s.tone = defaults.tone;
    s.tone_match = defaults.tone_match;
    std::copy(std::begin(defaults.save_resolution), std::end(defaults.save_resolution),
              std::begin(s.save_resolution));
  });
}

}  // namespace stippon
