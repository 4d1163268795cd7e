// The File menu's commands against real photographs: open, save as PGM or PNG, link and poll.
#include <sys/resource.h>

#include <QFileInfo>
#include <QImage>
#include <QProgressDialog>
#include <QTest>
#include <csignal>

#include "image/file_pgm.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using FileCommands = WindowFixture;

std::string local(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write_bytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// Gives a file a modification time of its own, so that the poll sees a change even within the
// file system's time resolution.
void set_modified(const QString& path, const QDateTime& time) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

TEST_F(FileCommands, OpeningAPhotographEnablesThePanelsAndSaving) {
  // A name with letters outside ASCII must reach the reader intact.
  const QString path = photo("chelsea_gray.pgm", QString::fromUtf8("gato_señorío_ü.pgm"));
  open(path);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(open_captions, QStringList{"Open File"});
  EXPECT_TRUE(window->gl_widget->image_loaded);
  EXPECT_EQ(window->gl_widget->input_image.width, 451u);
  EXPECT_EQ(window->gl_widget->input_image.height, 300u);
  EXPECT_TRUE(window->tab_widget->isEnabled());
  EXPECT_TRUE(window->save_action->isEnabled());
  EXPECT_EQ(window->linked_file_name, local(path));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FileCommands, OpeningFailuresLeaveThePanelsDisabled) {
  struct _case {
    const char* name;
    QString answer;
    size_t warnings;
  };
  const QString not_pgm = folder.filePath("notes.pgm");
  write_bytes(not_pgm, "just some text\n");
  const _case cases[] = {
      {"cancelled dialog", QString(), 0},
      {"missing file", folder.filePath("missing.pgm"), 1},
      {"not a PGM", not_pgm, 0},
  };
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    warnings.clear();
    open(c.answer);
    EXPECT_EQ(warnings.size(), c.warnings);
    EXPECT_FALSE(window->tab_widget->isEnabled());
    EXPECT_FALSE(window->save_action->isEnabled());
    EXPECT_FALSE(window->gl_widget->image_loaded);
  }
  open(folder.filePath("missing.pgm"));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].first, "Application");
  EXPECT_TRUE(
      warnings[0].second.startsWith("Cannot read file " + folder.filePath("missing.pgm") + ":\n"));
  EXPECT_TRUE(warnings[0].second.endsWith("."));

  // Saving before any image does nothing, not even ask for a name.
  save_answers.push_back(folder.filePath("early.pgm"));
  EXPECT_FALSE(run_save());
  EXPECT_TRUE(save_filters.isEmpty());
  EXPECT_FALSE(QFile::exists(folder.filePath("early.pgm")));

  // Once enabled the panels stay enabled, even when a later file cannot be read.
  open(photo("coffee_gray.pgm", "coffee.pgm"));
  open(not_pgm);
  EXPECT_TRUE(window->tab_widget->isEnabled());
  EXPECT_EQ(window->gl_widget->input_image.width, 600u);
}

TEST_F(FileCommands, PgmAt300PpiIsTheCurrentImageByteForByte) {
  open(photo("camera.pgm", "camera.pgm"));
  const QString target = folder.filePath(QString::fromUtf8("résultat.pgm"));
  save_answers.push_back(target);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(run_save());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("CPU time="), std::string::npos) << printed;
  EXPECT_EQ(save_filters, QStringList{"Images (*.png);;Images (*.pgm)"});
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  const _image& shown = *window->gl_widget->current_image;
  EXPECT_EQ(&shown, &window->gl_widget->stippling_image);
  _image saved;
  ASSERT_EQ(_file_pgm().read(local(target), saved, 1 << 14), 1);
  ASSERT_EQ(saved.width, shown.width);
  ASSERT_EQ(saved.height, shown.height);
  size_t differences = 0;
  for (size_t i = 0; i < shown.samples.size(); ++i) {
    differences += saved.samples[i] != float(int(shown.samples[i]) & 0xFF);
  }
  EXPECT_EQ(differences, 0u);
}

TEST_F(FileCommands, PgmAt600PpiIsTwiceThePreview) {
  open(photo("gravel.pgm", "gravel.pgm"));
  _gl_widget& controller = *window->gl_widget;
  controller.save_resolution[controller.device] = resolution_600;
  const QString target = folder.filePath("gravel_600.pgm");
  save_answers.push_back(target);
  EXPECT_TRUE(run_save());
  EXPECT_EQ(save_filters, QStringList{"Images (*.pgm)"});
  EXPECT_EQ(controller.hires_image, nullptr);
  _image saved;
  ASSERT_EQ(_file_pgm().read(local(target), saved, 1 << 14), 1);
  EXPECT_EQ(saved.width, 2 * controller.stippling_image.width);
  EXPECT_EQ(saved.height, 2 * controller.stippling_image.height);
}

TEST_F(FileCommands, PngCarries300PpiAndThePictureOnScreen) {
  open(photo("coffee_gray.pgm", "coffee.pgm"));
  struct _case {
    const char* name;
    _mode_device mode;
    int tone;
  };
  for (const _case& c :
       {_case{"grey", device_grayscale, 0}, _case{"sepia", device_color_tones, 9}}) {
    SCOPED_TRACE(c.name);
    window->gl_widget->set_device(c.mode);
    window->gl_widget->set_stippling_tone(c.tone);
    const QString target = folder.filePath(QString(c.name) + ".png");
    save_answers.push_back(target);
    EXPECT_TRUE(run_save());
    EXPECT_TRUE(warnings.empty());

    QImage saved(target);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.dotsPerMeterX(), 11811);
    EXPECT_EQ(saved.dotsPerMeterY(), 11811);
    const _texture& shown = window->gl_widget->display_texture;
    ASSERT_EQ(saved.width(), int(shown.width));
    ASSERT_EQ(saved.height(), int(shown.height));
    saved = saved.convertToFormat(QImage::Format_ARGB32);
    int differences = 0;
    int coloured = 0;
    for (unsigned row = 0; row < shown.height; ++row) {
      for (unsigned column = 0; column < shown.width; ++column) {
        const _pixel texel = shown.get(row, column);
        const QRgb rgb = saved.pixel(int(column), int(shown.height - 1 - row));
        differences += qRed(rgb) != texel.r || qGreen(rgb) != texel.g || qBlue(rgb) != texel.b ||
                       qAlpha(rgb) != texel.a;
        coloured += qRed(rgb) != qBlue(rgb);
      }
    }
    EXPECT_EQ(differences, 0);
    // The tone is part of the saved picture.
    EXPECT_EQ(coloured > 0, c.tone != 0);
  }
}

TEST_F(FileCommands, PngBeyond300PpiWritesNothing) {
  open(photo("coffee_gray.pgm", "coffee.pgm"));
  window->gl_widget->save_resolution[window->gl_widget->device] = resolution_1200;
  save_answers.push_back(folder.filePath("big.png"));
  _message_box_closer closer;
  EXPECT_FALSE(run_save());
  EXPECT_EQ(closer.texts, QStringList{"Can not be saved a 1200ppi png file"});
  EXPECT_FALSE(QFile::exists(folder.filePath("big.png")));
  EXPECT_EQ(save_filters.size(), 1);
}

TEST_F(FileCommands, ANameWithoutAKnownExtensionIsAskedAgain) {
  open(photo("coffee_gray.pgm", "coffee.pgm"));
  save_answers = {folder.filePath("a.PNG"), folder.filePath("b.jpg"), folder.filePath("plain"),
                  folder.filePath("d.pgm")};
  EXPECT_TRUE(run_save());
  ASSERT_EQ(warnings.size(), 3u);
  for (const auto& [title, text] : warnings) {
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(text, "The file must be of type .pgm or .png");
  }
  EXPECT_EQ(save_filters.size(), 4);
  EXPECT_TRUE(QFile::exists(folder.filePath("d.pgm")));
  EXPECT_FALSE(QFile::exists(folder.filePath("a.PNG")));

  // Cancelling the dialog after a refused name writes nothing.
  warnings.clear();
  save_answers = {folder.filePath("e.txt")};
  EXPECT_FALSE(run_save());
  EXPECT_EQ(warnings.size(), 1u);
}

// Lets no file grow beyond a few bytes while it lives: writes then fail, for root as well.
class _file_size_limit {
 public:
  explicit _file_size_limit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved);
    previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~_file_size_limit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous_handler);
  }

 private:
  rlimit saved{};
  void (*previous_handler)(int) = nullptr;
};

TEST_F(FileCommands, AFailedWriteWarnsAndKeepsTheOlderFile) {
  open(photo("coffee_gray.pgm", "coffee.pgm"));
  // A folder path running through a regular file; then files too large for the size limit.
  write_bytes(folder.filePath("plain_file"), "x");
  for (const char* name : {"plain_file/new.pgm", "plain_file/new.png", "old.pgm", "old.png"}) {
    SCOPED_TRACE(name);
    const QString target = folder.filePath(name);
    const bool older = !target.contains("plain_file");
    if (older) write_bytes(target, "older result");
    warnings.clear();
    save_answers.push_back(target);
    bool written = true;
    {
      _file_size_limit limit(64);
      written = run_save();
    }
    EXPECT_FALSE(written);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].first, "Warning");
    EXPECT_EQ(warnings[0].second, "Cannot write file " + target + ".");
    if (older) {
      EXPECT_EQ(contents(target), "older result");
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  // No temporary file is left behind either.
  EXPECT_EQ(QDir(folder.path()).entryList({"*old*"}, QDir::Files),
            (QStringList{"old.pgm", "old.png"}));
}

TEST_F(FileCommands, ClosingTheProgressDialogCancelsTheSave) {
  open(photo("camera.pgm", "camera.pgm"));
  const QString target = folder.filePath("kept.pgm");
  write_bytes(target, "older result");
  save_answers.push_back(target);
  bool saw_dialog = false;
  bool saw_busy_cursor = false;
  // Fires at the first row, when the writer lets the event loop run.
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<QProgressDialog*>();
    saw_dialog = dialog && dialog->labelText() == "Saving file..." &&
                 dialog->windowModality() == Qt::WindowModal && dialog->minimumDuration() == 0 &&
                 dialog->maximum() == int(window->gl_widget->stippling_image.height);
    saw_busy_cursor =
        QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    if (dialog) dialog->close();
  });
  EXPECT_FALSE(run_save());
  EXPECT_TRUE(saw_dialog);
  EXPECT_TRUE(saw_busy_cursor);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(contents(target), "older result");
  EXPECT_EQ(QDir(folder.path()).entryList({"*kept*"}, QDir::Files), QStringList{"kept.pgm"});
}

TEST_F(FileCommands, ATouchedLinkedFileIsReadAgain) {
  const QString path = photo("camera.pgm", "live.pgm");
  open_answers.push_back(path);
  run("link_file");
  EXPECT_EQ(open_captions, QStringList{"Link File"});
  ASSERT_NE(window->link_timer, nullptr);
  EXPECT_TRUE(window->link_timer->isActive());
  EXPECT_EQ(window->link_timer->interval(), 1000);
  EXPECT_TRUE(window->tab_widget->isEnabled());
  EXPECT_EQ(window->gl_widget->input_image.width, 512u);

  // The first tick reads the file again; then the other program writes a different picture.
  run("check_linked_file");
  ASSERT_FALSE(window->linked_modified.isNull());
  photo("coffee_gray.pgm", "live.pgm");
  set_modified(path, QDateTime::currentDateTime().addSecs(5));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->gl_widget->input_image.width == 600u; }, 2000));
  EXPECT_EQ(window->linked_modified, QFileInfo(path).lastModified());

  // Any open command, even a cancelled one, ends the watching.
  open(QString());
  EXPECT_FALSE(window->link_timer->isActive());
  photo("chelsea_gray.pgm", "live.pgm");
  set_modified(path, QDateTime::currentDateTime().addSecs(10));
  QTest::qWait(1100);
  EXPECT_EQ(window->gl_widget->input_image.width, 600u);
}

TEST_F(FileCommands, AHalfWrittenLinkedFileIsReadAgainLater) {
  const QString path = photo("camera.pgm", "live.pgm");
  open_answers.push_back(path);
  run("link_file");
  run("check_linked_file");
  const QDateTime seen = window->linked_modified;
  ASSERT_FALSE(seen.isNull());

  const QByteArray whole = contents(STIPPON_DATA_DIR "/images/coffee_gray.pgm");
  const QDateTime stamp = seen.addSecs(3);
  write_bytes(path, whole.left(whole.size() / 2));
  set_modified(path, stamp);
  run("check_linked_file");
  EXPECT_TRUE(window->linked_modified.isNull());
  EXPECT_EQ(window->gl_widget->input_image.width, 512u);

  // The rest arrives within the same time stamp: the next tick still reads it.
  write_bytes(path, whole);
  set_modified(path, stamp);
  run("check_linked_file");
  EXPECT_EQ(window->linked_modified, stamp);
  EXPECT_EQ(window->gl_widget->input_image.width, 600u);

  // A vanished file is skipped until it is back.
  QFile::remove(path);
  run("check_linked_file");
  EXPECT_EQ(window->linked_modified, stamp);
}

TEST_F(FileCommands, ThePollWaitsWhileAnImageIsSaved) {
  const QString path = photo("camera.pgm", "live.pgm");
  open_answers.push_back(path);
  run("link_file");
  run("check_linked_file");
  const unsigned preview_height = window->gl_widget->stippling_image.height;

  photo("coffee_gray.pgm", "live.pgm");
  set_modified(path, QDateTime::currentDateTime().addSecs(5));
  const QString target = folder.filePath("during.pgm");
  save_answers.push_back(target);
  // A tick arriving while the writer lets the event loop run.
  QTimer::singleShot(0, [&] { QMetaObject::invokeMethod(window.get(), "check_linked_file"); });
  EXPECT_TRUE(run_save());
  EXPECT_EQ(window->gl_widget->input_image.width, 512u);
  _image saved;
  ASSERT_EQ(_file_pgm().read(local(target), saved, 1 << 14), 1);
  EXPECT_EQ(saved.height, preview_height);

  run("check_linked_file");
  EXPECT_EQ(window->gl_widget->input_image.width, 600u);
}

}  // namespace
}  // namespace stippon
