#pragma once

#include <QObject>

class QWidget;

namespace stippon {

// The panels' controls as careful applications make them: the wheel changes only the control
// that has the focus and over any other scrolls the panel, so that scrolling past a list or a
// slider never changes it; and the undo and redo keys first hand over a value still being typed,
// so that the step they undo is that value.
class _control_filter : public QObject {
  Q_OBJECT

 public:
  // Filters every combo box, slider, spin box and typed field within `panel`.
  static void install(QWidget* panel);
  // The focused control's typed value handed over, as Return hands it.
  static void commit_typing();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit _control_filter(QObject* parent) : QObject(parent) {}
};

}  // namespace stippon
