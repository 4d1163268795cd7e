#pragma once

#include <QEvent>
#include <QLineEdit>

namespace stippon {

// A line edit that reports text the user has edited once, on Tab, Return or Enter or when the
// focus moves elsewhere (a click on the view), so the panel hands the typed value to the
// controller as one step.
class _line_edit : public QLineEdit {
  Q_OBJECT

 public:
  _line_edit();
  // Reports text the user has edited, as Tab does; nothing otherwise.
  void commit();

 signals:
  void committed();

 protected:
  bool event(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace stippon
