#include "ui/settings_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "controller/controller.h"

namespace stippon {

_settings_panel::_settings_panel(_controller* controller, QWidget* parent)
    : QWidget(parent), controller(controller) {
  // A click between the controls takes the focus, and with it a value being typed.
  setFocusPolicy(Qt::ClickFocus);
  connect(controller, &_controller::settings_changed, this, [this] { show_settings(); });
}

void _settings_panel::edit(const char* step, bool continuous,
                           const std::function<void(_document_settings&)>& change) {
  _document_settings settings = controller->settings();
  change(settings);
  controller->edit(settings, tr(step), continuous);
}

void _settings_panel::finish(QVBoxLayout* layout) {
  layout->addWidget(horizontal_line());
  auto* reset_button = named(new QPushButton(QStringLiteral("Reset")), "reset_button");
  layout->addWidget(reset_button);
  layout->addStretch(1);
  setLayout(layout);
  connect(reset_button, &QPushButton::clicked, this, [this] { reset(); });
  show_settings();
}

QGroupBox* centred_group(const QString& title, QLayout* layout) {
  auto* group = new QGroupBox(title);
  group->setAlignment(Qt::AlignHCenter);
  if (layout) group->setLayout(layout);
  return group;
}

QFrame* horizontal_line() {
  auto* line = new QFrame;
  line->setFrameStyle(QFrame::HLine);
  return line;
}

QSlider* horizontal_slider(const char* name, int minimum, int maximum, int step,
                           int tick_interval) {
  auto* slider = named(new QSlider(Qt::Horizontal), name);
  slider->setRange(minimum, maximum);
  slider->setSingleStep(step);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(tick_interval);
  slider->setTracking(false);
  return slider;
}

QHBoxLayout* row_of(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : widgets) row->addWidget(widget);
  return row;
}

QGridLayout* labelled_rows(std::initializer_list<std::pair<QWidget*, QWidget*>> rows) {
  auto* grid = new QGridLayout;
  int row = 0;
  for (const auto& [label, control] : rows) {
    grid->addWidget(label, row, 0, Qt::AlignRight);
    grid->addWidget(control, row++, 1);
  }
  return grid;
}

}  // namespace stippon
