#include "ui/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QUrl>
#include <cstdlib>

#include "controller/controller.h"
#include "ui/control_filter.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/picture_view.h"
#include "ui/status_line.h"

namespace stippon {

namespace {

const int PANEL_MAX_WIDTH = 220;
// What the status bar says while it holds: a cancel until a run succeeds, and a colour
// stippling chosen but off until it is on or another picture is chosen.
const char* const CANCELLED_TEXT = QT_TRANSLATE_NOOP("stippon::_window",
                                                     "Cancelled: the picture keeps its previous "
                                                     "settings");
const char* const COLOUR_OFF_TEXT =
    QT_TRANSLATE_NOOP("stippon::_window",
                      "Color stippling is off (Images tab): the grey stippling is shown and saved");
// The first extension a filter such as "TIFF image (*.tif *.tiff)" names.
QString filter_suffix(const QString& filter) {
  const int star = filter.indexOf("*.");
  if (star < 0) return QString();
  const int end = filter.indexOf(QRegularExpression("[ )]"), star);
  return filter.mid(star + 2, end < 0 ? -1 : end - star - 2);
}

const char* const APP_ICON_FILES[] = {"icons/stippon_48.png", "icons/stippon_256.png"};

// A panel in a vertical scroll area, wide enough for the panel and its scroll bar: on a short
// screen the panel keeps its size and scrolls instead of squashing its controls.
QScrollArea* scrolled(QWidget* panel) {
  auto* area = new QScrollArea;
  area->setWidget(panel);
  area->setWidgetResizable(true);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setFrameShape(QFrame::NoFrame);
  area->setMinimumWidth(panel->minimumSizeHint().width() +
                        area->verticalScrollBar()->sizeHint().width());
  return area;
}

}  // namespace

_window::_window(const std::string& data_folder) : data_folder(data_folder) {
  ask_open_file_name = [this](const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(this, caption, dir, filter);
  };
  ask_save_file_name = [this](const QString& caption, const QString& dir, const QString& filter) {
    // A name typed without an extension takes the chosen filter's.
    QFileDialog dialog(this, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(filter_suffix(dialog.selectedNameFilter()));
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& chosen) { dialog.setDefaultSuffix(filter_suffix(chosen)); });
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  ask_svg_dots = [this]() -> std::optional<_svg_dots> {
    const QStringList forms = {tr("Dot shapes"), tr("Circles"), tr("Pen points")};
    bool chosen = false;
    const QString form = QInputDialog::getItem(this, tr("Save as SVG"), tr("Draw the dots as:"),
                                               forms, 0, false, &chosen);
    if (!chosen) return std::nullopt;
    return static_cast<_svg_dots>(forms.indexOf(form));
  };
  warn = [this](const QString& title, const QString& text) { show_warning(title, text); };
  screen_density = [this] {
    const QScreen* where = view_->screen();
    return where != nullptr ? where->physicalDotsPerInch() : 0.0;
  };
  controller_ = new _controller(this);

  auto* central = new QWidget(this);

  view_frame = new QFrame;
  view_frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // A plain outline in the window-text colour, which set_frame_warning turns red.
  view_frame->setFrameStyle(QFrame::Panel | QFrame::Plain);
  view_frame->setLineWidth(3);
  auto* frame_layout = new QHBoxLayout;
  frame_layout->setContentsMargins(1, 1, 1, 1);

  view_ = new _picture_view(view_frame);
  view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // A click on the picture takes the focus, and with it a value being typed in a panel.
  view_->setFocusPolicy(Qt::ClickFocus);
  view_->set_hint(tr("Open a photograph (Ctrl+O) or drop one here") + "\n\n" +
                  tr("JPEG, PNG, TIFF, WebP, BMP, GIF, PGM, PPM or PBM"));
  frame_layout->addWidget(view_);
  view_frame->setLayout(frame_layout);

  auto* layout = new QHBoxLayout;
  layout->setSpacing(10);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->addWidget(view_frame);
  layout->addWidget(build_side_panel());
  central->setLayout(layout);
  setCentralWidget(central);

  status = std::make_unique<_status_line>(statusBar());
  create_actions();
  create_edit_menu();
  create_view_menu();
  setWindowTitle(tr("Stippon"));
  setAcceptDrops(true);
  connect_parts();
  connect_work();

  QIcon icon;
  for (const char* file : APP_ICON_FILES) icon.addFile(data_path(file));
  setWindowIcon(icon);

  // Without the dot sheets or the first tone the program cannot work: it ends once the box has
  // named what is missing.
  if (!controller_->read_dots(data_folder) || !controller_->read_tones(data_folder)) std::exit(-1);
  read_settings();
}

_window::~_window() = default;

QString _window::data_path(const QString& name) const {
  return QDir(QFile::decodeName(QByteArray::fromStdString(data_folder))).filePath(name);
}

QWidget* _window::build_side_panel() {
  general = new _general_tab(controller_);
  general->setObjectName(QStringLiteral("general_tab"));
  images = new _images_tab(controller_);
  images->setObjectName(QStringLiteral("images_tab"));
  tab_widget = new QTabWidget;
  tab_widget->setEnabled(false);
  _control_filter::install(general);
  _control_filter::install(images);
  tab_widget->addTab(scrolled(general), tr("General"));
  tab_widget->addTab(scrolled(images), tr("Images"));
  tab_widget->setMaximumWidth(std::max(PANEL_MAX_WIDTH, tab_widget->minimumSizeHint().width()));
  return tab_widget;
}

void _window::create_actions() {
  open_action =
      new QAction(QIcon(data_path("icons/fileopen.png")), tr("&Open input file normally"), this);
  open_action->setShortcuts(QKeySequence::Open);
  open_action->setToolTip(tr("Open a file"));
  connect(open_action, &QAction::triggered, this, &_window::open_file);

  link_action = new QAction(QIcon(data_path("icons/fileopen.png")),
                            tr("&Link to input file that is open elsewhere"), this);
  link_action->setToolTip(
      tr("Links an input file, whichs allows to work with a live version of the input file"));
  connect(link_action, &QAction::triggered, this, &_window::link_file);

  save_action = new QAction(QIcon(data_path("icons/filesave.png")),
                            tr("&Save resulting stipple image "), this);
  save_action->setShortcuts(QKeySequence::Save);
  save_action->setToolTip(tr("Save a file"));
  // Nothing to save until an image has been read.
  save_action->setEnabled(false);
  connect(save_action, &QAction::triggered, this, &_window::save_file);

  exit_action = new QAction(QIcon(data_path("icons/exit.png")), tr("&Exit..."), this);
  exit_action->setShortcut(QKeySequence(tr("Ctrl+Q")));
  exit_action->setToolTip(tr("Exit the application"));
  connect(exit_action, &QAction::triggered, this, &_window::close);

  recent_menu = new QMenu(tr("Open &Recent"), this);
  recent_menu->setIcon(QIcon(data_path("icons/fileopen.png")));
  recent_menu->setToolTipsVisible(true);
  // Another window may have opened files since.
  connect(recent_menu, &QMenu::aboutToShow, this, &_window::fill_recent_menu);
  fill_recent_menu();

  file_menu = menuBar()->addMenu(tr("&File"));
  file_menu->addAction(open_action);
  file_menu->addMenu(recent_menu);
  file_menu->addAction(link_action);
  file_menu->addSeparator();
  file_menu->addAction(save_action);
  file_menu->addSeparator();
  file_menu->addAction(exit_action);
  file_menu->setAttribute(Qt::WA_AlwaysShowToolTips);
  file_menu->setToolTipsVisible(true);
}

void _window::create_edit_menu() {
  undo_action = controller_->history()->createUndoAction(this, tr("&Undo"));
  undo_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo_action = controller_->history()->createRedoAction(this, tr("&Redo"));
  redo_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  edit_menu = menuBar()->addMenu(tr("&Edit"));
  edit_menu->addAction(undo_action);
  edit_menu->addAction(redo_action);
  // A value still being typed is a step of its own before the menu offers what to undo.
  connect(edit_menu, &QMenu::aboutToShow, this, &_control_filter::commit_typing);
}

void _window::create_view_menu() {
  view_menu = menuBar()->addMenu(tr("&View"));
  const auto add = [this](const QString& text, const QList<QKeySequence>& keys, auto slot) {
    QAction* action = view_menu->addAction(text);
    action->setShortcuts(keys);
    action->setEnabled(false);  // until there is a picture
    connect(action, &QAction::triggered, view_, slot);
    return action;
  };
  fit_action = add(tr("&Fit"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { view_->fit(); });
  pixels_action = add(tr("&Print pixels 1:1"), {QKeySequence(Qt::CTRL | Qt::Key_1)},
                      [this] { view_->set_zoom(1.0); });
  // One millimetre of paper as one millimetre of screen, from the screen's physical density.
  actual_size_action = add(tr("&Actual size"), {}, [this] {
    const double density = screen_density();
    if (density > 0.0) view_->set_zoom(density / controller_->picture_ppi());
  });
  view_menu->addSeparator();
  // Ctrl+= too: on many keyboards "+" needs Shift.
  zoom_in_action =
      add(tr("Zoom &in"), {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
          [this] { view_->zoom_by(VIEW_ZOOM_STEP); });
  zoom_out_action = add(tr("Zoom &out"), {QKeySequence::ZoomOut},
                        [this] { view_->zoom_by(1.0 / VIEW_ZOOM_STEP); });
}

// The view shows the controller's pictures and tells it the display's limit; the status bar
// follows the zoom, the print's size and the enlarged input.
void _window::connect_parts() {
  connect(controller_, &_controller::picture_ready, view_, &_picture_view::show_picture);
  connect(controller_, &_controller::picture_ready, this, [this](const _texture&, int position) {
    set_frame_warning(controller_->document().enlarged());
    if (controller_->picture_image() != position)
      status->show_done(tr(COLOUR_OFF_TEXT));
    else
      status->take_back(tr(COLOUR_OFF_TEXT));
  });
  connect(view_, &_picture_view::max_texture_size_found, controller_,
          &_controller::set_texture_limit);
  connect(view_, &_picture_view::view_changed, this, [this] {
    if (controller_->loaded()) status->show_zoom(view_->zoom());
  });
  connect(controller_, &_controller::settings_changed, this, &_window::show_print_status);
  connect(controller_, &_controller::message, this,
          [this](const QString& title, const QString& text) { warn(title, text); });
}

void _window::fill_recent_menu() {
  recent_menu->clear();
  const QStringList files = kept.recent_files();
  for (int i = 0; i < files.size(); ++i) {
    const QString& file = files[i];
    QAction* entry =
        recent_menu->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()));
    entry->setToolTip(file);
    entry->setData(file);
    connect(entry, &QAction::triggered, this, [this, file] { open_named(file); });
  }
  if (!files.isEmpty()) {
    recent_menu->addSeparator();
    connect(recent_menu->addAction(tr("&Clear list")), &QAction::triggered, this, [this] {
      kept.clear_recent_files();
      fill_recent_menu();
    });
  }
  recent_menu->setEnabled(!files.isEmpty());
}

void _window::set_frame_warning(bool on) {
  QPalette palette;
  palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(on ? Qt::red : Qt::black));
  view_frame->setPalette(palette);
  // The red frame explains itself on hovering, as the status bar's note does.
  view_frame->setToolTip(on ? status->note->toolTip() : QString());
  status->show_enlarged(on);
}

void _window::report(const _failure& failure) {
  warn(failure.title(), failure.text());
}

void _window::show_warning(const QString& title, const QString& text) {
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  QMessageBox::warning(this, title, text, QMessageBox::Ok);
  QApplication::restoreOverrideCursor();
}

void _window::show_print_status() {
  status->show_print(controller_->document());
}

void _window::connect_work() {
  connect(
      controller_, &_controller::work_progress, this,
      [this](int thousandths, bool cancellable) { status->show_work(thousandths, cancellable); });
  connect(controller_, &_controller::work_finished, this, [this](bool cancelled) {
    if (cancelled)
      status->show_done(tr(CANCELLED_TEXT));
    else
      status->take_back(tr(CANCELLED_TEXT));
    status->end_work();
    show_print_status();
  });
  connect(status->cancel, &QPushButton::clicked, controller_, &_controller::cancel_work);
}

void _window::write_settings() {
  kept.set_geometry(QRect(pos(), size()));
  kept.set_settings(controller_->settings());
}

// The remembered size, within the screen and at least the smallest readable, or the default; the
// remembered choices as if restored by the panels, before any picture.
void _window::read_settings() {
  const QScreen* where = screen();
  const QRect available = where != nullptr ? where->availableGeometry() : QRect();
  const QSize largest =
      available.isValid() ? available.size() : QSize(DEFAULT_WIDTH, DEFAULT_HEIGHT);
  setMinimumSize(QSize(MIN_WIDTH, MIN_HEIGHT).boundedTo(largest));
  const std::optional<QRect> remembered = kept.geometry();
  if (remembered && !remembered->size().isEmpty()) {
    resize(remembered->size().boundedTo(largest));
    // A position on a screen that is gone would hide the window.
    if (!available.isValid() || available.contains(remembered->topLeft()))
      move(remembered->topLeft());
  } else {
    resize(QSize(DEFAULT_WIDTH, DEFAULT_HEIGHT).boundedTo(largest));
  }
  controller_->restore(kept.settings(_document_settings()));
}

namespace {

QString dropped_file(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return QString();
  const QUrl url = data->urls().first();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void _window::dragEnterEvent(QDragEnterEvent* event) {
  if (!dropped_file(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void _window::dropEvent(QDropEvent* event) {
  const QString name = dropped_file(event->mimeData());
  if (name.isEmpty()) return;
  event->acceptProposedAction();
  open(name);
}

// A value still being typed when the window closes (Ctrl+Q) is kept like any other.
void _window::closeEvent(QCloseEvent* event) {
  _control_filter::commit_typing();
  write_settings();
  event->accept();
}

}  // namespace stippon
