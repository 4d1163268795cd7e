#pragma once

#include <QUndoCommand>
#include <functional>

#include "document/document_settings.h"

namespace stippon {

// What one step of the settings history restores: the settings and the width the images were
// made at, which a typed custom size changes without changing any setting.
struct _settings_state {
  _document_settings settings;
  float width = 0.0f;

  bool operator==(const _settings_state&) const = default;
};

// One change of the settings, already made when it is pushed. Consecutive changes of the same
// control (a slider moved step by step) merge into one; a control of id -1 never merges.
class _settings_step : public QUndoCommand {
 public:
  using _restore = std::function<void(const _settings_state&)>;

  _settings_step(const QString& text, int control, const _settings_state& before,
                 const _settings_state& after, _restore restore);

  int id() const override { return control; }
  bool mergeWith(const QUndoCommand* other) override;
  void undo() override;
  void redo() override;

 private:
  int control;
  _settings_state before;
  _settings_state after;
  _restore restore;
  // The change was made before the step was pushed, which calls redo once.
  bool made = true;
};

}  // namespace stippon
