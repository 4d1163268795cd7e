// What the window keeps between runs: its geometry, the recent files, the last folder and the
// panels' choices, in mottle.ini.
#include <QMenu>
#include <QScreen>
#include <QSettings>

#include "ui/preferences.h"
#include "window_fixture.h"

namespace stippon {
namespace {

// Each start of the program in a working folder of its own, with a copy of the file the last
// start left: a file Qt has written in this process would be answered from its memory.
class Preferences : public WindowFixture {
 protected:
  std::vector<std::unique_ptr<QTemporaryDir>> starts;

  // Another start, from the file the last one left on closing, or from the text given.
  void start_again(const QByteArray& text = {}) {
    if (text.isEmpty()) window->exit_action->trigger();  // Ctrl+Q
    const QByteArray kept = text.isEmpty() ? contents("mottle.ini") : text;
    window.reset();
    starts.push_back(std::make_unique<QTemporaryDir>());
    enter(starts.back()->path());
    write_bytes("mottle.ini", kept);
    make_window(false);
  }
};

QStringList recent_entries(QMenu* menu) {
  QStringList texts;
  for (QAction* item : menu->actions())
    if (!item->isSeparator()) texts << item->text() + " = " + item->data().toString();
  return texts;
}

// A working directory that cannot be written to sends the file to the user's configuration
// folder, under the temporary HOME of the test.
TEST_F(Preferences, TheFileGoesWhereItCanBeWritten) {
  EXPECT_EQ(window->preferences().file_name(), folder.filePath("mottle.ini"));
  const _preferences elsewhere(folder.filePath("no such folder"));
  EXPECT_EQ(elsewhere.file_name(), home.home.filePath(".config/Stippon/mottle.ini"));
  EXPECT_TRUE(QFileInfo(home.home.filePath(".config/Stippon")).isDir());
}

// The geometry written on closing is read back by the next window, within the screen and at
// least the window's smallest.
TEST_F(Preferences, TheGeometryIsReadBack) {
  const QSize screen = window->screen()->availableSize();
  const struct {
    const char* name;
    QRect written;
    QSize read;
  } rows[] = {
      {"small", QRect(20, 30, 1040, 680), QSize(1040, 680)},
      {"smaller than the smallest", QRect(20, 30, 640, 480), QSize(960, 600)},
      {"larger than the screen", QRect(0, 0, 5000, 4000), screen},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    {
      QSettings file(folder.filePath("mottle.ini"), QSettings::IniFormat);
      file.setValue("width", row.written.width());
      file.setValue("height", row.written.height());
      file.setValue("pos_x", row.written.x());
      file.setValue("pos_y", row.written.y());
    }
    make_window();
    EXPECT_EQ(window->size(), row.read);
  }
  window->resize(1100, 700);
  window->close();
  make_window();
  EXPECT_EQ(window->size(), QSize(1100, 700));
}

// A second window lists the files the first one opened, newest first, eight at most, and opens
// them; the open dialog starts in the folder of the last one.
TEST_F(Preferences, RecentFilesAcrossTwoWindows) {
  const QString images = STIPPON_DATA_DIR "/images/";
  load("camera.pgm");
  load("coffee_gray.pgm");
  EXPECT_EQ(recent_entries(window->recent_menu),
            (QStringList{"&1 coffee_gray.pgm = " + images + "coffee_gray.pgm",
                         "&2 camera.pgm = " + images + "camera.pgm", "&Clear list = "}));

  make_window();  // another start of the program
  EXPECT_TRUE(window->recent_menu->isEnabled());
  EXPECT_EQ(recent_entries(window->recent_menu).size(), 3);
  window->recent_menu->actions()[1]->trigger();  // camera.pgm
  EXPECT_EQ(doc().input().width, 512u);
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("camera.pgm \u2014 Stippon"));
  EXPECT_EQ(window->preferences().recent_files(),
            (QStringList{images + "camera.pgm", images + "coffee_gray.pgm"}));
  open_answers = {QString()};
  run("open_file");
  EXPECT_EQ(open_folders.last(), QDir::cleanPath(images));

  for (int i = 0; i < 9; ++i) open(photo("camera.pgm", QString("copy_%1.pgm").arg(i)));
  const QStringList recent = window->preferences().recent_files();
  ASSERT_EQ(recent.size(), 8);
  EXPECT_EQ(recent.first(), folder.filePath("copy_8.pgm"));
  EXPECT_EQ(recent.last(), folder.filePath("copy_1.pgm"));
  window->recent_menu->actions().last()->trigger();  // Clear list
  EXPECT_FALSE(window->recent_menu->isEnabled());
  make_window();
  EXPECT_TRUE(window->preferences().recent_files().isEmpty());
}

// The sections of an INI file, in order.
QStringList sections(const QString& path) {
  QStringList found;
  for (const QByteArray& line : contents(path).split('\n'))
    if (line.startsWith('[')) found << QString::fromUtf8(line);
  return found;
}

// Two starts of the program, each reading the file the one before left from the disk: every
// choice of both panels, the ink and a custom width come back, and the file keeps one section
// per group.
TEST_F(Preferences, EveryChoiceComesBackAfterARestart) {
  load("coffee_gray.pgm");
  choose_everything();
  type_in(general<_line_edit>("width_line_edit"), "2.5");
  controller->finish_work();
  _document_settings chosen = settings();
  QStringList shown = panel_controls(*window);
  ASSERT_EQ(shown.size(), 29) << shown.join("\n").toStdString();
  EXPECT_EQ(chosen.ink, _pixel(0, 90, 200, 180));
  EXPECT_EQ(chosen.colour_source, colour_photo);

  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    start_again();
    EXPECT_EQ(sections("mottle.ini"), (QStringList{"[General]", "[general_tab]", "[images]"}));
    EXPECT_TRUE(contents("mottle.ini").contains("\ngamma=1.6\n"));
    EXPECT_EQ(settings(), chosen);
    EXPECT_FALSE(window->undo_action->isEnabled());  // restored, not changed
    load("coffee_gray.pgm");
    EXPECT_EQ(panel_controls(*window), shown);
    EXPECT_EQ(settings(), chosen);
    // In its own colours a grey photograph's dark corner takes black dots, not the ink.
    EXPECT_EQ(doc().colour_field().get(0, 0), _pixel(0, 0, 0));
    // The four inks, a colour mode that is no device of its own, come back as well.
    general<QComboBox>("device_combo")->setCurrentIndex(3);
    ASSERT_EQ(settings().inks, inks_cmyk);
    chosen = settings();
    shown = panel_controls(*window);
  }
  // A value still being typed at Ctrl+Q is kept as well.
  ASSERT_TRUE(show_active());
  auto* gamma = general<QDoubleSpinBox>("gamma_spin_box");
  gamma->setFocus();
  QTest::keyClick(gamma, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(gamma, "2.2");
  start_again();
  EXPECT_EQ(general<QDoubleSpinBox>("gamma_spin_box")->value(), 2.2);
}

// A file of an earlier version, whose General choices went to the section [%General] (twice after
// two runs), gives them back once and is tidied at the next close.
TEST_F(Preferences, AFileOfAnEarlierVersionIsReadOnce) {
  start_again(
      "[General]\nwidth=1100\nheight=700\n\n"
      "[%General]\npacking=20\ngamma=1\n\n[images]\nthreshold=90\n\n"
      "[%General]\npacking=27\nrandomness=5\ngamma=1.6\ntone_matching=1\n"
      "resolution_grey=0\nblack_point=20\nwhite_point=255\n");
  EXPECT_EQ(general<_line_edit>("scale_factor_line_edit")->text(), "2.70");
  EXPECT_EQ(general<_line_edit>("displacement_line_edit")->text(), "0.16");
  EXPECT_EQ(general<QComboBox>("save_resolution_combo")->currentText(), "1200ppi");
  EXPECT_EQ(general<QComboBox>("tone_matching_combo")->currentText(), "Grey levels");
  EXPECT_EQ(general<QDoubleSpinBox>("gamma_spin_box")->value(), 1.6);
  EXPECT_EQ(general<QSpinBox>("black_point_spin_box")->value(), 20);
  EXPECT_EQ(images<QSlider>("threshold_slider")->value(), 90);
  EXPECT_EQ(window->size(), QSize(1100, 700));
  start_again();
  EXPECT_EQ(sections("mottle.ini"), (QStringList{"[General]", "[general_tab]", "[images]"}));
  EXPECT_EQ(general<_line_edit>("scale_factor_line_edit")->text(), "2.70");
  EXPECT_EQ(settings().stipple.displacement, 0.15625f);
}

// Values that no control can hold keep their defaults.
TEST_F(Preferences, ValuesOutOfRangeKeepTheirDefaults) {
  {
    QSettings file(folder.filePath("mottle.ini"), QSettings::IniFormat);
    const std::pair<const char*, QVariant> junk[] = {
        {"general_tab/size", 9},          {"general_tab/packing", 6.01},
        {"general_tab/colours", "tones"}, {"general_tab/tone", 15},
        {"general_tab/width", -3},        {"general_tab/randomness", 1.5},
        {"images/low_density_min", 7},    {"images/low_density_max", 5},
        {"images/threshold", -1},         {"images/borders", 51},
        {"images/ink", "no colour"},      {"general_tab/black_point", 200},
        {"general_tab/white_point", 100}, {"general_tab/gamma", 11.0},
        {"general_tab/tone_matching", 3},
    };
    for (const auto& [key, value] : junk) file.setValue(key, value);
  }
  const _document_settings read = _preferences(folder.path()).settings(_document_settings());
  EXPECT_TRUE(read == _document_settings());
}

}  // namespace
}  // namespace stippon
