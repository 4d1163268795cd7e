#include "ui/status_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "document/stipple_document.h"

namespace stippon {

namespace {

QString tr(const char* text) {
  return QCoreApplication::translate("stippon::_status_line", text);
}

const QChar TIMES(0x00D7);
// The progress bar counts thousandths, as the document's runs report them.
constexpr int WORK_WHOLE = 1000;
constexpr int WORK_BAR_WIDTH = 160;

// The panel's own conversion, with as many decimals as the unit needs to be read off a ruler.
QString length_text(unsigned width, unsigned height, _output_units units) {
  const int decimals = units == units_inches ? 2 : 1;
  const QString unit = units == units_inches ? tr("in") : tr("mm");
  return QString("%1 %2 %3 %4")
      .arg(from_pixels(width, units), 0, 'f', decimals)
      .arg(TIMES)
      .arg(from_pixels(height, units), 0, 'f', decimals)
      .arg(unit);
}

}  // namespace

QString pixels_text(unsigned width, unsigned height) {
  return QString("%1 %2 %3").arg(width).arg(TIMES).arg(height);
}

_status_line::_status_line(QStatusBar* bar) {
  message = new QLabel;
  note = new QLabel(tr("Enlarged input"));
  note->setStyleSheet("color: red");
  note->setToolTip(
      tr("The red frame: the output needs more pixels than the photograph has, so the photograph "
         "is enlarged and the print may look softer.\nChoose a smaller size or a lower packing, "
         "or open a larger original."));
  note->setVisible(false);
  file = new QLabel;
  size = new QLabel;
  zoom = new QLabel;
  work = new QProgressBar;
  work->setRange(0, WORK_WHOLE);
  work->setMaximumWidth(WORK_BAR_WIDTH);
  work->setFormat(tr("Stippling %p%"));
  work->setVisible(false);
  cancel = new QPushButton(tr("Cancel"));
  cancel->setToolTip(tr("Stop and keep the picture as it was"));
  cancel->setVisible(false);
  bar->addWidget(message, 1);
  bar->addWidget(note);
  bar->addWidget(work);
  bar->addWidget(cancel);
  bar->addPermanentWidget(file);
  bar->addPermanentWidget(size);
  bar->addPermanentWidget(zoom);
}

void _status_line::show_done(const QString& text, const QString& path) {
  message->setText(text);
  message->setToolTip(path);
}

void _status_line::take_back(const QString& text) {
  if (message->text() == text) show_done(QString());
}

void _status_line::show_file(const QString& path) {
  file->setText(QFileInfo(path).fileName());
  file->setToolTip(path);
}

void _status_line::show_print(const _stipple_document& doc) {
  if (!doc.loaded()) {
    size->clear();
    return;
  }
  const _document_settings& settings = doc.settings();
  // The size asked for, also while the picture is still being made.
  const unsigned w = doc.planned_preview().width, h = doc.planned_preview().height;
  const int position = settings.resolution();
  const unsigned k = static_cast<unsigned>(output_scale(position));
  const QString print = tr("%1 px at %2 ppi").arg(pixels_text(w * k, h * k)).arg(VECRES[position]);
  // Pixels are counted at the save resolution, as the panel counts them.
  if (settings.output_units == units_pixels) {
    size->setText(print);
    return;
  }
  size->setText(length_text(w, h, settings.output_units) + " \u00B7 " + print);
}

void _status_line::show_zoom(double scale) {
  const double percent = scale * 100.0;
  // Whole percents from 10 up; below, a decimal tells the small zooms apart.
  zoom->setText(percent >= 10.0 ? QString("%1 %").arg(std::lround(percent))
                                : QString("%1 %").arg(percent, 0, 'f', 1));
}

void _status_line::show_enlarged(bool on) {
  note->setVisible(on);
}

void _status_line::show_work(int thousandths, bool cancellable) {
  work->setValue(thousandths);
  work->setVisible(true);
  cancel->setVisible(cancellable);
}

void _status_line::end_work() {
  work->setVisible(false);
  cancel->setVisible(false);
}

QString done_text(const QString& verb, const QString& path, const QString& what, double seconds) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  const QString relative = QDir::current().relativeFilePath(absolute);
  const QString shown = relative.startsWith("..") ? QFileInfo(path).fileName() : relative;
  return QString("%1 %2, %3, in %4 s")
      .arg(verb, QDir::toNativeSeparators(shown), what)
      .arg(seconds, 0, 'f', 1);
}

QString done_text(const QString& verb, const QString& path, unsigned width, unsigned height,
                  double seconds) {
  return done_text(verb, path, pixels_text(width, height), seconds);
}

QString drawing_text(unsigned width, unsigned height, size_t dots) {
  return tr("%1, %2 dots").arg(length_text(width, height, units_millimeters)).arg(dots);
}

}  // namespace stippon
