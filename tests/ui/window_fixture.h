// A main window running in a temporary working directory (so "mottle.ini" and saved files land
// there), with its file dialogs, warning boxes and the controller's messages replaced by scripted
// answers.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "controller/gl_widget.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/window.h"

namespace stippon {

class WindowFixture : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  QString previous_folder = QDir::currentPath();
  std::unique_ptr<_window> window;
  _gl_widget* gl = nullptr;
  _general_tab* general = nullptr;
  _images_tab* images = nullptr;
  std::deque<QString> open_answers, save_answers;
  QStringList open_captions, save_filters, notes;
  std::vector<std::pair<QString, QString>> warnings;

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"dots", "tones", "icons"})
      ASSERT_TRUE(QFile::link(QString(STIPPON_DATA_DIR "/") + name, folder.filePath(name)));
    QDir::setCurrent(folder.path());
    window = std::make_unique<_window>();
    gl = window->gl_widget;
    general = gl->general_tab;
    images = gl->images_tab;
    // A10 keeps every computation small.
    gl->output_size = size_a10;
    gl->show_message = [this](QMessageBox::Icon, const QString&, const QString& text) {
      notes << text;
    };
    window->ask_open_file_name = [this](const QString& caption, const QString&, const QString&) {
      open_captions << caption;
      return pop(open_answers);
    };
    window->ask_save_file_name = [this](const QString&, const QString&, const QString& filter) {
      save_filters << filter;
      return pop(save_answers);
    };
    window->warn = [this](const QString& title, const QString& text) {
      warnings.emplace_back(title, text);
    };
  }

  void TearDown() override {
    window.reset();
    QDir::setCurrent(previous_folder);
  }

  static QString pop(std::deque<QString>& answers) {
    if (answers.empty()) return QString();
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // Copies a sample photograph into the working folder under the given name.
  QString photo(const char* sample, const QString& name) {
    const QString path = folder.filePath(name);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(QString(STIPPON_DATA_DIR "/images/") + sample, path));
    return path;
  }

  // Runs a private slot of the window, as its menu entry does.
  void run(const char* slot) { ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), slot)); }
  bool run_save() {
    bool written = false;
    EXPECT_TRUE(QMetaObject::invokeMethod(window.get(), "save_file", Q_RETURN_ARG(bool, written)));
    return written;
  }

  void open(const QString& path) {
    open_answers.push_back(path);
    run("open_file");
  }
  void load(const char* sample = "camera.pgm") {
    open(QString(STIPPON_DATA_DIR "/images/") + sample);
    ASSERT_TRUE(gl->image_loaded);
  }
};

}  // namespace stippon
