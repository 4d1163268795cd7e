#pragma once

#include <QColor>
#include <QFrame>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <optional>

namespace stippon {

// A colour swatch: a left click opens a colour dialog (alpha included) and reports the choice.
class _color_selector : public QWidget {
  Q_OBJECT

 public:
  // Asks the user for a colour starting from the given one; nothing when cancelled.
  using _picker = std::function<std::optional<QColor>(const QColor&)>;

  QFrame* frame = nullptr;
  QColor color;
  // Defaults to the modal colour dialog; replaceable so the choice can be scripted.
  _picker pick_color;

  explicit _color_selector(QColor colour);

  void set_color(QColor colour);

  static std::optional<QColor> pick_with_dialog(const QColor& initial);

 signals:
  void color_changed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace stippon
