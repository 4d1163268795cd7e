// The File menu's commands: open (also from the recent list), link (with its poll) and save.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <chrono>
#include <cstdio>

#include "controller/controller.h"
#include "files/file_access.h"
#include "photo/photo_reader.h"
#include "print/print_format.h"
#include "ui/busy_cursor.h"
#include "ui/picture_view.h"
#include "ui/status_line.h"
#include "ui/window.h"

namespace stippon {

namespace {

const int LINK_POLL_MS = 1000;
const int LINK_RETRIES = 3;
// 300 pixels per inch, as PNG's pHYs chunk stores it.
const char* const DEFAULT_SAVE_SUFFIX = "png";

// Sets a flag for the lifetime of the guard.
class _busy_flag {
 public:
  explicit _busy_flag(bool& flag) : flag(flag), was(flag) { flag = true; }
  ~_busy_flag() { flag = was; }
  _busy_flag(const _busy_flag&) = delete;
  _busy_flag& operator=(const _busy_flag&) = delete;

 private:
  bool& flag;
  bool was;
};

std::string local_name(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Why a file could not be written: what is wrong with its folder, else what the system said,
// else the general reason.
QString write_reason(const QString& name, const QString& system_reason) {
  const QFileInfo folder(QFileInfo(name).absolutePath());
  if (folder.exists() && !folder.isDir())
    return QCoreApplication::translate("stippon::_window", "%1 is not a folder")
        .arg(folder.filePath());
  if (!folder.exists())
    return QCoreApplication::translate("stippon::_window", "the folder %1 does not exist")
        .arg(folder.filePath());
  if (!folder.isWritable())
    return QCoreApplication::translate("stippon::_window", "the folder %1 is not writable")
        .arg(folder.filePath());
  return system_reason;
}

// The writer's reason without its "Cannot write <file>: " head: the box names the file itself.
QString writer_reason(const std::string& error) {
  const QString text = QString::fromStdString(error);
  const int colon = text.lastIndexOf(": ");
  return colon < 0 ? text : text.mid(colon + 2);
}

}  // namespace

// Only proves that the file can be opened; the controller reads the image itself.
bool _window::can_read(const QString& name) {
  QFile file(name);
  if (file.open(QFile::ReadOnly)) return true;
  report({failure_reading, name, file.errorString()});
  return false;
}

QString _window::dialog_folder(const QString& fallback) const {
  const QString folder = kept.last_folder();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

bool _window::load_image(const QString& name, bool fresh) {
  _busy_flag guard(busy);
  const auto start = std::chrono::steady_clock::now();
  bool read = false;
  {
    _busy_cursor cursor;
    read = controller_->read(local_name(name));
  }
  const QString file_name = QFileInfo(name).fileName();
  if (!read) {
    status->show_done(tr("Could not read %1").arg(file_name));
    // A linked file read again may be caught half-written: its poll decides when to tell.
    if (fresh) {
      report(
          {failure_reading, name, QString::fromStdString(controller_->document().read_failure())});
    }
    return false;
  }
  // Panels, saving and the view's commands stay available from the first image on.
  tab_widget->setEnabled(true);
  save_action->setEnabled(true);
  for (QAction* action : view_menu->actions()) action->setEnabled(true);
  setWindowFilePath(name);
  setWindowTitle(tr("%1 \u2014 Stippon").arg(file_name));
  status->show_file(name);
  if (fresh) {
    view_->fit_all();
    const QFileInfo info(name);
    kept.add_recent_file(info.absoluteFilePath());
    kept.set_last_folder(info.absolutePath());
    fill_recent_menu();
  }
  const _image& input = controller_->document().input();
  status->show_done(done_text(fresh ? tr("Opened") : tr("Read again"), name, input.width,
                              input.height, seconds_since(start)),
                    name);
  show_print_status();
  return true;
}

void _window::open_named(const QString& name) {
  open(name);
}

bool _window::open(const QString& name) {
  // Any open command, even a cancelled one, ends the watching of a linked file.
  if (link_timer) link_timer->stop();
  if (name.isEmpty() || !can_read(name)) return false;
  linked_file_name = local_name(name);
  return load_image(name, true);
}

QString _window::save_folder() const {
  const QString folder = images_folder();
  return QFileInfo(folder).isWritable() ? folder : QString();
}

void _window::open_file() {
  open_named(ask_open_file_name(tr("Open File"), dialog_folder(images_folder()),
                                QString::fromUtf8(PHOTO_FILE_FILTER)));
}

void _window::link_file() {
  const QString name = ask_open_file_name(tr("Link File"), dialog_folder(images_folder()),
                                          QString::fromUtf8(PHOTO_FILE_FILTER));
  if (name.isEmpty() || !can_read(name)) return;
  linked_file_name = local_name(name);
  load_image(name, true);
  // Poll even when this first read failed: the other program may still be writing the file.
  if (!link_timer) {
    link_timer = new QTimer(this);
    connect(link_timer, &QTimer::timeout, this, &_window::check_linked_file);
  }
  link_timer->start(LINK_POLL_MS);
}

void _window::check_linked_file() {
  // A tick that arrives while a file is read or saved (their dialogs run the event loop) must
  // not rebuild the images under them; the next tick sees the change.
  if (!link_timer || !link_timer->isActive() || busy) return;
  const QString name = QFile::decodeName(QByteArray::fromStdString(linked_file_name));
  const QFileInfo info(name);
  if (!info.isFile()) return;
  const QDateTime modified = info.lastModified();
  if (modified == linked_modified) return;
  linked_modified = modified;
  if (load_image(name, false)) return;
  // A file caught half-written fails to read: forget its time so that a later tick retries. One
  // that keeps failing with the same time stamp is reported once and left alone until it
  // changes, so that its message does not come back every second.
  if (modified != linked_failed_time) {
    linked_failed_time = modified;
    linked_failures = 0;
  }
  if (++linked_failures < LINK_RETRIES) {
    linked_modified = QDateTime();
    return;
  }
  report({failure_reading, name, QString::fromStdString(controller_->document().read_failure())});
}

bool _window::save_file() {
  if (!controller_->loaded()) return false;
  const _document_settings& settings = controller_->settings();
  // A PGM holds grey samples only: said where the format is chosen.
  const QString pgm_filter =
      settings.tone != 0 ? tr("PGM image, grey without the tone (*.pgm)") : tr("PGM image (*.pgm)");
  const QString filters =
      tr("PNG image (*.png);;TIFF image (*.tif *.tiff);;PDF document (*.pdf);;") + pgm_filter +
      tr(";;SVG drawing for plotters (*.svg)");
  for (;;) {
    QString name = ask_save_file_name(tr("Save File"), suggested_save_name(), filters);
    if (name.isEmpty()) return false;
    if (QFileInfo(name).suffix().isEmpty()) name += "." + QString(DEFAULT_SAVE_SUFFIX);
    const bool svg = QFileInfo(name).suffix().compare("svg", Qt::CaseInsensitive) == 0;
    if (!svg && !print_format_of(local_name(name))) {
      warn(tr("Warning"), tr("The file must be of type .png, .tif, .tiff, .pdf, .pgm or .svg"));
      continue;
    }
    if (!linked_file_name.empty() && same_file(linked_file_name, local_name(name))) {
      report(
          {failure_writing, name, tr("it is the photograph being printed; choose another name")});
      return false;
    }
    return svg ? save_svg(name) : save_print(name);
  }
}

// The stippled picture's dots as a drawing: the dots' own shapes, circles or pen touches.
bool _window::save_svg(const QString& name) {
  const std::optional<_svg_dots> dots = ask_svg_dots();
  if (!dots) return false;
  _svg_options options;
  options.dots = *dots;
  size_t drawn = 0;
  return write_file(
      name,
      [&](const _band_progress& progress) -> _print_result {
        const _svg_result result = controller_->write_svg(local_name(name), options, progress);
        drawn = result.dots;
        return result;
      },
      // A drawing has a page and dots, not pixels.
      [&drawn](const _print_result& page) { return drawing_text(page.width, page.height, drawn); });
}

// "<photo>_<ppi>ppi.png" in the folder of the last save or open.
QString _window::suggested_save_name() const {
  const int ppi = VECRES[controller_->settings().resolution()];
  const QString photo =
      QFileInfo(QFile::decodeName(QByteArray::fromStdString(linked_file_name))).completeBaseName();
  const QString file = QString("%1_%2ppi.%3").arg(photo).arg(ppi).arg(DEFAULT_SAVE_SUFFIX);
  const QString folder = dialog_folder(save_folder());
  return folder.isEmpty() ? file : QDir(folder).filePath(file);
}

// At 300 ppi the picture on screen, tone and colour included (a PGM: the grey image shown last);
// at 600 and 1200 ppi the stippled print, or the colour-stippled one while it is on, drawn in
// bands and written as they are made.
bool _window::save_print(const QString& name) {
  const _document_settings& settings = controller_->settings();
  const _resolution_position position = settings.resolution();
  const bool pgm = *print_format_of(local_name(name)) == _print_format::pgm;
  int picture = pgm ? controller_->grey_image() : controller_->picture_image();
  if (position != resolution_300)
    picture = settings.colour_stippling && !pgm ? list_color_stippling : list_stippling;
  const bool toned = settings.tone != 0;
  return write_file(
      name,
      [&](const _band_progress& progress) {
        return controller_->write_print(local_name(name), position, picture, toned, progress);
      },
      [](const _print_result& print) { return pixels_text(print.width, print.height); });
}

// A save with its progress dialog, whose Cancel leaves no file behind; the status bar or a box
// then says what became of the file.
bool _window::write_file(const QString& name,
                         const std::function<_print_result(const _band_progress&)>& write,
                         const std::function<QString(const _print_result&)>& what) {
  _busy_flag guard(busy);
  const auto start = std::chrono::steady_clock::now();
  QProgressDialog progress(tr("Saving file..."), tr("Cancel"), 0, 100, this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  _print_result result;
  {
    _busy_cursor cursor;
    result = write([&progress](unsigned done, unsigned total) {
      progress.setValue(int(uint64_t(done) * 100 / std::max(total, 1u)));
      QApplication::processEvents();
      return !progress.wasCanceled();
    });
  }
  const bool cancelled = progress.wasCanceled();
  if (!cancelled) progress.setValue(progress.maximum());
  const double seconds = seconds_since(start);
  std::printf("CPU time=%f\n", seconds);
  std::fflush(stdout);
  if (result.written) {
    status->show_done(done_text(tr("Saved"), name, what(result), seconds), name);
    kept.set_last_folder(QFileInfo(name).absolutePath());
    return true;
  }
  if (cancelled)
    status->show_done(tr("Saving %1 cancelled").arg(QFileInfo(name).fileName()));
  else
    report({failure_writing, name, write_reason(name, writer_reason(result.error))});
  return false;
}

}  // namespace stippon
