// The main window: menus, panels, frame and status bar, and the File menu's commands against real
// photographs: open, save, link and poll, drop.
#include <sys/resource.h>

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>
#include <csignal>

#include "image/scratch.h"
#include "photo/photo_reader.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using Window = WindowFixture;

_image read_pgm(const QString& path) {
  _image image;
  EXPECT_TRUE(_photo_reader().read(QFile::encodeName(path).toStdString(), image, 1 << 14));
  return image;
}

// Each entry of a menu as "text|shortcuts", "-" for a separator.
QStringList entries(QMenu* menu) {
  QStringList list;
  for (QAction* item : menu->actions())
    list << (item->isSeparator()
                 ? QString("-")
                 : item->text() + "|" + QKeySequence::listToString(item->shortcuts()));
  return list;
}

// Before a picture the panels, saving, the recent files, undo and the view wait, and a control
// changed all the same shows its setting again; the File and Edit menus with their keys (the View
// menu's are pressed below).
TEST_F(Window, StartsWithDisabledPanelsAndTheMenus) {
  EXPECT_FALSE(window->tab_widget->isEnabled());
  EXPECT_FALSE(window->save_action->isEnabled());
  EXPECT_FALSE(window->recent_menu->isEnabled());
  EXPECT_FALSE(window->undo_action->isEnabled());
  for (QAction* item : window->view_menu->actions())
    EXPECT_TRUE(item->isSeparator() || !item->isEnabled()) << item->text().toStdString();
  EXPECT_EQ(window->size(), QSize(1000, 900).boundedTo(window->screen()->availableSize()));
  EXPECT_EQ(entries(window->file_menu),
            (QStringList{"&Open input file normally|Ctrl+O", "Open &Recent|",
                         "&Link to input file that is open elsewhere|", "-",
                         "&Save resulting stipple image |Ctrl+S", "-", "&Exit...|Ctrl+Q"}));
  EXPECT_EQ(entries(window->edit_menu), (QStringList{"&Undo|Ctrl+Z", "&Redo|Ctrl+Shift+Z"}));
  // The empty view says what to do.
  auto* hint = view->findChild<QLabel*>("hint");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisibleTo(view));
  EXPECT_EQ(hint->text(),
            "Open a photograph (Ctrl+O) or drop one here\n\n"
            "JPEG, PNG, TIFF, WebP, BMP, GIF, PGM, PPM or PBM");

  window->tab_widget->setEnabled(true);
  const _document_settings before = settings();
  const QStringList shown = panel_controls(*window);
  general<QSlider>("scale_factor_slider")->setValue(45);
  images<QSlider>("borders_slider")->setValue(-20);
  pick(general<QComboBox>("device_combo"), device_color_tones);
  general<QSpinBox>("black_point_spin_box")->setValue(40);
  EXPECT_EQ(panel_controls(*window), shown);
  EXPECT_EQ(general<_line_edit>("width_line_edit")->text(), "0");
  EXPECT_EQ(settings(), before);
  EXPECT_FALSE(window->undo_action->isEnabled());
}

// A notch of the wheel towards the user over a widget.
void wheel_down(QWidget* widget) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(widget, &event);
}

// At its smallest the window keeps the panels whole, scrolling, and the status bar readable. The
// wheel over a list, a slider or a spin box scrolls the panel and changes nothing, unless that
// control has the focus.
TEST_F(Window, AtItsSmallestThePanelsScrollAndTheStatusBarReads) {
  window->resize(1, 1);
  EXPECT_EQ(window->size(), QSize(960, 600));
  ASSERT_TRUE(show_active());
  for (const char* name : {"general_tab", "images_tab"}) {
    auto* panel = window->findChild<QWidget*>(name);
    auto* area = qobject_cast<QScrollArea*>(panel->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->widget(), panel);
    EXPECT_GE(panel->height(), panel->minimumSizeHint().height());
    EXPECT_GE(panel->width(), panel->minimumSizeHint().width());
  }
  auto* general_area = qobject_cast<QScrollArea*>(
      window->findChild<QWidget*>("general_tab")->parentWidget()->parentWidget());
  EXPECT_TRUE(general_area->verticalScrollBar()->isVisible());

  load();
  change([](_document_settings& s) {
    s.output_size = size_a4;  // enlarged: the note shows too
    s.save_resolution[s.device] = resolution_1200;
  });
  controller->finish_work();
  window->status->show_done(done_text("Saved", "prints/cat_1200ppi.pgm", 14024, 9348, 2.1));
  QTest::qWait(0);
  for (const QLabel* label : {window->status->message, window->status->note, window->status->file,
                              window->status->size, window->status->zoom}) {
    EXPECT_TRUE(label->isVisible()) << label->text().toStdString();
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
  }
  EXPECT_GE(view->width(), 400);
  const _document_settings before = settings();
  QScrollBar* scroll = general_area->verticalScrollBar();
  const std::pair<QWidget*, bool> controls[] = {
      {images<QComboBox>("colour_source_combo"), false},
      {images<QSpinBox>("low_density_max_spin_box"), false},
      {images<QSlider>("threshold_slider"), false},
      {general<QComboBox>("merging_function_combo"), true},
      {general<QSlider>("scale_factor_slider"), true},
      {general<QSpinBox>("black_point_spin_box"), true},
      {general<QComboBox>("placement_combo"), true},
      {general<QComboBox>("device_combo"), true}};
  for (const auto& [control, on_general] : controls) {
    window->tab_widget->setCurrentIndex(on_general ? 0 : 1);
    const int scrolled = scroll->value();
    wheel_down(control);
    EXPECT_TRUE(!on_general || scroll->value() > scrolled) << control->objectName().toStdString();
  }
  EXPECT_EQ(settings(), before);
  EXPECT_FALSE(window->undo_action->isEnabled());
  auto* merging = general<QComboBox>("merging_function_combo");
  merging->setFocus();
  ASSERT_TRUE(merging->hasFocus());
  wheel_down(merging);
  EXPECT_EQ(settings().stipple.merging_function, merging_minimum);
}

// While the input is enlarged the frame around the view is red and the status bar says so, both
// with what to do about it; no box holds the picture back.
TEST_F(Window, TheFrameTurnsRedWhileTheInputIsEnlarged) {
  load();  // 512 pixels wide on A10: 146 cells at the default packing
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  // The outline as drawn on screen, half-way down its left edge.
  const auto drawn = [this] {
    const QImage frame = window->view_frame->grab().toImage();
    return QColor(frame.pixel(1, frame.height() / 2));
  };
  EXPECT_EQ(drawn(), QColor(Qt::black));
  EXPECT_FALSE(window->status->note->isVisible());
  for (const float scale : {0.5f, 3.0f, 0.5f}) {  // 876 cells, 146, 876 again
    change([scale](_document_settings& s) { s.stipple.scale_factor = scale; });
    controller->finish_work();
    EXPECT_EQ(drawn(), QColor(scale < 1.0f ? Qt::red : Qt::black)) << scale;
    EXPECT_EQ(window->status->note->isVisible(), scale < 1.0f) << scale;
    // Both explain themselves on hovering.
    EXPECT_EQ(window->view_frame->toolTip(),
              scale < 1.0f ? window->status->note->toolTip() : QString());
  }
  EXPECT_EQ(window->status->note->text(), "Enlarged input");
  EXPECT_EQ(window->status->note->toolTip(),
            "The red frame: the output needs more pixels than the photograph has, so the "
            "photograph is enlarged and the print may look softer.\nChoose a smaller size or a "
            "lower packing, or open a larger original.");
  EXPECT_TRUE(warnings.empty());
}

// A file the reader refuses is named in a box with the reason (the reader's tests give every
// reason). Before a picture the panels and saving stay disabled and the view's hint stays (a
// cancelled dialog says nothing); after one, the picture stays.
TEST_F(Window, BrokenFilesAreNamedInABox) {
  const struct {
    const char* name;
    QByteArray bytes;
    const char* reason;
  } files[] = {
      {"missing.pgm", {}, "No such file or directory"},
      {"text renamed.pgm", "just some text\n", "not a picture Stippon can read"},
      {"empty image.pgm", "P5\n0 0\n255\n", "damaged"},
      {"too wide.pgm", "P5\n51 1\n255\n" + QByteArray(51, '\x80'),
       "too large: 51 × 1 pixels, the limit is 50 pixels on a side"},
  };
  open(QString());
  EXPECT_TRUE(warnings.empty());
  for (const bool first : {true, false}) {
    if (!first) {  // a name outside ASCII reaches the reader intact
      open(photo("chelsea_gray.pgm", QString::fromUtf8("gato_señorío_ü.pgm")));
      ASSERT_EQ(doc().input().width, 451u);
      controller->set_texture_limit(50);  // only the last file exceeds it
    }
    for (const auto& file : files) {
      SCOPED_TRACE(file.name);
      if (first && &file == std::end(files) - 1) continue;  // no limit yet
      const QString path = folder.filePath(file.name);
      if (!file.bytes.isNull()) write_bytes(path, file.bytes);
      warnings.clear();
      open(path);
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_EQ(warnings[0].first + ": " + warnings[0].second,
                QString("Cannot open file: Cannot read file %1:\n%2.").arg(path, file.reason));
      EXPECT_EQ(window->tab_widget->isEnabled(), !first);
      EXPECT_EQ(window->save_action->isEnabled(), !first);
      EXPECT_EQ(view->findChild<QLabel*>("hint")->isVisibleTo(view), first);
      if (first) continue;
      if (!file.bytes.isNull()) {
        EXPECT_EQ(window->status->message->text(), QString("Could not read ") + file.name);
      }
      EXPECT_EQ(doc().input().width, 451u);
      EXPECT_EQ(window->windowTitle(), QString::fromUtf8("gato_señorío_ü.pgm — Stippon"));
    }
    if (first) {
      EXPECT_FALSE(run_save());  // nothing to save: not even a name is asked for
      EXPECT_TRUE(save_filters.isEmpty());
    }
  }
}

// The title names the file; the status bar shows what was done, the file, the print's size in
// the chosen units and in pixels at the save resolution, and the zoom. A new picture fills the
// view (the view tests check where it lies); the View menu's keys zoom it.
TEST_F(Window, TheTitleTheStatusBarAndTheZoomKeys) {
  change([](_document_settings& s) { s.output_size = size_a8; });
  ASSERT_TRUE(show_active());
  load("coffee_gray.pgm");  // 600 x 400: 876 x 584 pixels on A8
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("coffee_gray.pgm — Stippon"));
  EXPECT_EQ(window->windowFilePath(), STIPPON_DATA_DIR "/images/coffee_gray.pgm");
  const _status_line& status = *window->status;
  EXPECT_TRUE(QRegularExpression(QString::fromUtf8("^Opened coffee_gray\\.pgm, 600 × 400, in "
                                                   "\\d+\\.\\d s$"))
                  .match(status.message->text())
                  .hasMatch())
      << status.message->text().toStdString();
  EXPECT_EQ(status.file->text(), "coffee_gray.pgm");
  EXPECT_EQ(status.size->text(), QString::fromUtf8("74.2 × 49.4 mm · 876 × 584 px at 300 ppi"));
  const double fit = std::min(view->width() / 876.0, view->height() / 584.0);
  EXPECT_DOUBLE_EQ(view->zoom(), fit);
  ASSERT_GE(fit, 0.1);  // shown in whole percents
  EXPECT_EQ(status.zoom->text(), QString("%1 %").arg(std::lround(fit * 100)));
  const std::pair<QKeyCombination, double> keys[] = {
      {Qt::CTRL | Qt::Key_1, 1.0},      {Qt::CTRL | Qt::Key_Plus, 1.2},
      {Qt::CTRL | Qt::Key_Equal, 1.44}, {Qt::CTRL | Qt::Key_Minus, 1.2},
      {Qt::CTRL | Qt::Key_0, fit},
  };
  for (const auto& [key, zoom] : keys) {
    QTest::keyClick(window.get(), key.key(), key.keyboardModifiers());
    EXPECT_NEAR(view->zoom(), zoom, 1e-12) << QKeySequence(key).toString().toStdString();
  }
  EXPECT_TRUE(view->fitted());
  QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(status.zoom->text(), "100 %");
  window->actual_size_action->trigger();
  EXPECT_DOUBLE_EQ(view->zoom(), view->screen()->physicalDotsPerInch() / 300.0);
  // A millimetre of paper is a millimetre of screen at the screen's density, 300 pixels of the
  // preview to the inch.
  const std::pair<double, const char*> screens[] = {{100.0, "33 %"}, {200.0, "67 %"}};
  for (const auto& [density, zoom] : screens) {
    window->screen_density = [density] { return density; };
    window->actual_size_action->trigger();
    EXPECT_EQ(status.zoom->text(), zoom);
  }

  // Each row: a panel choice and the size it shows.
  const struct {
    QComboBox* list;
    int row;
    const char* size;
  } choices[] = {
      {general<QComboBox>("units_combo"), units_inches, "2.92 × 1.95 in · 876 × 584 px at 300 ppi"},
      {general<QComboBox>("save_resolution_combo"), resolution_600,
       "2.92 × 1.95 in · 1752 × 1168 px at 600 ppi"},
      {general<QComboBox>("units_combo"), units_pixels, "1752 × 1168 px at 600 ppi"},
      {general<QComboBox>("size_combo"), size_a9, "1240 × 826 px at 600 ppi"},
  };
  for (const auto& choice : choices) {
    choice.list->setCurrentIndex(choice.row);
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return status.size->text() == QString::fromUtf8(choice.size);
    })) << status.size->text().toStdString();
  }
  general<QComboBox>("save_resolution_combo")->setCurrentIndex(resolution_600);
  save_answers = {folder.filePath("coffee_600.pgm")};
  EXPECT_TRUE(run_save());
  EXPECT_TRUE(
      QRegularExpression(QString::fromUtf8("^Saved coffee_600\\.pgm, 1240 × 826, in \\d+\\.\\d s$"))
          .match(status.message->text())
          .hasMatch())
      << status.message->text().toStdString();
}

// The colours of a saved PNG as netpbm reads them, grey or not (opaque, or the test fails), bottom
// row first as the rasters hold them.
std::vector<_pixel> png_texels(const QString& path) {
  const std::string ppm = testing::output_of("pngtopam '" + path.toStdString() + "' | ppmtoppm");
  unsigned width = 0, height = 0, maxval = 0;
  int header = 0;
  const int read = std::sscanf(ppm.c_str(), "P6 %u %u %u%n", &width, &height, &maxval, &header);
  if (read != 3 || ppm.size() < header + 1 + 3ul * width * height) return {};
  const auto* rgb = reinterpret_cast<const unsigned char*>(ppm.data()) + header + 1;
  std::vector<_pixel> texels;
  for (unsigned y = height; y-- > 0;)
    for (const unsigned char* p = rgb + 3 * y * width; p < rgb + 3 * (y + 1) * width; p += 3)
      texels.emplace_back(p[0], p[1], p[2], 255);
  return texels;
}

// "Color stippling" chosen while colour stippling is off shows the grey stippling, which a save
// then writes, and the status bar says so; switched on, both hold the colour dots.
TEST_F(Window, ColourStipplingChosenWhileOffShowsWhatASaveWrites) {
  load("coffee_gray.pgm");
  _texture picture;
  QObject::connect(controller, &_controller::picture_ready,
                   [&picture](const _texture& shown) { picture = shown; });
  auto* list = images<QListWidget>("images_list");
  emit list->itemClicked(list->item(list_color_stippling));
  const QString off = "Color stippling is off (Images tab): the grey stippling is shown and saved";
  EXPECT_EQ(window->status->message->text(), off);
  for (const bool on : {true, false}) {
    images<QCheckBox>("colour_check_box")->setChecked(on);
    controller->finish_work();
    EXPECT_EQ(window->status->message->text(), on ? "" : off);
    if (on) {
      EXPECT_TRUE(same_texels(picture, doc().colour_stippled()));
      EXPECT_TRUE(std::any_of(picture.texels.begin(), picture.texels.end(),
                              [](_pixel p) { return p.r != p.b; }));
    } else {
      EXPECT_TRUE(same_texels(picture, doc().picture(doc().preview(), false)));
    }
    const QString name = folder.filePath(on ? "on.png" : "off.png");
    save_answers = {name};
    EXPECT_TRUE(run_save());
    EXPECT_TRUE(png_texels(name) == picture.texels) << on;
  }
}

// Names of other kinds are refused and asked again; a name without an extension takes the PNG's;
// the photograph being printed is never written over. At 300 ppi a save holds the picture on
// screen (a PGM the grey preview; the controller's tests compare a toned PNG with the picture
// shown); at 600 ppi the print, twice the preview's size.
TEST_F(Window, SavesUnderGoodNamesHoldThePictureOnScreenOrThePrint) {
  load("coffee_gray.pgm");
  save_answers = {folder.filePath("b.jpg"), folder.filePath("c.txt"), folder.filePath("plain")};
  EXPECT_TRUE(run_save());
  ASSERT_EQ(warnings.size(), 2u);
  for (const auto& [title, text] : warnings)
    EXPECT_EQ(title + ": " + text,
              "Warning: The file must be of type .png, .tif, .tiff, .pdf, .pgm or .svg");
  EXPECT_TRUE(QFileInfo::exists(folder.filePath("plain.png")));
  EXPECT_EQ(QFileInfo(save_suggestions.last()).fileName(), "coffee_gray_300ppi.png");
  EXPECT_EQ(save_filters.last(),
            "PNG image (*.png);;TIFF image (*.tif *.tiff);;PDF document "
            "(*.pdf);;PGM image (*.pgm);;SVG drawing for plotters (*.svg)");
  warnings.clear();
  const QString photo = QString(STIPPON_DATA_DIR "/images/coffee_gray.pgm");
  const QByteArray before = contents(photo);
  save_answers = {photo};
  EXPECT_FALSE(run_save());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].second.contains("it is the photograph being printed"));
  EXPECT_EQ(contents(photo), before);

  warnings.clear();
  const QString pgm = folder.filePath(QString::fromUtf8("résultat.pgm"));
  save_answers = {pgm};
  EXPECT_TRUE(run_save());
  _image preview = doc().preview();
  for (float& sample : preview.samples) sample = float(int(sample) & 0xFF);
  EXPECT_TRUE(same_samples(read_pgm(pgm), preview));
  change([](_document_settings& s) { s.save_resolution[s.device] = resolution_600; });
  save_answers = {folder.filePath("print.pgm")};
  EXPECT_TRUE(run_save());
  const _image print = read_pgm(folder.filePath("print.pgm"));
  EXPECT_EQ(print.width, 2 * preview.width);
  EXPECT_EQ(print.height, 2 * preview.height);
  EXPECT_TRUE(warnings.empty());
}

// A folder that is a file, or a disk that takes no more: a box names the file and the reason, and
// the older file stays; closing the progress dialog keeps it too, silently.
TEST_F(Window, AFailedOrCancelledSaveKeepsTheOlderFile) {
  load("coffee_gray.pgm");
  // A folder path running through a regular file; then files too large for a size limit that
  // makes writes fail, for root as well.
  write_bytes(folder.filePath("plain_file"), "x");
  for (const char* name : {"plain_file/new.pgm", "plain_file/new.png", "old.pgm", "old.png"}) {
    SCOPED_TRACE(name);
    const QString target = folder.filePath(name);
    const bool older = !target.contains("plain_file");
    if (older) write_bytes(target, "older result");
    warnings.clear();
    save_answers = {target};
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 64;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = run_save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(written);
    ASSERT_EQ(warnings.size(), 1u);
    const QString reason =
        older ? "File too large" : folder.filePath("plain_file") + " is not a folder";
    EXPECT_EQ(warnings[0].first + ": " + warnings[0].second,
              "Cannot save file: Cannot write file " + target + ":\n" + reason + ".");
    EXPECT_EQ(contents(target), older ? "older result" : "");
  }
  // Closing the progress dialog cancels the save alike.
  const QString target = folder.filePath("old.pgm");
  save_answers = {target};
  bool saw_dialog = false, saw_busy_cursor = false;
  // Fires at the first row, when the writer lets the event loop run.
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<QProgressDialog*>();
    saw_dialog = dialog && dialog->labelText() == "Saving file..." && dialog->maximum() == 100;
    saw_busy_cursor =
        QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    if (dialog) dialog->close();
  });
  warnings.clear();
  EXPECT_FALSE(run_save());
  EXPECT_TRUE(saw_dialog);
  EXPECT_TRUE(saw_busy_cursor);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(contents(target), "older result");
  // No temporary file is left behind either.
  EXPECT_EQ(QDir(folder.path()).entryList({"*old*"}, QDir::Files),
            (QStringList{"old.pgm", "old.png"}));
}

// A linked file is read again on each tick that finds it touched; a file caught half-written
// is retried later, a tick waits while a picture is saved, and any open ends the watching.
TEST_F(Window, ALinkedFileIsReadAgainWhenTouched) {
  const QString path = photo("camera.pgm", "live.pgm");
  open_answers = {path};
  run("link_file");
  EXPECT_EQ(open_captions, QStringList{"Link File"});
  EXPECT_EQ(window->link_timer->interval(), 1000);
  EXPECT_TRUE(window->tab_widget->isEnabled());
  run("check_linked_file");  // the first tick reads the file again
  const QDateTime seen = window->linked_modified;
  ASSERT_FALSE(seen.isNull());

  // Another program writes a different picture: first its head, then the rest within the same
  // time stamp, while a picture is being saved.
  const QByteArray coffee = contents(STIPPON_DATA_DIR "/images/coffee_gray.pgm");
  write_bytes(path, coffee.left(120000), seen.addSecs(3));
  run("check_linked_file");
  EXPECT_TRUE(window->linked_modified.isNull());
  EXPECT_EQ(doc().input().width, 512u);
  write_bytes(path, coffee, seen.addSecs(3));
  const unsigned preview_height = doc().preview().height;
  save_answers = {folder.filePath("during.pgm")};
  QTimer::singleShot(0, [&] { QMetaObject::invokeMethod(window.get(), "check_linked_file"); });
  EXPECT_TRUE(run_save());
  EXPECT_EQ(doc().input().width, 512u);
  EXPECT_EQ(read_pgm(folder.filePath("during.pgm")).height, preview_height);
  EXPECT_TRUE(QTest::qWaitFor([&] { return doc().input().width == 600u; }, 2000));
  EXPECT_EQ(window->linked_modified, seen.addSecs(3));

  // A file that keeps failing with one time stamp is tried three ticks, not every second.
  write_bytes(path, "P5\n", seen.addSecs(5));
  for (int tick = 0; tick < 5; ++tick) run("check_linked_file");
  EXPECT_EQ(window->linked_modified, seen.addSecs(5));
  EXPECT_EQ(doc().input().width, 600u);

  QFile::remove(path);  // a vanished file is skipped until it is back
  run("check_linked_file");
  EXPECT_EQ(window->linked_modified, seen.addSecs(5));

  open(QString());  // any open command, even a cancelled one, ends the watching
  EXPECT_FALSE(window->link_timer->isActive());
  write_bytes(path, contents(STIPPON_DATA_DIR "/images/camera.pgm"), seen.addSecs(10));
  run("check_linked_file");  // a tick that still arrives reads nothing
  EXPECT_EQ(doc().input().width, 600u);
}

// A JPEG through the Open dialog, which lists every kind Stippon reads, and a PNG dropped on the
// window: both open as photographs, converted to grey exactly as the batch converts them.
TEST_F(Window, PhotographsOpenFromTheDialogAndByDrop) {
  QImage colour(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) colour.setPixel(x, y, qRgb(x * 4, y * 5, (x + y) * 2));
  const QString jpeg = folder.filePath("photo.jpg"), png = folder.filePath("photo.png");
  ASSERT_TRUE(colour.save(jpeg, "JPEG", 90));
  ASSERT_TRUE(colour.save(png, "PNG"));
  open(jpeg);
  EXPECT_TRUE(open_filters.last().startsWith("Photographs (*.jpg *.jpeg *.png *.tif *.tiff"));
  EXPECT_EQ(doc().input().width, 64u);
  EXPECT_TRUE(window->windowTitle().startsWith("photo.jpg"));

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(png)});
  // As a drag does it: the window must take the entering drag before the drop reaches it.
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &drop);
  EXPECT_TRUE(window->windowTitle().startsWith("photo.png"));
  // grey = (77 R + 150 G + 29 B + 128) >> 8 at the top-left pixel (row 47 from the bottom).
  const QRgb p = colour.pixel(0, 0);
  EXPECT_EQ(doc().input().get(47, 0),
            float((77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p) + 128) >> 8));
}

// An SVG drawing asks which dots it holds; circles give one circle a dot, in millimetres, and the
// status bar says so.
TEST_F(Window, SvgDrawingsAskForTheirDots) {
  load("camera.pgm");
  int asked = 0;
  window->ask_svg_dots = [&asked]() -> std::optional<_svg_dots> {
    ++asked;
    return asked == 1 ? std::nullopt : std::optional(svg_circles);
  };
  save_answers = {folder.filePath("cancelled.svg"), folder.filePath("plot.svg")};
  EXPECT_FALSE(run_save());
  EXPECT_TRUE(run_save());
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(QFileInfo::exists(folder.filePath("cancelled.svg")));
  const QByteArray svg = contents(folder.filePath("plot.svg"));
  EXPECT_TRUE(svg.contains("<svg") && svg.contains("mm\"") && svg.contains("<circle"));
  EXPECT_TRUE(warnings.empty());
  // The status bar gives the page in millimetres (A10 is 26 mm wide) and the dots drawn.
  const QString saved = QString::fromUtf8(
                            "^Saved plot\\.svg, 26\\.2 × 26\\.2 mm, %1 dots, in "
                            "\\d+\\.\\d s$")
                            .arg(svg.count("<circle"));
  EXPECT_TRUE(QRegularExpression(saved).match(window->status->message->text()).hasMatch())
      << window->status->message->text().toStdString();
}

// While a large picture is made the event loop runs and the view zooms; the status bar's Cancel
// then keeps the panel as it was (the controller's tests check the picture), and says so.
TEST_F(Window, TheWindowTakesInputDuringARunAndCancelKeepsThePicture) {
  load();
  const QString width_text = general<_line_edit>("width_line_edit")->text();
  QSignalSpy started(controller, &_controller::work_started);
  general<QComboBox>("size_combo")->setCurrentIndex(size_a4);
  ASSERT_TRUE(QTest::qWaitFor([&] { return started.count() > 0; }, 60000));
  bool ran = false, ran_during_work = false;
  QTimer::singleShot(0, [&] {
    ran = true;
    ran_during_work = controller->working();
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, 60000));
  EXPECT_TRUE(ran_during_work);
  const double zoom = view->zoom();
  view->zoom_by(2.0);
  EXPECT_DOUBLE_EQ(view->zoom(), 2.0 * zoom);
  window->status->cancel->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->working(); }, 60000));
  EXPECT_EQ(general<QComboBox>("size_combo")->currentText(), "A10");
  EXPECT_EQ(general<_line_edit>("width_line_edit")->text(), width_text);
  EXPECT_EQ(window->status->message->text(), "Cancelled: the picture keeps its previous settings");
  // A later run that succeeds takes the note back.
  QSignalSpy finished(controller, &_controller::work_finished);
  general<QSlider>("displacement_slider")->setValue(10);
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 60000));
  EXPECT_EQ(finished.first().first(), false);
  EXPECT_EQ(window->status->message->text(), "");
}

}  // namespace
}  // namespace stippon
