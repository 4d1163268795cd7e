// The File menu's commands: open, link (with its poll) and save.
#include <QApplication>
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

}  // namespace

// Only proves that the file can be opened; the controller reads the image itself.
bool _window::can_read(const QString& name) {
  QFile file(name);
  if (file.open(QFile::ReadOnly | QFile::Text)) return true;
  // Both arguments in one call: a '%2' inside the file name must not be replaced.
  warn(tr("Application"), tr("Cannot read file %1:\n%2.").arg(name, file.errorString()));
  return false;
}

bool _window::load_image(const std::string& file_name) {
  _busy_flag guard(busy);
  _busy_cursor cursor;
  if (!gl_widget->read_image(file_name)) return false;
  // Panels and saving stay available from the first image on, whatever happens later.
  tab_widget->setEnabled(true);
  save_action->setEnabled(true);
  return true;
}

void _window::open_file() {
  const QString name = ask_open_file_name(tr("Open File"), images_folder(), tr("Images (*.pgm)"));
  // Any open command, even a cancelled one, ends the watching of a linked file.
  if (link_timer) link_timer->stop();
  if (!name.isEmpty()) open(name);
}

bool _window::open(const QString& name) {
  if (link_timer) link_timer->stop();
  if (!can_read(name)) return false;
  linked_file_name = local_name(name);
  return load_image(linked_file_name);
}

void _window::link_file() {
  const QString name = ask_open_file_name(tr("Link File"), images_folder(), tr("Images (*.pgm)"));
  if (name.isEmpty() || !can_read(name)) return;
  linked_file_name = local_name(name);
  load_image(linked_file_name);
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
  const QFileInfo info(QFile::decodeName(QByteArray::fromStdString(linked_file_name)));
  if (!info.isFile()) return;
  const QDateTime modified = info.lastModified();
  if (modified == linked_modified) return;
  linked_modified = modified;
  if (load_image(linked_file_name)) return;
  // A file caught half-written fails to read: forget its time so that a later tick retries. One
  // that keeps failing with the same time stamp is left alone until it changes, so that its
  // message does not come back every second.
  if (modified != linked_failed_time) {
    linked_failed_time = modified;
    linked_failures = 0;
  }
  if (++linked_failures < LINK_RETRIES) linked_modified = QDateTime();
}

// The sample photographs' folder, unless it is read-only as in an installed copy; then the
// dialog's own choice, the working directory.
QString _window::save_folder() const {
  const QString folder = images_folder();
  return QFileInfo(folder).isWritable() ? folder : QString();
}

bool _window::save_file() {
  if (!gl_widget->image_loaded()) return false;
  for (;;) {
    const _resolution_position position = gl_widget->document().settings().resolution();
    const QString name =
        position == resolution_300
            ? ask_save_file_name(tr("Save File"), QString(), tr("Images (*.png);;Images (*.pgm)"))
            : ask_save_file_name(tr("Save File"), save_folder(), tr("Images (*.pgm)"));
    if (name.isEmpty()) return false;
    if (name.endsWith(".png")) return save_png(name, position);
    if (name.endsWith(".pgm")) return save_pgm(name, position);
    warn(tr("Warning"), tr("The file must be of type .pgm or .png"));
  }
}

// The picture on screen, tone and colour included, at 300 ppi.
bool _window::save_png(const QString& name, _resolution_position position) {
  // Beyond 300 ppi the controller has already warned that no PNG can be made.
  const _texture* texture = gl_widget->texture(position);
  if (!texture) return false;
  _busy_flag guard(busy);
  _busy_cursor cursor;
  _q_image image(*texture);
  image.setDotsPerMeterX(DOTS_PER_METER_300_PPI);
  image.setDotsPerMeterY(DOTS_PER_METER_300_PPI);
  // Written under a temporary name and renamed: a failed write keeps any older file.
  QSaveFile file(name);
  if (file.open(QIODevice::WriteOnly) && image.save(&file, "PNG", 100) && file.commit()) {
    return true;
  }
  warn(tr("Warning"), tr("Cannot write file %1.").arg(name));
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
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("CPU time=%f\n", elapsed.count());
  std::fflush(stdout);
  gl_widget->release_image(position);

  if (written == 1) return true;
  if (!cancelled) warn(tr("Warning"), tr("Cannot write file %1.").arg(name));
  return false;
}

}  // namespace stippon
