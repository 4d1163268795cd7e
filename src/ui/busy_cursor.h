#pragma once

#include <QApplication>

namespace stippon {

// Shows the wait cursor for the lifetime of the guard, whichever way the scope is left.
class _busy_cursor {
 public:
  _busy_cursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~_busy_cursor() { QApplication::restoreOverrideCursor(); }
  _busy_cursor(const _busy_cursor&) = delete;
  _busy_cursor& operator=(const _busy_cursor&) = delete;
};

}  // namespace stippon
