#include "controller/settings_step.h"

namespace stippon {

_settings_step::_settings_step(const QString& text, int control, const _document_settings& before,
                               const _document_settings& after, _restore restore)
    : control(control), before(before), after(after), restore(std::move(restore)) {
  setText(text);
}

bool _settings_step::mergeWith(const QUndoCommand* other) {
  const auto* next = dynamic_cast<const _settings_step*>(other);
  if (next == nullptr || next->control != control || control < 0) return false;
  after = next->after;
  // A burst that ends where it began leaves nothing to undo.
  setObsolete(after == before);
  return true;
}

void _settings_step::undo() {
  restore(before);
}

void _settings_step::redo() {
  if (made) {
    made = false;
    return;
  }
  restore(after);
}

}  // namespace stippon
