#pragma once

#include <QDateTime>
#include <QFrame>
#include <QMainWindow>
#include <QTabWidget>
#include <QTimer>
#include <string>

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

  _window();
  ~_window() override;

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
};

}  // namespace stippon
