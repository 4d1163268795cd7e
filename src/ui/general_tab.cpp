#include "ui/general_tab.h"

#include <QFrame>
#include <QGridLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "controller/gl_widget.h"
#include "tones/tone_table.h"
#include "ui/line_edit.h"

namespace stippon {

namespace {

QFrame* horizontal_line() {
  auto* line = new QFrame;
  line->setFrameStyle(QFrame::HLine);
  return line;
}

QGroupBox* centred_group(const QString& title) {
  auto* group = new QGroupBox(title);
  group->setAlignment(Qt::AlignHCenter);
  return group;
}

QSlider* horizontal_slider(int minimum, int maximum, int step, int tick_interval) {
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setRange(minimum, maximum);
  slider->setSingleStep(step);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(tick_interval);
  slider->setTracking(false);
  return slider;
}

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

QSpinBox* level_spin_box(int value) {
  auto* spin_box = new QSpinBox;
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

}  // namespace

_general_tab::_general_tab(_gl_widget* gl_widget, QWidget* parent)
    : QWidget(parent), gl_widget(gl_widget) {
  validator = new QIntValidator(10, 9999, this);

  auto* layout = new QVBoxLayout;
  layout->addWidget(build_output_group());
  layout->addWidget(build_packing_group());
  layout->addWidget(build_displacement_group());
  layout->addWidget(build_merging_group());
  layout->addWidget(build_distribution_group());
  layout->addWidget(build_save_group());
  layout->addWidget(build_tone_group());
  layout->addWidget(horizontal_line());
  auto* new_dots_button = new QPushButton(QStringLiteral("New dots distribution"));
  layout->addWidget(new_dots_button);
  layout->addWidget(horizontal_line());
  reset_button = new QPushButton(QStringLiteral("Reset"));
  layout->addWidget(reset_button);
  layout->addStretch(1);
  setLayout(layout);

  connect(new_dots_button, SIGNAL(clicked()), gl_widget, SLOT(new_dots_distribution()));
  connect(reset_button, SIGNAL(clicked()), gl_widget, SLOT(reset_general_parameters()));
}

_line_edit* _general_tab::new_line_edit() {
  auto* edit = new _line_edit;
  edit->setAlignment(Qt::AlignRight);
  edit->setValidator(validator);
  return edit;
}

QGroupBox* _general_tab::build_output_group() {
  size_combo = new QComboBox;
  for (const char* name :
       {"A4", "A5", "A6", "A7", "A8", "A9", "A10", "Optimal for input", "Custom"})
    size_combo->addItem(tr(name));
  size_combo->setCurrentIndex(size_a5);
  size_combo->setToolTip(tr("Size of the output image bounding box"));

  units_combo = new QComboBox;
  for (const char* name : {"Millimeters", "Inches", "Pixels"}) units_combo->addItem(tr(name));
  units_combo->setCurrentIndex(units_millimeters);
  units_combo->setToolTip(tr("Units of measurement"));

  width_line_edit = new_line_edit();
  make_display_only(width_line_edit, QStringLiteral("0"));
  width_line_edit->setToolTip(
      tr("Display the width\nIf Output size is CUSTOM, the user can change the widht in the "
         "selected UNITS, computing the height to maintain the aspect ratio"));
  height_line_edit = new_line_edit();
  make_display_only(height_line_edit, QStringLiteral("0"));
  height_line_edit->setToolTip(
      tr("Display the height\nIf Output size is CUSTOM, the user can change the height in the "
         "selected UNITS, computing the width to maintain the aspect ratio"));
  width_label = new QLabel(tr("Spatial width:"));
  width_label->setEnabled(false);
  height_label = new QLabel(tr("Spatial height:"));
  height_label->setEnabled(false);

  save_resolution_combo = new QComboBox;
  fill_save_resolutions(true);
  save_resolution_combo->setCurrentIndex(resolution_300);
  save_resolution_combo->setToolTip(
      tr("This value allows to change the output resolution\n300ppi: mode to print in low "
         "resolution mono printers and for on-screen files\n600ppi: mode to print in medium "
         "resolution mono printers\n1200ppi: mode to print in high resolution mono printers"));

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Spatial size:")), 0, 0, Qt::AlignRight);
  grid->addWidget(size_combo, 0, 1);
  grid->addWidget(new QLabel(tr("Spatial units:")), 1, 0, Qt::AlignRight);
  grid->addWidget(units_combo, 1, 1);
  grid->addWidget(width_label, 2, 0, Qt::AlignRight);
  grid->addWidget(width_line_edit, 2, 1);
  grid->addWidget(height_label, 3, 0, Qt::AlignRight);
  grid->addWidget(height_line_edit, 3, 1);
  grid->addWidget(new QLabel(tr("Resolution:")), 4, 0, Qt::AlignRight);
  grid->addWidget(save_resolution_combo, 4, 1);
  auto* group = centred_group(tr("Output size and resolution"));
  group->setLayout(grid);

  connect(units_combo, SIGNAL(currentIndexChanged(int)), this, SLOT(set_units_slot(int)));
  connect(size_combo, SIGNAL(currentIndexChanged(int)), this, SLOT(set_size_slot(int)));
  connect(width_line_edit, SIGNAL(tabPressed()), this, SLOT(set_width_slot()));
  connect(height_line_edit, SIGNAL(tabPressed()), this, SLOT(set_height_slot()));
  connect(save_resolution_combo, SIGNAL(currentIndexChanged(int)), this,
          SLOT(set_save_resolution_slot(int)));
  return group;
}

QGroupBox* _general_tab::build_packing_group() {
  scale_factor_line_edit = new_line_edit();
  make_display_only(scale_factor_line_edit, QStringLiteral("2.00"));
  scale_factor_line_edit->setToolTip(tr("Display the stippling packing factor"));
  scale_factor_slider = horizontal_slider(10, 60, 2, 5);
  scale_factor_slider->setValue(20);
  scale_factor_slider->setToolTip(
      tr("This value allows to pack the stipples in a sparse or denser form\nDefault value is 2"));

  auto* group = centred_group(tr("Stipple packing factor"));
  group->setLayout(slider_grid(scale_factor_line_edit, scale_factor_slider, tr("Low"), tr("High")));
  connect(scale_factor_slider, SIGNAL(valueChanged(int)), this, SLOT(set_scale_factor_slot(int)));
  return group;
}

QGroupBox* _general_tab::build_displacement_group() {
  displacement_line_edit = new_line_edit();
  make_display_only(displacement_line_edit, QStringLiteral("0.25"));
  displacement_line_edit->setToolTip(tr("Display the displacement"));
  displacement_slider = horizontal_slider(0, 32, 1, 2);
  displacement_slider->setValue(8);
  displacement_slider->setToolTip(
      tr("This value allows to change the displacement added to the computed location of each "
         "dot\nDefault value is 0.25"));

  auto* group = centred_group(tr("Stipple placement randomness"));
  group->setLayout(slider_grid(displacement_line_edit, displacement_slider, tr("None"), tr("Max")));
  connect(displacement_slider, SIGNAL(valueChanged(int)), this, SLOT(set_displacement_slot(int)));
  return group;
}

QGroupBox* _general_tab::build_merging_group() {
  merging_function_combo = new QComboBox;
  merging_function_combo->addItem(tr("Product"));
  merging_function_combo->addItem(tr("Minimum"));
  merging_function_combo->setCurrentIndex(merging_product);
  merging_function_combo->setToolTip(
      tr("This value allows to change the merging function:\nProduct-> "
         "Color=(Ground_color*Dot_color)/255\nMinimum-> Color=MIN(Ground_color,Dot_color)"));

  auto* box = new QVBoxLayout;
  box->addWidget(merging_function_combo);
  auto* group = centred_group(tr("Merging function"));
  group->setLayout(box);
  connect(merging_function_combo, SIGNAL(activated(int)), this,
          SLOT(set_merging_function_slot(int)));
  return group;
}

QGroupBox* _general_tab::build_distribution_group() {
  random_distribution_combo = new QComboBox;
  random_distribution_combo->addItem(tr("Random"));
  random_distribution_combo->addItem(tr("Normal"));
  random_distribution_combo->setCurrentIndex(distribution_random);
  random_distribution_combo->setToolTip(
      tr("This value allows to change the random function distribution"));

  auto* box = new QVBoxLayout;
  box->addWidget(random_distribution_combo);
  auto* group = centred_group(tr("Random distribution"));
  group->setLayout(box);
  connect(random_distribution_combo, SIGNAL(activated(int)), this,
          SLOT(set_random_distribution_slot(int)));
  return group;
}

QGroupBox* _general_tab::build_black_level_group() {
  black_level_line_edit = new_line_edit();
  make_display_only(black_level_line_edit, QStringLiteral("127"));
  black_level_line_edit->setToolTip(tr("Display the black level threshold"));
  black_level_slider = horizontal_slider(0, 255, 1, 15);
  black_level_slider->setValue(gl_widget->document().settings().stipple.black_level);
  black_level_slider->setToolTip(tr("Controls which tones are black and which tones are white"));

  black_level_group = centred_group(tr("Black level threshold"));
  black_level_group->setLayout(
      slider_grid(black_level_line_edit, black_level_slider, tr("0"), tr("255")));
  black_level_group->setEnabled(false);
  return black_level_group;
}

QGroupBox* _general_tab::build_save_group() {
  device_combo = new QComboBox;
  for (const char* name : {"Gray-scale", "Black&White", "Color tones"})
    device_combo->addItem(tr(name));
  device_combo->setCurrentIndex(device_grayscale);
  device_combo->setToolTip(
      tr("This value allows to change the number of colors of the output\nGray-scale: Normal "
         "mode\nBlack-and-white: mode to print in high resolution mono printers. The user must "
         "select the black threshold\nColor tones: mode to obtain images with color tones"));
  auto* device_grid = new QGridLayout;
  device_grid->addWidget(new QLabel(tr("Colors:")), 0, 0, Qt::AlignRight);
  device_grid->addWidget(device_combo, 0, 1);
  device_grid->setColumnMinimumWidth(1, 150);
  device_grid->setColumnStretch(1, 10);
  auto* device_frame = new QFrame;
  device_frame->setLayout(device_grid);

  stippling_tone_combo = new QComboBox;
  for (const _tone_entry& tone : TONES) stippling_tone_combo->addItem(tr(tone.label));
  stippling_tone_combo->setCurrentIndex(0);
  stippling_tone_combo->setToolTip(tr("Controls which tone is used when Color tones is selected"));
  auto* tones_box = new QVBoxLayout;
  tones_box->addWidget(stippling_tone_combo);
  color_tones_group = centred_group(tr("Color tones"));
  color_tones_group->setLayout(tones_box);
  color_tones_group->setEnabled(false);

  auto* box = new QVBoxLayout;
  box->addWidget(device_frame);
  box->addWidget(build_black_level_group());
  box->addWidget(color_tones_group);
  auto* group = centred_group(tr("Save parameters"));
  group->setLayout(box);

  connect(device_combo, SIGNAL(currentIndexChanged(int)), this, SLOT(set_device_slot(int)));
  connect(black_level_slider, SIGNAL(valueChanged(int)), this, SLOT(set_black_level_slot(int)));
  connect(stippling_tone_combo, SIGNAL(activated(int)), gl_widget, SLOT(set_stippling_tone(int)));
  return group;
}

QGroupBox* _general_tab::build_tone_group() {
  tone_matching_combo = new QComboBox;
  for (const char* name : {"None", "Grey levels", "Linear light"})
    tone_matching_combo->addItem(tr(name));
  tone_matching_combo->setCurrentIndex(tone_matching_none);
  tone_matching_combo->setToolTip(
      tr("What a flat grey prints as\nNone: the halftone takes the grey as it is\nGrey levels: the "
         "ink covers as much as the grey is dark\nLinear light: the ink leaves the light of the "
         "picture's linear values"));
  black_point_spin_box = level_spin_box(0);
  black_point_spin_box->setToolTip(tr("Greys at or below this level print black"));
  white_point_spin_box = level_spin_box(LEVEL_MAX);
  white_point_spin_box->setToolTip(
      tr("Greys at or above this level print white\nAlways above the black point"));
  gamma_spin_box = new QDoubleSpinBox;
  gamma_spin_box->setDecimals(GAMMA_DECIMALS);
  gamma_spin_box->setRange(_levels::GAMMA_MIN, _levels::GAMMA_MAX);
  gamma_spin_box->setSingleStep(GAMMA_STEP);
  gamma_spin_box->setValue(1.0);
  gamma_spin_box->setKeyboardTracking(false);
  gamma_spin_box->setToolTip(tr("Above 1 lightens the middle greys, below 1 darkens them"));
  bound_points();

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Tone matching:")), 0, 0, Qt::AlignRight);
  grid->addWidget(tone_matching_combo, 0, 1);
  grid->addWidget(new QLabel(tr("Black point")), 1, 0, Qt::AlignRight);
  grid->addWidget(black_point_spin_box, 1, 1);
  grid->addWidget(new QLabel(tr("White point")), 2, 0, Qt::AlignRight);
  grid->addWidget(white_point_spin_box, 2, 1);
  grid->addWidget(new QLabel(tr("Gamma")), 3, 0, Qt::AlignRight);
  grid->addWidget(gamma_spin_box, 3, 1);
  auto* group = centred_group(tr("Tone"));
  group->setLayout(grid);

  connect(tone_matching_combo, SIGNAL(currentIndexChanged(int)), this, SLOT(set_tone_match_slot()));
  for (QSpinBox* spin_box : {black_point_spin_box, white_point_spin_box})
    connect(spin_box, SIGNAL(valueChanged(int)), this, SLOT(set_tone_match_slot()));
  connect(gamma_spin_box, SIGNAL(valueChanged(double)), this, SLOT(set_tone_match_slot()));
  return group;
}

// Each entry carries its resolution position, so a list holding "300ppi" alone still hands
// 300 ppi to the controller rather than its row number.
void _general_tab::fill_save_resolutions(bool all) {
  if (all) {
    save_resolution_combo->addItem(tr("1200ppi"), int(resolution_1200));
    save_resolution_combo->addItem(tr("600ppi"), int(resolution_600));
  }
  save_resolution_combo->addItem(tr("300ppi"), int(resolution_300));
}

void _general_tab::show_save_resolution(int position) {
  const int row = save_resolution_combo->findData(position);
  if (row >= 0) save_resolution_combo->setCurrentIndex(row);
}

// --- setters: show a value the controller holds ---

void _general_tab::set_size(_output_size size) {
  size_combo->setCurrentIndex(size);
}

void _general_tab::set_units(_output_units units) {
  units_combo->setCurrentIndex(units);
}

void _general_tab::set_save_resolution(_resolution_position position) {
  show_save_resolution(position);
}

void _general_tab::set_merging_function(_merging_function merging) {
  merging_function_combo->setCurrentIndex(merging);
}

void _general_tab::set_random_distribution(_random_distribution distribution) {
  random_distribution_combo->setCurrentIndex(distribution);
}

namespace {

QString dimension_text(float value, _output_units units) {
  if (units == units_pixels) return QString::asprintf("%d", static_cast<int>(value));
  return QString::asprintf("%5.5f", value);
}

}  // namespace

void _general_tab::set_width(float value) {
  width_line_edit->setText(dimension_text(value, gl_widget->document().settings().output_units));
}

void _general_tab::set_height(float value) {
  height_line_edit->setText(dimension_text(value, gl_widget->document().settings().output_units));
}

void _general_tab::set_scale_factor(float value) {
  scale_factor_line_edit->setText(QString::asprintf("%2.2f", value));
  scale_factor_slider->setValue(static_cast<int>(value * 10.0f));
}

void _general_tab::set_displacement(float value) {
  displacement_line_edit->setText(QString::asprintf("%2.2f", value));
  displacement_slider->setValue(static_cast<int>(value * 32.0f));
}

void _general_tab::set_black_level(int value) {
  black_level_line_edit->setText(QString::asprintf("%d", value));
  black_level_slider->setValue(value);
}

void _general_tab::set_device(_mode_device mode) {
  device_combo->setCurrentIndex(mode);
  black_level_slider->setValue(gl_widget->document().settings().stipple.black_level);
  stippling_tone_combo->setCurrentIndex(gl_widget->document().settings().tone);
  switch (mode) {
    case device_grayscale:
    case device_black_white:
      save_resolution_combo->clear();
      fill_save_resolutions(true);
      save_resolution_combo->setCurrentIndex(resolution_300);
      black_level_group->setEnabled(mode == device_black_white);
      color_tones_group->setEnabled(false);
      break;
    case device_color_tones:
      save_resolution_combo->clear();
      fill_save_resolutions(false);
      black_level_group->setEnabled(false);
      color_tones_group->setEnabled(true);
      break;
  }
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

void _general_tab::enable_custom_size(bool custom) {
  for (_line_edit* edit : {width_line_edit, height_line_edit}) {
    edit->setReadOnly(!custom);
    edit->setEnabled(custom);
  }
  width_label->setEnabled(custom);
  height_label->setEnabled(custom);
}

void _general_tab::enable_mode_groups(_mode_device mode) {
  black_level_group->setEnabled(mode == device_black_white);
  color_tones_group->setEnabled(mode == device_color_tones);
}

void _general_tab::show_settings(const _document_settings& settings) {
  const QSignalBlocker quiet[] = {QSignalBlocker(size_combo),
                                  QSignalBlocker(units_combo),
                                  QSignalBlocker(scale_factor_slider),
                                  QSignalBlocker(displacement_slider),
                                  QSignalBlocker(merging_function_combo),
                                  QSignalBlocker(random_distribution_combo),
                                  QSignalBlocker(device_combo),
                                  QSignalBlocker(black_level_slider),
                                  QSignalBlocker(save_resolution_combo),
                                  QSignalBlocker(stippling_tone_combo)};
  const _stipple_settings& stipple = settings.stipple;
  size_combo->setCurrentIndex(settings.output_size);
  enable_custom_size(settings.output_size == size_custom);
  units_combo->setCurrentIndex(settings.output_units);
  const long packing = std::lround(10.0f * PACKING_CELL_PIXELS / stipple.scale_factor);
  scale_factor_slider->setValue(int(packing));
  scale_factor_line_edit->setText(QString::asprintf("%2.2f", packing / 10.0f));
  displacement_slider->setValue(int(std::lround(stipple.displacement * 32.0f)));
  displacement_line_edit->setText(QString::asprintf("%2.2f", stipple.displacement));
  merging_function_combo->setCurrentIndex(stipple.merging_function);
  random_distribution_combo->setCurrentIndex(stipple.random_distribution);
  device_combo->setCurrentIndex(settings.device);
  save_resolution_combo->clear();
  fill_save_resolutions(settings.device != device_color_tones);
  show_save_resolution(settings.resolution());
  enable_mode_groups(settings.device);
  black_level_slider->setValue(stipple.black_level);
  black_level_line_edit->setText(QString::asprintf("%d", stipple.black_level));
  stippling_tone_combo->setCurrentIndex(settings.tone);
  show_tone_match(settings.tone_match);
}

// --- slots: until an image is loaded each puts its control back and leaves the controller be ---

void _general_tab::set_units_slot(int index) {
  if (!gl_widget->image_loaded()) {
    units_combo->setCurrentIndex(units_millimeters);
    return;
  }
  if (index >= units_millimeters && index <= units_pixels)
    gl_widget->set_units(static_cast<_output_units>(index));
}

void _general_tab::set_size_slot(int index) {
  if (!gl_widget->image_loaded()) {
    size_combo->setCurrentIndex(size_a5);
    return;
  }
  if (index < size_a4 || index > size_custom) return;
  enable_custom_size(index == size_custom);
  gl_widget->set_size(static_cast<_output_size>(index));
}

// A text that does not parse reaches the controller as 0.0, which keeps the current output.
void _general_tab::set_width_slot() {
  gl_widget->set_width(width_line_edit->text().toFloat());
}

void _general_tab::set_height_slot() {
  gl_widget->set_height(height_line_edit->text().toFloat());
}

void _general_tab::set_scale_factor_slot(int value) {
  if (!gl_widget->image_loaded()) {
    scale_factor_slider->setValue(30);
    return;
  }
  const float packing = value / 10.0f;
  scale_factor_line_edit->setText(QString::asprintf("%2.2f", packing));
  gl_widget->set_scale_factor(6.0f / packing);
}

void _general_tab::set_displacement_slot(int value) {
  if (!gl_widget->image_loaded()) {
    displacement_slider->setValue(1);
    return;
  }
  const float displacement = value * 0.03125f;
  displacement_line_edit->setText(QString::asprintf("%2.2f", displacement));
  gl_widget->set_displacement(displacement);
}

void _general_tab::set_merging_function_slot(int index) {
  if (!gl_widget->image_loaded()) {
    merging_function_combo->setCurrentIndex(merging_product);
    return;
  }
  gl_widget->set_merging_function(index);
}

void _general_tab::set_random_distribution_slot(int index) {
  if (!gl_widget->image_loaded()) {
    random_distribution_combo->setCurrentIndex(distribution_random);
    return;
  }
  gl_widget->set_random_distribution(index);
}

void _general_tab::set_device_slot(int Element) {
  if (!gl_widget->image_loaded()) {
    device_combo->setCurrentIndex(device_grayscale);
    return;
  }
  // The resolution list reports its new position before the controller switches mode, so that
  // position is stored for the mode being left.
  switch (Element) {
    case device_grayscale:
      black_level_group->setEnabled(false);
      color_tones_group->setEnabled(false);
      stippling_tone_combo->setCurrentIndex(0);
      show_save_resolution(gl_widget->document().settings().save_resolution[device_grayscale]);
      break;
    case device_black_white:
      black_level_group->setEnabled(true);
      color_tones_group->setEnabled(false);
      show_save_resolution(gl_widget->document().settings().save_resolution[device_black_white]);
      break;
    case device_color_tones:
      black_level_group->setEnabled(false);
      color_tones_group->setEnabled(true);
      show_save_resolution(gl_widget->document().settings().save_resolution[device_color_tones]);
      break;
    default:
      return;  // the list never holds another mode; the controller indexes by it
  }
  gl_widget->set_device(static_cast<_mode_device>(Element));
}

void _general_tab::set_save_resolution_slot(int Element) {
  if (Element < 0) return;  // sent while the list is emptied
  if (!gl_widget->image_loaded()) {
    save_resolution_combo->setCurrentIndex(0);
    return;
  }
  const QVariant position = save_resolution_combo->itemData(Element);
  if (position.isValid())
    gl_widget->set_save_resolution(static_cast<_resolution_position>(position.toInt()));
}

void _general_tab::set_black_level_slot(int Level) {
  if (!gl_widget->image_loaded()) {
    black_level_slider->setValue(0);
    return;
  }
  black_level_line_edit->setText(QString::asprintf("%d", Level));
  gl_widget->set_black_level(Level);
}

// Before an image the group shows the document's values again, so that the ones kept from the
// last run stay on show.
void _general_tab::set_tone_match_slot() {
  if (!gl_widget->image_loaded()) {
    show_tone_match(gl_widget->document().settings().tone_match);
    return;
  }
  bound_points();
  _tone_settings tones;
  tones.matching = static_cast<_tone_matching>(tone_matching_combo->currentIndex());
  tones.levels = _levels(float(black_point_spin_box->value()), float(white_point_spin_box->value()),
                         float(gamma_spin_box->value()));
  gl_widget->set_tone_match(tones);
}

}  // namespace stippon
