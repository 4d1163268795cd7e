// The real main window running in a temporary working directory (so that saved files land there),
// with its file dialogs and its boxes replaced by scripted answers and records. The panels'
// controls are found by their object names.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "controller/controller.h"
#include "document/test_pictures.h"
#include "ui/color_selector.h"
#include "ui/line_edit.h"
#include "ui/picture_view.h"
#include "ui/status_line.h"
#include "ui/window.h"

// Readable failures: gtest prints Qt's strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << '{' << list.join("\", \"").prepend('"').append('"').toStdString() << '}';
}

namespace stippon {

using testing::same_samples;
using testing::same_texels;

// Points HOME and XDG_CONFIG_HOME at a folder of its own for its lifetime, so that no test reads
// or writes the user's preferences.
class _temporary_home {
 public:
  QTemporaryDir home;

  _temporary_home() {
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
  }
  ~_temporary_home() {
    for (const auto& [name, value] : saved) value.isNull() ? qunsetenv(name) : qputenv(name, value);
  }
  _temporary_home(const _temporary_home&) = delete;
  _temporary_home& operator=(const _temporary_home&) = delete;

 private:
  const std::pair<const char*, QByteArray> saved[2] = {
      {"HOME", qgetenv("HOME")}, {"XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME")}};
};

inline QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void write_bytes(const QString& path, const QByteArray& bytes, QDateTime modified = {}) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
  ASSERT_TRUE(file.flush());  // a later flush would stamp the file with the current time
  // A time of its own, so that the poll sees a change within the file system's resolution.
  if (modified.isValid()) {
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
  }
}

// A user's pick in a list: the index moves and, as for a mouse or keyboard choice, activated
// follows.
inline void pick(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// A value typed over a field's text, then handed over with a key.
inline void type_in(_line_edit* field, const char* text, Qt::Key key = Qt::Key_Tab) {
  field->clear();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, key);
}

// Every named control of both panels as "panel/name=value", the ink's swatch included.
inline QStringList panel_controls(const _window& window) {
  QStringList shown;
  for (const char* panel : {"general_tab", "images_tab"}) {
    for (const QWidget* w : window.findChild<QWidget*>(panel)->findChildren<QWidget*>()) {
      QString value;
      if (const auto* combo = qobject_cast<const QComboBox*>(w)) value = combo->currentText();
      if (const auto* slider = qobject_cast<const QSlider*>(w)) value.setNum(slider->value());
      if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) value = spin->text();
      if (const auto* check = qobject_cast<const QCheckBox*>(w)) value.setNum(check->isChecked());
      if (const auto* edit = qobject_cast<const _line_edit*>(w)) value = edit->text();
      if (const auto* swatch = qobject_cast<const _color_selector*>(w))
        value = swatch->color().name(QColor::HexArgb);
      if (!w->objectName().isEmpty() && !value.isNull())
        shown << QString("%1/%2=%3").arg(panel, w->objectName(), value);
    }
  }
  return shown;
}

class WindowFixture : public ::testing::Test {
 protected:
  _temporary_home home;
  QTemporaryDir folder;
  QString previous_folder = QDir::currentPath();
  std::unique_ptr<_window> window;
  _controller* controller = nullptr;
  _picture_view* view = nullptr;
  QStringList open_answers, save_answers, open_captions, open_folders, save_filters,
      save_suggestions, open_filters;
  std::vector<std::pair<QString, QString>> warnings;  // the window's boxes

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    enter(folder.path());
    make_window();
  }

  // Works in `path` from now on, with the data the program reads there.
  static void enter(const QString& path) {
    for (const char* name : {"dots", "tones", "icons"})
      ASSERT_TRUE(QFile::link(QString(STIPPON_DATA_DIR "/") + name, path + "/" + name));
    QDir::setCurrent(path);
  }

  // A window as the program makes it, with its dialogs and boxes scripted and recorded; unless
  // it is to show the kept choices as they are, on A10, which keeps every run small.
  void make_window(bool small_runs = true) {
    window = std::make_unique<_window>(".");
    controller = &window->controller();
    view = window->view();
    if (small_runs) change([](_document_settings& s) { s.output_size = size_a10; });
    window->ask_open_file_name = [this](const QString& caption, const QString& dir,
                                        const QString& filter) {
      open_captions << caption;
      open_filters << filter;
      open_folders << dir;
      return open_answers.isEmpty() ? QString() : open_answers.takeFirst();
    };
    window->ask_save_file_name = [this](const QString&, const QString& suggested,
                                        const QString& filter) {
      save_filters << filter;
      save_suggestions << suggested;
      return save_answers.isEmpty() ? QString() : save_answers.takeFirst();
    };
    window->warn = [this](const QString& title, const QString& text) {
      warnings.emplace_back(title, text);
    };
  }

  void TearDown() override {
    window.reset();
    QDir::setCurrent(previous_folder);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor left behind";
  }

  // A control of a panel ("general_tab" or "images_tab") by its object name.
  template <class T>
  T* control(const char* panel, const char* name) {
    QWidget* tab = window->findChild<QWidget*>(panel);
    T* found = tab != nullptr ? tab->findChild<T*>(name) : nullptr;
    EXPECT_NE(found, nullptr) << panel << " " << name;
    return found;
  }
  template <class T>
  T* general(const char* name) {
    return control<T>("general_tab", name);
  }
  template <class T>
  T* images(const char* name) {
    return control<T>("images_tab", name);
  }

  // The document with every change so far worked out, as the window has it once its runs end.
  const _stipple_document& doc() {
    controller->finish_work();
    return controller->document();
  }
  const _document_settings& settings() { return controller->settings(); }
  // Changes settings behind the panels' back, as the kept choices are: no undo step.
  void change(const std::function<void(_document_settings&)>& edit) {
    _document_settings changed = settings();
    edit(changed);
    controller->restore(changed);
  }

  // Every control of both panels away from its default, as a user sets them; the size is Custom,
  // its width left as it was.
  void choose_everything() {
    general<QComboBox>("save_resolution_combo")->setCurrentIndex(resolution_1200);
    general<QComboBox>("size_combo")->setCurrentIndex(size_custom);
    general<QComboBox>("units_combo")->setCurrentIndex(units_inches);
    general<QSlider>("scale_factor_slider")->setValue(27);
    general<QSlider>("displacement_slider")->setValue(11);
    pick(general<QComboBox>("placement_combo"), placement_relaxed);
    pick(general<QComboBox>("merging_function_combo"), merging_minimum);
    pick(general<QComboBox>("random_distribution_combo"), distribution_normal);
    general<QComboBox>("device_combo")->setCurrentIndex(device_color_tones);
    pick(general<QComboBox>("stippling_tone_combo"), 9);
    general<QComboBox>("tone_matching_combo")->setCurrentIndex(tone_matching_grey);
    general<QSpinBox>("black_point_spin_box")->setValue(20);
    general<QSpinBox>("white_point_spin_box")->setValue(230);
    general<QDoubleSpinBox>("gamma_spin_box")->setValue(1.6);
    images<QSpinBox>("low_density_max_spin_box")->setValue(6);
    images<QSpinBox>("high_density_min_spin_box")->setValue(5);
    images<QSlider>("threshold_slider")->setValue(100);
    images<QSlider>("borders_slider")->setValue(-10);
    images<QCheckBox>("colour_check_box")->setChecked(true);
    emit images<_color_selector>("color_selector")->color_picked(QColor(0, 90, 200, 180));
    images<QComboBox>("colour_source_combo")->setCurrentIndex(colour_photo);
    controller->finish_work();
  }

  // Copies a sample photograph into the working folder under the given name.
  QString photo(const char* sample, const QString& name) {
    EXPECT_TRUE(QFile::copy(QString(STIPPON_DATA_DIR "/images/") + sample, folder.filePath(name)));
    return folder.filePath(name);
  }

  // Shows the window and waits until it takes the keys.
  bool show_active() {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }

  // Runs a private slot of the window, as its menu entry does.
  void run(const char* slot) { ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), slot)); }
  bool run_save() {
    bool written = false;
    EXPECT_TRUE(QMetaObject::invokeMethod(window.get(), "save_file", Q_RETURN_ARG(bool, written)));
    return written;
  }
  void open(const QString& path) {
    open_answers = {path};
    run("open_file");
  }
  // Opens one of the sample photographs with the File menu.
  void load(const char* sample = "camera.pgm") {
    open(QString(STIPPON_DATA_DIR "/images/") + sample);
    ASSERT_TRUE(controller->loaded());
    controller->finish_work();
  }
};

}  // namespace stippon
