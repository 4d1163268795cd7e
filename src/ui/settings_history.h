#pragma once

#include <QObject>
#include <QSet>
#include <QUndoStack>

#include "ui/settings_step.h"

class QAbstractButton;
class QAbstractSlider;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace stippon {

class _gl_widget;
class _line_edit;
class _color_selector;

// The undo history of the settings. It watches every control of the two panels; once the
// control's change has reached the document (after the event that made it), the settings that
// changed become one step. A change that set off others (a mode that changes the resolution
// list, a Reset) is one step too. Consecutive steps of one slider or spin box merge. Undo and redo
// go through the controller's apply path.
class _settings_history : public QObject {
  Q_OBJECT

 public:
  _settings_history(_gl_widget* gl_widget, QObject* parent);

  QUndoStack* stack() const { return steps; }
  // Takes the settings as they stand as the start of the next step, recording nothing: a new
  // picture or restored choices are not a change of the user's.
  void take_current();
  // Records a change still waiting for the event loop.
  void flush();
  // A change is waiting to be recorded.
  bool waiting() const { return flush_queued; }

 signals:
  // A step was recorded, undone or redone.
  void changed();

 private:
  _gl_widget* gl = nullptr;
  QUndoStack* steps = nullptr;
  _document_settings recorded;
  QSet<int> pending;
  // The control noted last: the one whose change set off the others, which report first.
  int last_control = -1;
  bool last_continuous = false;
  bool flush_queued = false;

  _document_settings current() const;
  void restore(const _document_settings& state);
  // A change of a control; sliders and spin boxes are `continuous`: their bursts merge.
  void note(int control, bool continuous);
  void watch_panels();
  void watch(QAbstractSlider* slider, int control);
  void watch(QComboBox* combo, int control);
  void watch(QSpinBox* spin_box, int control);
  void watch(QDoubleSpinBox* spin_box, int control);
  void watch(QAbstractButton* button, int control);
  void watch(_line_edit* edit, int control);
  void watch(_color_selector* selector, int control);
};

}  // namespace stippon
