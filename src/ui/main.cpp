#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSurfaceFormat>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "document/data_location.h"
#include "ui/command_line.h"
#include "ui/window.h"

namespace {

const int EXIT_USAGE = 2;

// Answers --help, --version and bad usage on the terminal. True when the program should end then,
// with `status`.
bool answered(const stippon::_command_line& line, int& status) {
  using stippon::_command_line;
  switch (line.request()) {
    case _command_line::request_help:
      std::fputs(qPrintable(_command_line::usage()), stdout);
      status = EXIT_SUCCESS;
      return true;
    case _command_line::request_version:
      std::printf("stippon %s\n", STIPPON_VERSION);
      status = EXIT_SUCCESS;
      return true;
    case _command_line::request_error:
      std::fprintf(stderr, "stippon: %s\nTry 'stippon --help'.\n", qPrintable(line.error()));
      status = EXIT_USAGE;
      return true;
    case _command_line::request_open:
      break;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace stippon;
  int status = EXIT_SUCCESS;
  // Answered before the application object exists, --help, --version and mistakes need no
  // display. An unknown option may be one of Qt's own: the second reading decides.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const _command_line early(arguments);
  if (!early.unknown_option() && answered(early, status)) return status;

  // The view draws with the fixed-function pipeline: ask for a compatibility context before the
  // application object creates any.
  QSurfaceFormat format;
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  QSurfaceFormat::setDefaultFormat(format);

  QApplication application(argc, argv);
  // Names the user's configuration folder, where the preferences go when the working directory
  // is not writable.
  QApplication::setApplicationName("Stippon");
  QApplication::setApplicationVersion(STIPPON_VERSION);
  // Lets the desktop match the window to its entry and icon.
  QGuiApplication::setDesktopFileName("stippon");
  const _command_line line(QApplication::arguments());
  if (answered(line, status)) return status;

  const _data_location data =
      _data_location::find(QFile::encodeName(line.data_folder()).toStdString());
  if (!data.found()) {
    // Said on the terminal too, for a start from a shell or a script.
    std::fprintf(stderr, "stippon: %s\n", data.report().c_str());
    QMessageBox::critical(nullptr, QObject::tr("Stippon"),
                          QObject::tr("Stippon cannot start: %1")
                              .arg(QFile::decodeName(QByteArray::fromStdString(data.report()))));
    return EXIT_FAILURE;
  }
  _window window(data.folder());
  window.setVisible(true);
  // Read once the window is up, so that it shows while a large file is read.
  if (!line.file().isEmpty())
    QTimer::singleShot(0, &window, [&window, &line] { window.open(line.file()); });
  return application.exec();
}
