#pragma once

#include <QString>

namespace stippon {

// What the program was doing when a file let it down.
enum _failure_kind { failure_reading, failure_writing, failure_data };

// A failure as the user is told of it: the file and the reason, in a box. Every failure box of
// the window takes its words from here, so that a reader's own reason reads like the rest.
struct _failure {
  _failure_kind kind = failure_reading;
  QString file;    // as the user chose it, or the full path of a data file
  QString reason;  // the reader's or the system's words; empty for the kind's general reason

  QString title() const;
  QString text() const;
};

}  // namespace stippon
