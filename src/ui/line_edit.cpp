#include "ui/line_edit.h"

#include <QKeyEvent>

namespace stippon {

_line_edit::_line_edit() : QLineEdit(nullptr) {}

namespace {

bool is_commit_key(const QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
      const int key = static_cast<const QKeyEvent*>(event)->key();
      return key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    default:
      return false;
  }
}

}  // namespace

// One key press arrives as shortcut override, press and release: clearing the flag first reports
// the edit once, whether or not the receiver writes the field back.
void _line_edit::commit() {
  if (!isModified()) return;
  setModified(false);
  emit committed();
}

bool _line_edit::event(QEvent* event) {
  if (is_commit_key(event) && isModified()) {
    commit();
    return true;
  }
  return QLineEdit::event(event);
}

// A context menu's popup takes the focus for a moment while the text is still being edited.
void _line_edit::focusOutEvent(QFocusEvent* event) {
  if (event->reason() != Qt::PopupFocusReason) commit();
  QLineEdit::focusOutEvent(event);
}

}  // namespace stippon
