#include "controller/failure.h"

#include <QCoreApplication>

namespace stippon {

namespace {

QString tr(const char* text) {
  return QCoreApplication::translate("stippon::_failure", text);
}

QString general_reason(_failure_kind kind) {
  switch (kind) {
    case failure_reading:
      return tr("not a picture Stippon can read");
    case failure_writing:
      return tr("the file could not be written in full");
    default:
      return tr("missing, or not in a form Stippon can read");
  }
}

}  // namespace

QString _failure::title() const {
  switch (kind) {
    case failure_reading:
      return tr("Cannot open file");
    case failure_writing:
      return tr("Cannot save file");
    default:
      return tr("Missing data files");
  }
}

QString _failure::text() const {
  QString why = reason.isEmpty() ? general_reason(kind) : reason;
  if (why.endsWith('.')) why.chop(1);
  // Both arguments in one call: a '%2' inside the file name must not be replaced.
  const QString form =
      kind == failure_writing ? tr("Cannot write file %1:\n%2.") : tr("Cannot read file %1:\n%2.");
  return form.arg(file, why);
}

}  // namespace stippon
