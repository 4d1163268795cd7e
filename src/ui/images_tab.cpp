#include "ui/images_tab.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "controller/gl_widget.h"
#include "ui/color_selector.h"
#include "ui/list_item.h"

namespace stippon {

namespace {

QGroupBox* centred_group(const QString& title, QLayout* layout) {
  auto* group = new QGroupBox(title);
  group->setAlignment(Qt::AlignHCenter);
  group->setLayout(layout);
  return group;
}

QSlider* horizontal_slider(int minimum, int maximum, int tick_interval, int value) {
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setRange(minimum, maximum);
  slider->setSingleStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(tick_interval);
  slider->setTracking(false);
  slider->setValue(value);
  return slider;
}

QHBoxLayout* row_of(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : widgets) row->addWidget(widget);
  return row;
}

}  // namespace

_images_tab::_images_tab(_gl_widget* gl_widget, QWidget* parent)
    : QWidget(parent), gl_widget(gl_widget) {
  auto* layout = new QVBoxLayout;
  layout->addWidget(build_contrast_group());
  layout->addWidget(build_borders_group());
  layout->addWidget(build_color_group());
  layout->addWidget(build_images_group());
  auto* line = new QFrame;
  line->setFrameStyle(QFrame::HLine);
  layout->addWidget(line);
  reset_button = new QPushButton(QStringLiteral("Reset"));
  layout->addWidget(reset_button);
  layout->addStretch(1);
  setLayout(layout);

  connect(reset_button, SIGNAL(clicked()), gl_widget, SLOT(reset_images_parameters()));
}

QSpinBox* _images_tab::new_dot_size_spin_box(int value, const QString& tooltip) {
  auto* spin_box = new QSpinBox;
  spin_box->setRange(4, 8);
  spin_box->setSingleStep(1);
  spin_box->setAlignment(Qt::AlignRight);
  spin_box->setMinimumWidth(40);
  spin_box->setValue(value);
  spin_box->setToolTip(tooltip);
  return spin_box;
}

QWidget* _images_tab::build_contrast_group() {
  const _stipple_settings& settings = gl_widget->document().settings().stipple;
  low_density_min_spin_box = new_dot_size_spin_box(
      settings.low_density_min, tr("Minimum value of dot size for low density zones"));
  low_density_max_spin_box = new_dot_size_spin_box(
      settings.low_density_max, tr("Maximum value of dot size for low density zones"));
  high_density_min_spin_box = new_dot_size_spin_box(
      settings.high_density_min, tr("Minimum value of dot size for high density zones"));
  high_density_max_spin_box = new_dot_size_spin_box(
      settings.high_density_max, tr("Maximum value of dot size for high density zones"));
  threshold_slider = horizontal_slider(0, 255, 15, settings.contrast_threshold);
  threshold_slider->setToolTip(
      tr("To the left: more low density dots\nTo the right: more high density dots"));

  auto* box = new QVBoxLayout;
  box->addWidget(
      centred_group(tr("Low density"), row_of({new QLabel(tr("Min:")), low_density_min_spin_box,
                                               new QLabel(tr("Max:")), low_density_max_spin_box})));
  box->addWidget(centred_group(
      tr("Threshold"), row_of({new QLabel(tr("Low ")), threshold_slider, new QLabel(tr("High"))})));
  box->addWidget(centred_group(tr("High density"),
                               row_of({new QLabel(tr("Min:")), high_density_min_spin_box,
                                       new QLabel(tr("Max:")), high_density_max_spin_box})));
  QGroupBox* group = centred_group(tr("Contrast"), box);

  connect(low_density_min_spin_box, SIGNAL(valueChanged(int)), gl_widget,
          SLOT(set_contrast_low_density_min(int)));
  connect(low_density_max_spin_box, SIGNAL(valueChanged(int)), gl_widget,
          SLOT(set_contrast_low_density_max(int)));
  connect(threshold_slider, SIGNAL(valueChanged(int)), gl_widget,
          SLOT(set_contrast_threshold(int)));
  connect(high_density_min_spin_box, SIGNAL(valueChanged(int)), gl_widget,
          SLOT(set_contrast_high_density_min(int)));
  connect(high_density_max_spin_box, SIGNAL(valueChanged(int)), gl_widget,
          SLOT(set_contrast_high_density_max(int)));
  return group;
}

QWidget* _images_tab::build_borders_group() {
  const float threshold = gl_widget->document().settings().borders_threshold;
  borders_slider =
      horizontal_slider(-50, 50, 5, int(std::lround(threshold * BORDERS_SLIDER_STEPS)));
  borders_slider->setToolTip(
      tr("Controls the appearance of borders: more to the left, less to the right"));
  QGroupBox* group =
      centred_group(tr("Borders threshold"),
                    row_of({new QLabel(tr("All ")), borders_slider, new QLabel(tr("None"))}));
  connect(borders_slider, SIGNAL(valueChanged(int)), gl_widget, SLOT(set_borders_threshold(int)));
  return group;
}

QWidget* _images_tab::build_color_group() {
  colour_check_box = new QCheckBox;
  colour_check_box->setChecked(false);
  colour_check_box->setToolTip(
      tr("Activates or deactivates the updating of the color stippled image"));
  color_selector = new _color_selector(image_color);
  QGroupBox* group = centred_group(tr("Image color"), row_of({colour_check_box, color_selector}));
  connect(colour_check_box, SIGNAL(stateChanged(int)), gl_widget,
          SLOT(active_color_stippling(int)));
  connect(color_selector, SIGNAL(color_changed()), this, SLOT(set_image_color()));
  return group;
}

QWidget* _images_tab::build_images_group() {
  images_list = new QListWidget;
  images_list->setToolTip(tr("Selects which images is shown or saved"));
  auto* box = new QVBoxLayout;
  box->addWidget(images_list);
  QGroupBox* group = centred_group(tr("Images"), box);
  connect(images_list, SIGNAL(itemClicked(QListWidgetItem*)), gl_widget,
          SLOT(item_clicked(QListWidgetItem*)));
  return group;
}

void _images_tab::show_settings(const _document_settings& settings) {
  const _stipple_settings& stipple = settings.stipple;
  const std::pair<QSpinBox*, int> sizes[] = {{low_density_min_spin_box, stipple.low_density_min},
                                             {low_density_max_spin_box, stipple.low_density_max},
                                             {high_density_min_spin_box, stipple.high_density_min},
                                             {high_density_max_spin_box, stipple.high_density_max}};
  for (const auto& [spin_box, value] : sizes) {
    const QSignalBlocker quiet(spin_box);
    spin_box->setValue(value);
  }
  const QSignalBlocker quiet[] = {QSignalBlocker(threshold_slider), QSignalBlocker(borders_slider),
                                  QSignalBlocker(colour_check_box)};
  threshold_slider->setValue(stipple.contrast_threshold);
  borders_slider->setValue(int(std::lround(settings.borders_threshold * BORDERS_SLIDER_STEPS)));
  colour_check_box->setChecked(settings.colour_stippling);
  color_selector->set_color(QColor(settings.ink.r, settings.ink.g, settings.ink.b, settings.ink.a));
}

void _images_tab::add_item(const char* name, QListWidgetItem* item) {
  item->setData(Qt::DisplayRole, tr(name));
  images_list->addItem(item);
}

void _images_tab::set_item(const char* name, int position) {
  add_item(name, new _list_item(position));
}

void _images_tab::set_selected_item(int row) {
  QListWidgetItem* item = images_list->item(row);
  if (item != nullptr && item->listWidget() != nullptr) item->setSelected(true);
}

void _images_tab::set_image_color() {
  gl_widget->set_color_image(color_selector->color);
}

}  // namespace stippon
