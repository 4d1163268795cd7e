// What the window keeps between runs: its geometry, the recent files, the last folder and the
// panels' choices, in mottle.ini.
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include "ui/line_edit.h"
#include "ui/preferences.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using Preferences = WindowFixture;

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

// The geometry written on closing is read back by the next window, within the screen.
TEST_F(Preferences, TheGeometryIsReadBack) {
  const QSize screen = window->screen()->availableSize();
  const struct {
    const char* name;
    QRect written;
    QSize read;
  } rows[] = {
      {"small", QRect(20, 30, 640, 480), QSize(640, 480)},
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
  window->resize(700, 500);
  window->close();
  make_window();
  EXPECT_EQ(window->size(), QSize(700, 500));
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

// The panels' choices come back in the next window, in the panels and in the document.
TEST_F(Preferences, ThePanelsChoicesAreKept) {
  load("coffee_gray.pgm");
  general<QComboBox>("size_combo")->setCurrentIndex(size_a9);
  general<QComboBox>("units_combo")->setCurrentIndex(units_inches);
  general<QSlider>("scale_factor_slider")->setValue(34);
  general<QComboBox>("device_combo")->setCurrentIndex(device_color_tones);
  general<QComboBox>("stippling_tone_combo")->setCurrentIndex(9);
  emit general<QComboBox>("stippling_tone_combo")->activated(9);
  images<QSpinBox>("low_density_max_spin_box")->setValue(6);
  images<QSlider>("borders_slider")->setValue(-10);
  images<QCheckBox>("colour_check_box")->setChecked(true);
  general<QComboBox>("tone_matching_combo")->setCurrentIndex(tone_matching_linear);
  general<QSpinBox>("black_point_spin_box")->setValue(20);
  general<QSpinBox>("white_point_spin_box")->setValue(230);
  general<QDoubleSpinBox>("gamma_spin_box")->setValue(1.8);
  const _document_settings chosen = settings();
  window->close();

  make_window(false);
  EXPECT_EQ(general<QComboBox>("size_combo")->currentIndex(), size_a9);
  EXPECT_EQ(settings().output_units, units_inches);
  EXPECT_EQ(settings().stipple.scale_factor, chosen.stipple.scale_factor);
  EXPECT_EQ(settings().device, device_color_tones);
  EXPECT_EQ(settings().tone, 9);
  EXPECT_EQ(settings().stipple.low_density_max, 6);
  EXPECT_EQ(settings().borders_threshold, -1.0f);
  EXPECT_TRUE(settings().colour_stippling);
  EXPECT_TRUE(settings().tone_match == chosen.tone_match);
  EXPECT_EQ(general<QDoubleSpinBox>("gamma_spin_box")->value(), 1.8);
  EXPECT_EQ(general<_line_edit>("scale_factor_line_edit")->text(), "3.40");
  EXPECT_EQ(general<QComboBox>("stippling_tone_combo")->currentIndex(), 9);
  EXPECT_TRUE(general<QGroupBox>("color_tones_group")->isEnabledTo(window->tab_widget));
  EXPECT_EQ(images<QSlider>("borders_slider")->value(), -10);
  EXPECT_TRUE(images<QCheckBox>("colour_check_box")->isChecked());
  EXPECT_FALSE(window->undo_action->isEnabled());  // restored, not changed
}

// Values that no control can hold keep their defaults.
TEST_F(Preferences, ValuesOutOfRangeKeepTheirDefaults) {
  {
    QSettings file(folder.filePath("mottle.ini"), QSettings::IniFormat);
    const std::pair<const char*, QVariant> junk[] = {
        {"general/size", 9},          {"general/packing", 61},       {"general/colours", "tones"},
        {"general/tone", 15},         {"images/low_density_min", 7}, {"images/low_density_max", 5},
        {"images/threshold", -1},     {"images/borders", 51},        {"general/black_point", 200},
        {"general/white_point", 100}, {"general/gamma", 11.0},       {"general/tone_matching", 3},
    };
    for (const auto& [key, value] : junk) file.setValue(key, value);
  }
  const _document_settings read = _preferences(folder.path()).settings(_document_settings());
  EXPECT_TRUE(read == _document_settings());
}

}  // namespace
}  // namespace stippon
