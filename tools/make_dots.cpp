// Makes the fifteen dot sheets of the library from a fixed seed: running it again gives the same
// files byte for byte. Usage: make_dots [folder], default "./dots" (run it from data/).
#include <cstdio>
#include <string>

#include <QDir>
#include <QFile>

#include "stipple/dot_sheet_recipe.h"

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "./dots";
  if (!QDir().mkpath(QFile::decodeName(folder.c_str()))) {
    std::fprintf(stderr, "make_dots: cannot create the folder %s\n", folder.c_str());
    return 1;
  }
  const std::string error = stippon::write_dot_sheets(folder, [](const std::string& name) {
    const QString path = QDir(QFile::decodeName(name.c_str())).absolutePath();
    std::printf("Wrote %s\n", QFile::encodeName(QDir::cleanPath(path)).constData());
  });
  if (error.empty()) return 0;
  std::fprintf(stderr, "make_dots: %s\n", error.c_str());
  return 1;
}
