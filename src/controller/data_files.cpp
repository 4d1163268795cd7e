// The data files of the controller: the dot sheets and the tone ramps, read from the working
// directory, and the boxes that name what is missing.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "controller/gl_widget.h"
#include "tones/tone_table.h"
#include "ui/failure.h"

namespace stippon {

namespace {

QString full_path(const std::string& folder, const std::string& relative) {
  const QDir data(QFile::decodeName(QByteArray::fromStdString(folder)));
  return QDir::cleanPath(QDir::current().absoluteFilePath(data.filePath(QString::fromStdString(relative))));
}

}  // namespace

void _gl_widget::report(const _failure& failure) {
  show_message(QMessageBox::Warning, failure.title(), failure.text());
}

void _gl_widget::read_dots(const std::string& folder) {
  std::printf("Reading dots files\n");
  std::fflush(stdout);
  if (doc.load_dots(folder)) return;
  report({failure_data, full_path(folder, "dots"),
          tr("the fifteen dot sheets dots_4_1200.pgm to dots_8_300.pgm must all be there, as "
             "PGM pictures Stippon can read")});
  std::exit(-1);
}

void _gl_widget::read_tones(const std::string& folder) {
  if (!doc.load_tones(folder)) {
    const QString file = full_path(".", tone_path(folder, 0));
    report(
        {failure_data, file,
         QFileInfo::exists(file) ? tr("not a PNG picture Stippon can read") : tr("no such file")});
    std::exit(-1);
  }
  QStringList missing;
  for (int tone = 1; tone < TONE_COUNT; ++tone)
    if (doc.tone_ramp(tone).width == 0) missing << full_path(".", tone_path(folder, tone));
  if (!missing.isEmpty())
    report({failure_data, missing.join(", "),
            tr("not PNG pictures Stippon can read; their tones are not available")});
}

}  // namespace stippon
