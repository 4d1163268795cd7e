// The File menu's commands: open (also from the recent list), link (with its poll) and save.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>
#include <chrono>
#include <cstdio>

#include "controller/gl_widget.h"
#include "image/file_pgm.h"
#include "image/q_image.h"
#include "ui/busy_cursor.h"
#include "ui/general_tab.h"
#include "ui/settings_history.h"
#include "ui/status_line.h"
#include "ui/window.h"

namespace stippon {

namespace {

const int LINK_POLL_MS = 1000;
const int LINK_RETRIES = 3;
// 300 pixels per inch, as PNG's pHYs chunk stores it.
const int DOTS_PER_METER_300_PPI = 11811;

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
  // A change still waiting to be recorded belongs to the picture before.
  history->flush();
  const auto start = std::chrono::steady_clock::now();
  bool read = false;
  {
    _busy_cursor cursor;
    read = gl_widget->read_image(local_name(name));
  }
  const QString file_name = QFileInfo(name).fileName();
  if (!read) {
    status->show_done(tr("Could not read %1").arg(file_name));
    // A linked file read again may be caught half-written: its poll decides when to tell.
    if (fresh) {
      report({failure_reading, name, QString::fromStdString(gl_widget->document().read_failure())});
    }
    return false;
  }
  history->take_current();
  // Panels, saving and the view's commands stay available from the first image on.
  tab_widget->setEnabled(true);
  save_action->setEnabled(true);
  for (QAction* action : view_menu->actions()) action->setEnabled(true);
  setWindowFilePath(name);
  setWindowTitle(tr("%1 \u2014 Stippon").arg(file_name));
  status->show_file(name);
  if (fresh) {
    gl_widget->fit_all();
    const QFileInfo info(name);
    kept.add_recent_file(info.absoluteFilePath());
    kept.set_last_folder(info.absolutePath());
    fill_recent_menu();
  }
  const _image& input = gl_widget->document().input();
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
  open_named(ask_open_file_name(tr("Open File"), dialog_folder(images_folder()), tr("Images (*.pgm)")));
}

void _window::link_file() {
  const QString name =
      ask_open_file_name(tr("Link File"), dialog_folder(images_folder()), tr("Images (*.pgm)"));
  if (name.isEmpty() || !can_read(name)) return;
  linked_file_name = local_name(name);
  load_image(name, true);
  // Poll even when this first read failed: the other program may still be writing the file.
  if (!link_timer) {
    link_timer = new QTimer(this);
    connect(link_timer, SIGNAL(timeout()), this, SLOT(check_linked_file()));
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
  report({failure_reading, name, QString::fromStdString(gl_widget->document().read_failure())});
}

bool _window::save_file() {
  if (!gl_widget->image_loaded()) return false;
  for (;;) {
    const _resolution_position position = gl_widget->document().settings().resolution();
    const QString name =
        position == resolution_300
            ? ask_save_file_name(tr("Save File"), dialog_folder(QString()),
                                 tr("Images (*.png);;Images (*.pgm)"))
            : ask_save_file_name(tr("Save File"), dialog_folder(save_folder()), tr("Images (*.pgm)"));
    if (name.isEmpty()) return false;
    if (name.endsWith(".png")) return save_png(name, position);
    if (name.endsWith(".pgm")) return save_pgm(name, position);
    warn(tr("Warning"), tr("The file must be of type .pgm or .png"));
  }
}

void _window::note_saved(const QString& name, unsigned width, unsigned height, double seconds) {
  status->show_done(done_text(tr("Saved"), name, width, height, seconds), name);
  kept.set_last_folder(QFileInfo(name).absolutePath());
}

// The picture on screen, tone and colour included, at 300 ppi.
bool _window::save_png(const QString& name, _resolution_position position) {
  // Beyond 300 ppi the controller has already warned that no PNG can be made.
  const _texture* texture = gl_widget->texture(position);
  if (!texture) return false;
  _busy_flag guard(busy);
  const auto start = std::chrono::steady_clock::now();
  QSaveFile file(name);
  bool opened = false, written = false;
  {
    _busy_cursor cursor;
    _q_image image(*texture);
    image.setDotsPerMeterX(DOTS_PER_METER_300_PPI);
    image.setDotsPerMeterY(DOTS_PER_METER_300_PPI);
    // Written under a temporary name and renamed: a failed write keeps any older file.
    opened = file.open(QIODevice::WriteOnly);
    written = opened && image.save(&file, "PNG", 100) && file.commit();
  }
  if (written) {
    note_saved(name, texture->width, texture->height, seconds_since(start));
    return true;
  }
  // Only a refused open has words of its own; a failed write says "Unknown error".
  report({failure_writing, name, write_reason(name, opened ? QString() : file.errorString())});
  return false;
}

bool _window::save_pgm(const QString& name, _resolution_position position) {
  _busy_flag guard(busy);
  const auto start = std::chrono::steady_clock::now();
  const _image* image = nullptr;
  {
    _busy_cursor cursor;
    image = gl_widget->selected_image(position);
  }
  if (!image) return false;

  QProgressDialog progress(tr("Saving file..."), QString(), 0, int(image->height), this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  _file_pgm file;
  // Closing the dialog cancels the write, which then keeps any older file.
  file.on_progress = [&progress](unsigned done, unsigned) {
    progress.setValue(int(done));
    QApplication::processEvents();
    return !progress.wasCanceled();
  };
  int written = 0;
  {
    _busy_cursor cursor;
    written = file.write(local_name(name), *image);
  }
  const bool cancelled = progress.wasCanceled();
  if (!cancelled) progress.setValue(progress.maximum());
  const double seconds = seconds_since(start);
  std::printf("CPU time=%f\n", seconds);
  std::fflush(stdout);
  const unsigned width = image->width, height = image->height;
  gl_widget->release_image(position);

  if (written == 1) {
    note_saved(name, width, height, seconds);
    return true;
  }
  if (cancelled) {
    status->show_done(tr("Saving %1 cancelled").arg(QFileInfo(name).fileName()));
  } else {
    report({failure_writing, name, write_reason(name, QString())});
  }
  return false;
}

}  // namespace stippon
