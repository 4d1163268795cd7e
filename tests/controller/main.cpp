// Test entry for the widget tests: they need a QApplication and an OpenGL-capable display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSurfaceFormat>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QSurfaceFormat format;
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  QSurfaceFormat::setDefaultFormat(format);
  QApplication application(argc, argv);
  QApplication::setApplicationName("Stippon");  // as the program names its configuration folder
  return RUN_ALL_TESTS();
}
