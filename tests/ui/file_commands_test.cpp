// The File menu's commands against real photographs: open, save as PGM or PNG, link and poll.
#include <sys/resource.h>

#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "image/file_pgm.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using FileCommands = WindowFixture;

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write_bytes(const QString& path, const QByteArray& bytes, QDateTime modified = {}) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
  // A time of its own, so that the poll sees a change within the file system's resolution.
  if (modified.isValid()) {
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
  }
}

_image read_pgm(const QString& path) {
  _image image;
  EXPECT_EQ(_file_pgm().read(QFile::encodeName(path).toStdString(), image, 1 << 14), 1);
  return image;
}

// The panels and saving wait for the first picture, and stay enabled after it.
TEST_F(FileCommands, OpeningEnablesThePanelsFromTheFirstPictureOn) {
  const QString not_pgm = folder.filePath("notes.pgm"), missing = folder.filePath("missing.pgm");
  write_bytes(not_pgm, "just some text\n");
  for (const QString& answer : {QString(), not_pgm, missing}) {  // cancelled, not a PGM, missing
    SCOPED_TRACE(answer.toStdString());
    warnings.clear();
    open(answer);
    EXPECT_EQ(warnings.size(), answer == missing ? 1u : 0u);
    EXPECT_FALSE(window->tab_widget->isEnabled());
    EXPECT_FALSE(window->save_action->isEnabled());
  }
  EXPECT_EQ(warnings[0].first, "Application");
  EXPECT_TRUE(warnings[0].second.startsWith("Cannot read file " + missing + ":\n"));
  EXPECT_FALSE(run_save());  // nothing to save: not even a name is asked for
  EXPECT_TRUE(save_filters.isEmpty());

  // A name with letters outside ASCII must reach the reader intact.
  open(photo("chelsea_gray.pgm", QString::fromUtf8("gato_señorío_ü.pgm")));
  EXPECT_EQ(gl->input_image.width, 451u);
  EXPECT_EQ(gl->input_image.height, 300u);
  open(not_pgm);
  EXPECT_TRUE(window->tab_widget->isEnabled());
  EXPECT_TRUE(window->save_action->isEnabled());
  EXPECT_EQ(gl->input_image.width, 451u);
  EXPECT_EQ(open_captions, QStringList(5, "Open File"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FileCommands, PgmIsTheCurrentImageAt300PpiAndTwiceItAt600) {
  load();
  const QString target = folder.filePath(QString::fromUtf8("résultat.pgm"));
  save_answers = {target, folder.filePath("camera_600.pgm")};
  EXPECT_TRUE(run_save());
  EXPECT_EQ(save_filters, QStringList{"Images (*.png);;Images (*.pgm)"});
  const _image& shown = gl->stippling_image;
  const _image saved = read_pgm(target);
  ASSERT_EQ(saved.width, shown.width);
  ASSERT_EQ(saved.height, shown.height);
  size_t differences = 0;
  for (size_t i = 0; i < shown.samples.size(); ++i)
    differences += saved.samples[i] != float(int(shown.samples[i]) & 0xFF);
  EXPECT_EQ(differences, 0u);

  gl->save_resolution[gl->device] = resolution_600;
  EXPECT_TRUE(run_save());
  EXPECT_EQ(save_filters.last(), "Images (*.pgm)");
  EXPECT_EQ(gl->hires_image, nullptr);
  const _image twice = read_pgm(folder.filePath("camera_600.pgm"));
  EXPECT_EQ(twice.width, 2 * shown.width);
  EXPECT_EQ(twice.height, 2 * shown.height);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(FileCommands, PngCarries300PpiAndTheTonedPictureOnScreen) {
  load("coffee_gray.pgm");
  gl->set_device(device_color_tones);
  gl->set_stippling_tone(9);  // sepia
  save_answers = {folder.filePath("sepia.png")};
  EXPECT_TRUE(run_save());
  EXPECT_TRUE(warnings.empty());
  QImage saved(folder.filePath("sepia.png"));
  EXPECT_EQ(saved.dotsPerMeterX(), 11811);
  EXPECT_EQ(saved.dotsPerMeterY(), 11811);
  const _texture& shown = gl->display_texture;
  ASSERT_EQ(saved.size(), QSize(shown.width, shown.height));
  saved = saved.convertToFormat(QImage::Format_ARGB32);
  int differences = 0, coloured = 0;
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
  EXPECT_GT(coloured, 0);  // the tone is part of the saved picture
}

TEST_F(FileCommands, RefusedNamesAndResolutionsWriteNothing) {
  load("coffee_gray.pgm");
  save_answers = {folder.filePath("a.PNG"), folder.filePath("b.jpg"), folder.filePath("plain"),
                  folder.filePath("d.pgm")};
  EXPECT_TRUE(run_save());
  EXPECT_EQ(save_filters.size(), 4);
  ASSERT_EQ(warnings.size(), 3u);
  for (const auto& [title, text] : warnings)
    EXPECT_EQ(title + ": " + text, "Warning: The file must be of type .pgm or .png");
  save_answers = {folder.filePath("e.txt")};  // cancelled after a refused name
  EXPECT_FALSE(run_save());

  gl->save_resolution[gl->device] = resolution_600;
  save_answers = {folder.filePath("big.png")};
  EXPECT_FALSE(run_save());
  EXPECT_EQ(notes, QStringList{"Can not be saved a 1200ppi png file"});
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"d.pgm"});
}

TEST_F(FileCommands, AFailedWriteWarnsAndKeepsTheOlderFile) {
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
    EXPECT_EQ(warnings[0].first + ": " + warnings[0].second,
              "Warning: Cannot write file " + target + ".");
    EXPECT_EQ(contents(target), older ? "older result" : "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  // No temporary file is left behind either.
  EXPECT_EQ(QDir(folder.path()).entryList({"*old*"}, QDir::Files),
            (QStringList{"old.pgm", "old.png"}));
}

TEST_F(FileCommands, ClosingTheProgressDialogCancelsTheSave) {
  load();
  const QString target = folder.filePath("kept.pgm");
  write_bytes(target, "older result");
  save_answers = {target};
  bool saw_dialog = false, saw_busy_cursor = false;
  // Fires at the first row, when the writer lets the event loop run.
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<QProgressDialog*>();
    saw_dialog = dialog && dialog->labelText() == "Saving file..." &&
                 dialog->maximum() == int(gl->stippling_image.height);
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

// A linked file is read at once and again on each tick that finds it touched.
class LinkedFile : public WindowFixture {
 protected:
  QString path;
  QDateTime seen;
  void SetUp() override {
    WindowFixture::SetUp();
    path = photo("camera.pgm", "live.pgm");
    open_answers = {path};
    run("link_file");
    run("check_linked_file");  // the first tick reads the file again
    seen = window->linked_modified;
    ASSERT_FALSE(seen.isNull());
    ASSERT_EQ(gl->input_image.width, 512u);
  }
  // Another program writes a different picture (or its first bytes) with its own time stamp.
  void rewrite(int seconds, qsizetype bytes = 1 << 30) {
    write_bytes(path, contents(STIPPON_DATA_DIR "/images/coffee_gray.pgm").left(bytes),
                seen.addSecs(seconds));
  }
};

TEST_F(LinkedFile, ATouchedFileIsReadAgainUntilAnotherOpen) {
  EXPECT_EQ(open_captions, QStringList{"Link File"});
  EXPECT_EQ(window->link_timer->interval(), 1000);
  EXPECT_TRUE(window->tab_widget->isEnabled());
  rewrite(5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return gl->input_image.width == 600u; }, 2000));
  EXPECT_EQ(window->linked_modified, seen.addSecs(5));

  open(QString());  // any open command, even a cancelled one, ends the watching
  EXPECT_FALSE(window->link_timer->isActive());
  write_bytes(path, contents(STIPPON_DATA_DIR "/images/camera.pgm"), seen.addSecs(10));
  QTest::qWait(1100);
  EXPECT_EQ(gl->input_image.width, 600u);
}

TEST_F(LinkedFile, AHalfWrittenFileIsReadAgainLater) {
  rewrite(3, 120000);
  run("check_linked_file");
  EXPECT_TRUE(window->linked_modified.isNull());
  EXPECT_EQ(gl->input_image.width, 512u);
  rewrite(3);  // the rest arrives within the same time stamp: the next tick still reads it
  run("check_linked_file");
  EXPECT_EQ(window->linked_modified, seen.addSecs(3));
  EXPECT_EQ(gl->input_image.width, 600u);
  QFile::remove(path);  // a vanished file is skipped until it is back
  run("check_linked_file");
  EXPECT_EQ(window->linked_modified, seen.addSecs(3));
}

TEST_F(LinkedFile, ThePollWaitsWhileAnImageIsSaved) {
  const unsigned preview_height = gl->stippling_image.height;
  rewrite(5);
  save_answers = {folder.filePath("during.pgm")};
  // A tick arriving while the writer lets the event loop run.
  QTimer::singleShot(0, [&] { QMetaObject::invokeMethod(window.get(), "check_linked_file"); });
  EXPECT_TRUE(run_save());
  EXPECT_EQ(gl->input_image.width, 512u);
  EXPECT_EQ(read_pgm(folder.filePath("during.pgm")).height, preview_height);
  run("check_linked_file");
  EXPECT_EQ(gl->input_image.width, 600u);
}

}  // namespace
}  // namespace stippon
