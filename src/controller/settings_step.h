#pragma once

#include <QUndoCommand>
#include <functional>

#include "document/document_settings.h"

namespace stippon {

// One change of the settings, already made when it is pushed. Consecutive changes of the same
// control (a slider moved step by step) merge into one; a control of id -1 never merges.
class _settings_step : public QUndoCommand {
 public:
  using _restore = std::function<void(const _document_settings&)>;

  _settings_step(const QString& text, int control, const _document_settings& before,
                 const _document_settings& after, _restore restore);

  int id() const override { return control; }
  bool mergeWith(const QUndoCommand* other) override;
  void undo() override;
  void redo() override;

 private:
  int control;
  _document_settings before;
  _document_settings after;
  _restore restore;
  // The change was made before the step was pushed, which calls redo once.
  bool made = true;
};

}  // namespace stippon
