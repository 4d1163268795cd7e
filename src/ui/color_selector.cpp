#include "ui/color_selector.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QPalette>

namespace stippon {

namespace {

QPalette with_window_brush(QPalette palette, const QColor& colour) {
  palette.setBrush(QPalette::All, QPalette::Window, QBrush(colour, Qt::SolidPattern));
  return palette;
}

}  // namespace

_color_selector::_color_selector(QColor colour)
    : QWidget(nullptr), color(colour), pick_color(&_color_selector::pick_with_dialog) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  setLayout(layout);

  frame = new QFrame(nullptr);
  frame->setPalette(with_window_brush(frame->palette(), color));
  frame->setAutoFillBackground(true);
  frame->setMinimumSize(50, 25);
  frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  layout->addWidget(frame);
}

void _color_selector::set_color(QColor colour) {
  color = colour;
  frame->setPalette(with_window_brush(QPalette(), color));
}

std::optional<QColor> _color_selector::pick_with_dialog(const QColor& initial) {
  QColorDialog dialog(nullptr);
  // The alpha control must exist before the colour is set, or the initial alpha is lost.
  dialog.setOption(QColorDialog::ShowAlphaChannel, true);
  dialog.setCurrentColor(initial);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.selectedColor();
}

void _color_selector::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const std::optional<QColor> chosen = pick_color(color);
  if (!chosen) return;
  set_color(*chosen);
  emit color_changed();
}

}  // namespace stippon
