#pragma once

#include <QAction>
#include <QDateTime>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <string>

#include "stipple/output.h"

namespace stippon {

class _gl_widget;

// The main window: the framed view, the panels' tab widget and the File menu.
class _window : public QMainWindow {
  Q_OBJECT

 public:
  _gl_widget* gl_widget = nullptr;
  QTabWidget* tab_widget = nullptr;
  QTimer* link_timer = nullptr;
  QDateTime linked_modified;
  QFrame* view_frame = nullptr;
  std::string linked_file_name;

  QMenu* file_menu = nullptr;
  QAction* open_action = nullptr;
  QAction* link_action = nullptr;
  QAction* save_action = nullptr;
  QAction* exit_action = nullptr;

  // File dialogs and warning boxes wait for the user; tests replace these hooks. The name
  // hooks take (caption, directory, filter) and return an empty name for a cancelled dialog.
  std::function<QString(const QString&, const QString&, const QString&)> ask_open_file_name;
  std::function<QString(const QString&, const QString&, const QString&)> ask_save_file_name;
  std::function<void(const QString& title, const QString& text)> warn;

  // data_folder holds dots/, tones/, icons/ and images/ (see _data_location).
  explicit _window(const std::string& data_folder);
  ~_window() override;

  // Opens a photograph as File > Open does, without the dialog: the file given at start.
  bool open(const QString& name);

  void set_frame_warning(bool on);
  void write_settings();
  void read_settings();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void open_file();
  bool save_file();
  void link_file();
  void check_linked_file();

 private:
  // True while a file is read or written: the linked-file poll must not rebuild the images then.
  bool busy = false;
  // A linked file that fails to read is retried a few ticks, then only after it changes again.
  QDateTime linked_failed_time;
  int linked_failures = 0;

  std::string data_folder;

  QString data_path(const QString& name) const;
  // The folder the file dialogs start in: the sample photographs.
  QString images_folder() const { return data_path("images"); }
  QString save_folder() const;
  void create_actions();
  bool can_read(const QString& name);
  bool load_image(const std::string& file_name);
  bool save_png(const QString& name, _resolution_position position);
  bool save_pgm(const QString& name, _resolution_position position);
};

}  // namespace stippon
