#pragma once

#include <QEvent>
#include <QLineEdit>

namespace stippon {

// A line edit that reports Tab and Return on text the user has edited, so the panel can hand
// the typed value to the controller before the focus moves on.
class _line_edit : public QLineEdit {
  Q_OBJECT

 public:
  _line_edit();
  // Reports text the user has edited, as Tab does; nothing otherwise.
  void commit();

 signals:
  void tabPressed();

 protected:
  bool event(QEvent* event) override;
};

}  // namespace stippon
