#include "ui/color_selector.h"

#include <QColorDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPalette>

namespace stippon {

_color_selector::_color_selector(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  setLayout(layout);

  frame = new QFrame(nullptr);
  frame->setObjectName(QStringLiteral("swatch"));
  frame->setAutoFillBackground(true);
  frame->setMinimumSize(50, 25);
  frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  layout->addWidget(frame);
}

QColor _color_selector::color() const {
  return frame->palette().color(QPalette::Active, QPalette::Window);
}

void _color_selector::show_color(const QColor& colour) {
  QPalette palette;
  palette.setBrush(QPalette::All, QPalette::Window, QBrush(colour, Qt::SolidPattern));
  frame->setPalette(palette);
}

void _color_selector::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  QColorDialog dialog(nullptr);
  // The alpha control must exist before the colour is set, or the initial alpha is lost.
  dialog.setOption(QColorDialog::ShowAlphaChannel, true);
  dialog.setCurrentColor(color());
  if (dialog.exec() == QDialog::Accepted) emit color_picked(dialog.selectedColor());
}

}  // namespace stippon
