#include "ui/control_filter.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QWidget>

#include "ui/line_edit.h"

namespace stippon {

void _control_filter::install(QWidget* panel) {
  auto* filter = new _control_filter(panel);
  for (QWidget* control : panel->findChildren<QWidget*>()) {
    const bool wheeled = qobject_cast<QComboBox*>(control) != nullptr ||
                         qobject_cast<QAbstractSlider*>(control) != nullptr ||
                         qobject_cast<QAbstractSpinBox*>(control) != nullptr;
    // Clicked or tabbed to, never focused by the wheel.
    if (wheeled) control->setFocusPolicy(Qt::StrongFocus);
    if (wheeled || qobject_cast<_line_edit*>(control) != nullptr)
      control->installEventFilter(filter);
  }
}

void _control_filter::commit_typing() {
  QWidget* focused = QApplication::focusWidget();
  if (auto* spin_box = qobject_cast<QAbstractSpinBox*>(focused)) spin_box->interpretText();
  if (auto* field = qobject_cast<_line_edit*>(focused)) field->commit();
}

bool _control_filter::eventFilter(QObject* watched, QEvent* event) {
  auto* control = static_cast<QWidget*>(watched);
  if (event->type() == QEvent::Wheel && !control->hasFocus()) {
    // Handed to the panel's scroll area, whether or not Qt would pass it on to the parents.
    event->ignore();
    for (QWidget* up = control->parentWidget(); up != nullptr; up = up->parentWidget()) {
      if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
        QCoreApplication::sendEvent(area->viewport(), event);
        break;
      }
    }
    return true;
  }
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
      commit_typing();
      // Not taken by the field's own text undo: the key reaches the Edit menu.
      event->ignore();
      return true;
    }
  }
  return false;
}

}  // namespace stippon
