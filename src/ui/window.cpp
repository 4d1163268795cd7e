#include "ui/window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QSettings>

#include "controller/gl_widget.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"

namespace stippon {

namespace {
const char* const SETTINGS_FILE = "mottle.ini";
const int PANEL_MAX_WIDTH = 220;
const int DEFAULT_WIDTH = 1000;
const int DEFAULT_HEIGHT = 900;
const char* const APP_ICON_FILES[] = {"icons/stippon_48.png", "icons/stippon_256.png"};
}  // namespace

_window::_window(const std::string& data_folder) : data_folder(data_folder) {
  ask_open_file_name = [this](const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(this, caption, dir, filter);
  };
  ask_save_file_name = [this](const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getSaveFileName(this, caption, dir, filter);
  };
  warn = [this](const QString& title, const QString& text) {
    QMessageBox::warning(this, title, text, QMessageBox::Ok);
  };

  auto* central = new QWidget(this);

  view_frame = new QFrame;
  view_frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // A plain outline in the window-text colour, which set_frame_warning turns red.
  view_frame->setFrameStyle(QFrame::Panel | QFrame::Plain);
  view_frame->setLineWidth(3);
  auto* frame_layout = new QHBoxLayout;
  frame_layout->setContentsMargins(1, 1, 1, 1);

  gl_widget = new _gl_widget(this, view_frame);
  gl_widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  frame_layout->addWidget(gl_widget);
  view_frame->setLayout(frame_layout);

  tab_widget = new QTabWidget(central);
  tab_widget->setEnabled(false);
  tab_widget->addTab(gl_widget->general_tab(), tr("General"));
  tab_widget->addTab(gl_widget->images_tab(), tr("Images"));
  tab_widget->setMaximumWidth(PANEL_MAX_WIDTH);

  auto* layout = new QHBoxLayout;
  layout->setSpacing(10);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->addWidget(view_frame);
  layout->addWidget(tab_widget);
  central->setLayout(layout);
  setCentralWidget(central);

  create_actions();
  setWindowTitle(tr("Stippon"));
  QIcon icon;
  for (const char* file : APP_ICON_FILES) icon.addFile(data_path(file));
  setWindowIcon(icon);

  gl_widget->read_dots(data_folder);
  gl_widget->read_tones(data_folder);

  resize(DEFAULT_WIDTH, DEFAULT_HEIGHT);
}

_window::~_window() = default;

QString _window::data_path(const QString& name) const {
  return QDir(QFile::decodeName(QByteArray::fromStdString(data_folder))).filePath(name);
}

void _window::create_actions() {
  open_action =
      new QAction(QIcon(data_path("icons/fileopen.png")), tr("&Open input file normally"), this);
  open_action->setShortcuts(QKeySequence::Open);
  open_action->setToolTip(tr("Open a file"));
  connect(open_action, SIGNAL(triggered()), this, SLOT(open_file()));

  link_action = new QAction(QIcon(data_path("icons/fileopen.png")),
                            tr("&Link to input file that is open elsewhere"), this);
  link_action->setToolTip(
      tr("Links an input file, whichs allows to work with a live version of the input file"));
  connect(link_action, SIGNAL(triggered()), this, SLOT(link_file()));

  save_action = new QAction(QIcon(data_path("icons/filesave.png")),
                            tr("&Save resulting stipple image "), this);
  save_action->setShortcuts(QKeySequence::Save);
  save_action->setToolTip(tr("Save a file"));
  // Nothing to save until an image has been read.
  save_action->setEnabled(false);
  connect(save_action, SIGNAL(triggered()), this, SLOT(save_file()));

  exit_action = new QAction(QIcon(data_path("icons/exit.png")), tr("&Exit..."), this);
  exit_action->setShortcut(QKeySequence(tr("Ctrl+Q")));
  exit_action->setToolTip(tr("Exit the application"));
  connect(exit_action, SIGNAL(triggered()), this, SLOT(close()));

  file_menu = menuBar()->addMenu(tr("&File"));
  file_menu->addAction(open_action);
  file_menu->addAction(link_action);
  file_menu->addSeparator();
  file_menu->addAction(save_action);
  file_menu->addSeparator();
  file_menu->addAction(exit_action);
  file_menu->setAttribute(Qt::WA_AlwaysShowToolTips);
  file_menu->setToolTipsVisible(true);
}

void _window::set_frame_warning(bool on) {
  QPalette palette;
  palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(on ? Qt::red : Qt::black));
  view_frame->setPalette(palette);
}

void _window::write_settings() {
  QSettings settings(SETTINGS_FILE, QSettings::IniFormat);
  settings.setValue("width", width());
  settings.setValue("height", height());
  settings.setValue("pos_x", x());
  settings.setValue("pos_y", y());
}

void _window::read_settings() {
  QSettings settings(SETTINGS_FILE, QSettings::IniFormat);
  const int w = settings.value("width", DEFAULT_WIDTH).toInt();
  const int h = settings.value("height", DEFAULT_HEIGHT).toInt();
  const int pos_x = settings.value("pos_x", 0).toInt();
  const int pos_y = settings.value("pos_y", 0).toInt();
  resize(w, h);
  move(pos_x, pos_y);
}

void _window::closeEvent(QCloseEvent* event) {
  write_settings();
  event->accept();
}

}  // namespace stippon
