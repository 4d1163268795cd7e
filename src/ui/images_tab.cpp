#include "ui/images_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <iterator>

#include "controller/controller.h"
#include "stipple/dot_library.h"
#include "ui/color_selector.h"

namespace stippon {

namespace {

// The entries of the image list, in the order of the list positions.
const char* const LIST_LABELS[LIST_SIZE] = {"Color original", "Original",  "Borders",
                                            "Halftoning",     "Stippling", "Color stippling"};

// The four dot sizes: the low density pair, then the high, each pair's minimum first, so that an
// entry's partner is the one at index ^ 1.
const struct {
  const char *name, *step;
  unsigned short _stipple_settings::*field;
  const char* tooltip;
} DOT_SIZES[] = {
    {"low_density_min_spin_box", "Low Density Min", &_stipple_settings::low_density_min,
     "Minimum value of dot size for low density zones"},
    {"low_density_max_spin_box", "Low Density Max", &_stipple_settings::low_density_max,
     "Maximum value of dot size for low density zones"},
    {"high_density_min_spin_box", "High Density Min", &_stipple_settings::high_density_min,
     "Minimum value of dot size for high density zones"},
    {"high_density_max_spin_box", "High Density Max", &_stipple_settings::high_density_max,
     "Maximum value of dot size for high density zones"},
};
static_assert(std::size(DOT_SIZES) == _images_tab::DOT_SIZE_BOXES);

_pixel ink_of(const QColor& colour) {
  return _pixel(colour.red() & 0xff, colour.green() & 0xff, colour.blue() & 0xff,
                colour.alpha() & 0xff);
}

}  // namespace

_images_tab::_images_tab(_controller* controller, QWidget* parent)
    : _settings_panel(controller, parent) {
  auto* layout = new QVBoxLayout;
  layout->addWidget(build_contrast_group());
  layout->addWidget(build_borders_group());
  layout->addWidget(build_color_group());
  layout->addWidget(build_images_group());
  // A new photograph, or a picture of another entry: the list shows which.
  connect(controller, &_controller::picture_ready, this,
          [this](const _texture&, int position) { images_list->setCurrentRow(position); });
  finish(layout);
}

QSpinBox* _images_tab::dot_size_spin_box(const char* name, const char* step,
                                         unsigned short _stipple_settings::*field,
                                         const QString& tooltip) {
  auto* spin_box = named(new QSpinBox, name);
  spin_box->setRange(DOT_SIZE_MIN, DOT_SIZE_MAX);
  spin_box->setSingleStep(1);
  spin_box->setAlignment(Qt::AlignRight);
  spin_box->setMinimumWidth(40);
  spin_box->setToolTip(tooltip);
  edit_on(spin_box, &QSpinBox::valueChanged, step, true, [field](_document_settings& s, int value) {
    s.stipple.*field = static_cast<unsigned short>(value);
  });
  return spin_box;
}

QWidget* _images_tab::build_contrast_group() {
  for (int i = 0; i < DOT_SIZE_BOXES; ++i)
    dot_size_spin_boxes[i] = dot_size_spin_box(DOT_SIZES[i].name, DOT_SIZES[i].step,
                                               DOT_SIZES[i].field, tr(DOT_SIZES[i].tooltip));
  threshold_slider = horizontal_slider("threshold_slider", 0, 255, 1, 15);
  threshold_slider->setToolTip(
      tr("To the left: more low density dots\nTo the right: more high density dots"));

  auto* box = new QVBoxLayout;
  box->addWidget(
      centred_group(tr("Low density"), row_of({new QLabel(tr("Min:")), dot_size_spin_boxes[0],
                                               new QLabel(tr("Max:")), dot_size_spin_boxes[1]})));
  box->addWidget(centred_group(
      tr("Threshold"), row_of({new QLabel(tr("Low ")), threshold_slider, new QLabel(tr("High"))})));
  box->addWidget(
      centred_group(tr("High density"), row_of({new QLabel(tr("Min:")), dot_size_spin_boxes[2],
                                                new QLabel(tr("Max:")), dot_size_spin_boxes[3]})));
  QGroupBox* group = centred_group(tr("Contrast"), box);

  edit_on(threshold_slider, &QSlider::valueChanged, "Threshold", true,
          [](_document_settings& s, int threshold) { s.stipple.contrast_threshold = threshold; });
  return group;
}

QWidget* _images_tab::build_borders_group() {
  borders_slider = horizontal_slider("borders_slider", -50, 50, 1, 5);
  borders_slider->setToolTip(
      tr("Controls the appearance of borders: more to the left, less to the right"));
  QGroupBox* group =
      centred_group(tr("Borders threshold"),
                    row_of({new QLabel(tr("All ")), borders_slider, new QLabel(tr("None"))}));
  edit_on(
      borders_slider, &QSlider::valueChanged, "Borders", true,
      [](_document_settings& s, int value) { s.borders_threshold = value / BORDERS_SLIDER_STEPS; });
  return group;
}

QWidget* _images_tab::build_color_group() {
  colour_check_box = named(new QCheckBox, "colour_check_box");
  colour_check_box->setToolTip(
      tr("Activates or deactivates the updating of the color stippled image"));
  color_selector = named(new _color_selector, "color_selector");
  colour_source_combo = named(new QComboBox, "colour_source_combo");
  colour_source_combo->addItems({tr("One ink"), tr("The photograph")});
  colour_source_combo->setToolTip(
      tr("Draws every dot in the ink, or each in the photograph's color at its place"));
  QGroupBox* group = centred_group(tr("Image color"),
                                   row_of({colour_check_box, color_selector, colour_source_combo}));
  connect(colour_check_box, &QCheckBox::toggled, this, [this](bool on) {
    edit("Colour Stippling", false, [on](_document_settings& s) { s.colour_stippling = on; });
  });
  connect(color_selector, &_color_selector::color_picked, this, [this](const QColor& colour) {
    edit("Ink", false, [&colour](_document_settings& s) { s.ink = ink_of(colour); });
  });
  connect(colour_source_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
    edit("Color Source", false, [index](_document_settings& s) {
      s.colour_source = index == colour_photo ? colour_photo : colour_ink;
    });
  });
  return group;
}

QWidget* _images_tab::build_images_group() {
  images_list = named(new QListWidget, "images_list");
  images_list->setToolTip(tr("Selects which images is shown or saved"));
  for (const char* label : LIST_LABELS) images_list->addItem(tr(label));
  auto* box = new QVBoxLayout;
  box->addWidget(images_list);
  QGroupBox* group = centred_group(tr("Images"), box);
  connect(images_list, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { controller->show_image(images_list->row(item)); });
  return group;
}

void _images_tab::show_settings() {
  const _document_settings& settings = controller->settings();
  const _stipple_settings& stipple = settings.stipple;
  for (int i = 0; i < DOT_SIZE_BOXES; ++i) {
    QSpinBox* spin_box = dot_size_spin_boxes[i];
    const int partner = stipple.*DOT_SIZES[i ^ 1].field;
    const bool is_min = i % 2 == 0;
    const QSignalBlocker quiet(spin_box);
    spin_box->setRange(is_min ? DOT_SIZE_MIN : partner, is_min ? partner : DOT_SIZE_MAX);
    spin_box->setValue(stipple.*DOT_SIZES[i].field);
  }
  const QSignalBlocker quiet[] = {QSignalBlocker(threshold_slider), QSignalBlocker(borders_slider),
                                  QSignalBlocker(colour_check_box),
                                  QSignalBlocker(colour_source_combo)};
  threshold_slider->setValue(stipple.contrast_threshold);
  borders_slider->setValue(int(std::lround(settings.borders_threshold * BORDERS_SLIDER_STEPS)));
  colour_check_box->setChecked(settings.colour_stippling);
  const _pixel ink = settings.ink;
  color_selector->show_color(QColor(ink.r, ink.g, ink.b, ink.a));
  colour_source_combo->setCurrentIndex(settings.colour_source);
  color_selector->setEnabled(settings.colour_source == colour_ink);
}

// The panel's own choices back to their defaults, as one step.
void _images_tab::reset() {
  const _document_settings defaults;
  edit("Images Reset", false, [&defaults](_document_settings& s) {
    for (const auto& size : DOT_SIZES) s.stipple.*size.field = defaults.stipple.*size.field;
    s.stipple.contrast_threshold = defaults.stipple.contrast_threshold;
    s.borders_threshold = defaults.borders_threshold;
    s.colour_stippling = defaults.colour_stippling;
    s.ink = defaults.ink;
    s.colour_source = defaults.colour_source;
  });
}

}  // namespace stippon
