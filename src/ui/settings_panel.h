#pragma once

#include <QWidget>
#include <functional>
#include <initializer_list>
#include <utility>

#include "document/document_settings.h"

class QFrame;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLayout;
class QSlider;
class QVBoxLayout;

namespace stippon {

class _controller;

// A panel that holds no setting of its own: it shows the controller's settings, again whenever
// they change, and sends each change of a control as an edit of them. Its controls are found by
// their object names.
class _settings_panel : public QWidget {
  Q_OBJECT

 public:
  _settings_panel(_controller* controller, QWidget* parent);

 protected:
  _controller* const controller;

  // Shows the controller's settings in every control without sending anything.
  virtual void show_settings() = 0;
  // The panel's own choices back to their defaults, as one step.
  virtual void reset() = 0;
  // Sends the settings with one change as an undo step named `step`.
  void edit(const char* step, bool continuous,
            const std::function<void(_document_settings&)>& change);
  // Each value a control's signal sends becomes an edit, set(settings, value), named `step`.
  template <class Control, class Signal, class Set>
  void edit_on(Control* control, Signal signal, const char* step, bool continuous, Set set) {
    connect(control, signal, this, [this, step, continuous, set](int value) {
      edit(step, continuous, [&set, value](_document_settings& s) { set(s, value); });
    });
  }
  // Ends the panel's column of groups with a line and the "Reset" button, and shows the settings.
  void finish(QVBoxLayout* layout);
};

template <class T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A group with its title in the middle, laid out by `layout` when one is given.
QGroupBox* centred_group(const QString& title, QLayout* layout = nullptr);
QFrame* horizontal_line();
// A slider that hands its value over when it is let go.
QSlider* horizontal_slider(const char* name, int minimum, int maximum, int step, int tick_interval);
QHBoxLayout* row_of(std::initializer_list<QWidget*> widgets);
// Each control in a row after its label.
QGridLayout* labelled_rows(std::initializer_list<std::pair<QWidget*, QWidget*>> rows);

}  // namespace stippon
