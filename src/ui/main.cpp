#include <QApplication>
#include <QSurfaceFormat>

#include "ui/window.h"

int main(int argc, char* argv[]) {
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
  stippon::_window window;
  window.setVisible(true);
  return application.exec();
}
