// The data files of the controller: the dot sheets and the tone ramps, read from the working
// directory, and the messages that name what is missing.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "controller/controller.h"
#include "controller/failure.h"
#include "tones/tone_table.h"

namespace stippon {

namespace {

QString full_path(const std::string& folder, const std::string& relative) {
  const QDir data(QFile::decodeName(QByteArray::fromStdString(folder)));
  return QDir::cleanPath(
      QDir::current().absoluteFilePath(data.filePath(QString::fromStdString(relative))));
}

}  // namespace

void _controller::report(const _failure& failure) {
  emit message(failure.title(), failure.text());
}

bool _controller::read_dots(const std::string& folder) {
  std::printf("Reading dots files\n");
  std::fflush(stdout);
  if (doc.load_dots(folder)) return true;
  report({failure_data, full_path(folder, "dots"),
          tr("the fifteen dot sheets dots_4_1200.pgm to dots_8_300.pgm must all be there, as "
             "PGM pictures Stippon can read")});
  return false;
}

bool _controller::read_tones(const std::string& folder) {
  if (!doc.load_tones(folder)) {
    const QString file = full_path(".", tone_path(folder, 0));
    report(
        {failure_data, file,
         QFileInfo::exists(file) ? tr("not a PNG picture Stippon can read") : tr("no such file")});
    return false;
  }
  QStringList missing;
  for (int tone = 1; tone < TONE_COUNT; ++tone)
    if (doc.tone_ramp(tone).width == 0) missing << full_path(".", tone_path(folder, tone));
  if (!missing.isEmpty())
    report({failure_data, missing.join(", "),
            tr("not PNG pictures Stippon can read; their tones are not available")});
  return true;
}

}  // namespace stippon
