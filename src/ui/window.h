#pragma once

#include <QAction>
#include <QDateTime>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "controller/failure.h"
#include "document/stipple_document.h"
#include "document/svg_options.h"
#include "stipple/output.h"
#include "ui/preferences.h"

namespace stippon {

class _controller;
class _general_tab;
class _images_tab;
class _picture_view;
class _status_line;

// The main window: the framed view, the panels' tab widget, the File, Edit and View menus and
// the status bar. It makes the controller, the view and the panels and wires them together;
// the controller's messages become its boxes.
class _window : public QMainWindow {
  Q_OBJECT

 public:
  // The window's size when nothing is remembered, unless the screen is smaller.
  static constexpr int DEFAULT_WIDTH = 1000;
  static constexpr int DEFAULT_HEIGHT = 900;
  // The smallest size at which the panel and the status bar stay readable, unless the screen
  // is smaller.
  static constexpr int MIN_WIDTH = 960;
  static constexpr int MIN_HEIGHT = 600;

  QTabWidget* tab_widget = nullptr;
  QTimer* link_timer = nullptr;
  QDateTime linked_modified;
  QFrame* view_frame = nullptr;
  std::string linked_file_name;
  std::unique_ptr<_status_line> status;

  QMenu* file_menu = nullptr;
  QMenu* recent_menu = nullptr;
  QAction* open_action = nullptr;
  QAction* link_action = nullptr;
  QAction* save_action = nullptr;
  QAction* exit_action = nullptr;
  QMenu* edit_menu = nullptr;
  QAction* undo_action = nullptr;
  QAction* redo_action = nullptr;
  QMenu* view_menu = nullptr;
  QAction* fit_action = nullptr;
  QAction* pixels_action = nullptr;
  QAction* actual_size_action = nullptr;
  QAction* zoom_in_action = nullptr;
  QAction* zoom_out_action = nullptr;

  // File dialogs and warning boxes wait for the user; tests replace these hooks. The name
  // hooks take (caption, directory, filter) and return an empty name for a cancelled dialog.
  std::function<QString(const QString&, const QString&, const QString&)> ask_open_file_name;
  std::function<QString(const QString&, const QString&, const QString&)> ask_save_file_name;
  std::function<void(const QString& title, const QString& text)> warn;
  // Which dots an SVG drawing holds; nothing when the choice is cancelled.
  std::function<std::optional<_svg_dots>()> ask_svg_dots;
  // The physical density of the view's screen, in dots per inch of the view's own (device
  // independent) pixels; 0 when it is not known. Tests give their own.
  std::function<double()> screen_density;

  // Reads the remembered window geometry and choices from the preferences.
  // data_folder holds dots/, tones/, icons/ and images/ (see _data_location).
  explicit _window(const std::string& data_folder);
  ~_window() override;

  // Opens a photograph as File > Open does, without the dialog: the file given at start.
  bool open(const QString& name);
  _controller& controller() const { return *controller_; }
  _picture_view* view() const { return view_; }

  // The enlarged-input warning: a red frame around the view and a note in the status bar.
  void set_frame_warning(bool on);
  const _preferences& preferences() const { return kept; }
  void write_settings();
  void read_settings();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A file dropped on the window opens as with File > Open.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private slots:
  void open_file();
  bool save_file();
  void link_file();
  void check_linked_file();

 private:
  _preferences kept;
  _controller* controller_ = nullptr;
  _picture_view* view_ = nullptr;
  _general_tab* general = nullptr;
  _images_tab* images = nullptr;
  // True while a file is read or written: the linked-file poll must not rebuild the images then.
  bool busy = false;
  // A linked file that fails to read is retried a few ticks, then only after it changes again.
  QDateTime linked_failed_time;
  int linked_failures = 0;

  QWidget* build_side_panel();
  void create_actions();
  void create_edit_menu();
  void create_view_menu();
  void connect_parts();
  void fill_recent_menu();
  void report(const _failure& failure);
  // A box that does not wear the busy cursor of the work that waits for it.
  void show_warning(const QString& title, const QString& text);
  void show_print_status();
  // The progress of long recomputations in the status bar, and what a cancel did.
  void connect_work();
  bool can_read(const QString& name);
  // Reads a file as the open commands do; `fresh` for a newly chosen file (fitted view, recent
  // list), not for a linked file read again.
  bool load_image(const QString& name, bool fresh);
  void open_named(const QString& name);
  std::string data_folder;
  QString data_path(const QString& name) const;
  // The folder the file dialogs start in: the sample photographs.
  QString images_folder() const { return data_path("images"); }
  // The sample photographs' folder, unless it is read-only as in an installed copy.
  QString save_folder() const;
  bool save_print(const QString& name);
  bool save_svg(const QString& name);
  QString suggested_save_name() const;
  // `what` says what a written file holds, for the status bar.
  bool write_file(const QString& name,
                  const std::function<_print_result(const _band_progress&)>& write,
                  const std::function<QString(const _print_result&)>& what);
  QString dialog_folder(const QString& fallback) const;
};

}  // namespace stippon
