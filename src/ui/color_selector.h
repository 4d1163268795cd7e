#pragma once

#include <QColor>
#include <QWidget>

class QFrame;
class QMouseEvent;

namespace stippon {

// A colour swatch: it shows a colour, and a left click asks the user for another in a colour
// dialog (alpha included) that starts from it.
class _color_selector : public QWidget {
  Q_OBJECT

 public:
  explicit _color_selector(QWidget* parent = nullptr);

  QColor color() const;
  void show_color(const QColor& colour);

 signals:
  // The user chose a colour; the swatch shows it once it is shown again.
  void color_picked(const QColor& colour);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QFrame* frame = nullptr;
};

}  // namespace stippon
