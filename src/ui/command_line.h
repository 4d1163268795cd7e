#pragma once

#include <QString>
#include <QStringList>

namespace stippon {

// The desktop program's command line: stippon [--data DIR] [FILE], --help, --version. It is read
// twice: before the application object exists, so that --help and --version need no display, and
// after it has taken away Qt's own options (-platform and the like).
class _command_line {
 public:
  enum _request { request_open, request_help, request_version, request_error };

  // The arguments with the program's name first, as QCoreApplication::arguments() gives them.
  explicit _command_line(const QStringList& arguments);

  _request request() const { return asked; }
  // --data, empty when not given.
  const QString& data_folder() const { return data; }
  // The file to open at start, empty when none.
  const QString& file() const { return file_name; }
  // What was wrong, for request_error.
  const QString& error() const { return problem; }
  // True when an option was not recognised: before the application object has taken away its
  // own options (-platform, -style ...), that may not be a mistake.
  bool unknown_option() const { return unknown; }

  static QString usage();

 private:
  _request asked = request_open;
  QString data;
  QString file_name;
  QString problem;
  bool unknown = false;
};

}  // namespace stippon
