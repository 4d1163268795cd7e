// A main window running in a temporary working directory (so "mottle.ini" and saved files land
// there), with its file dialogs and warning boxes replaced by scripted answers.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "controller/gl_widget.h"
#include "ui/window.h"

namespace stippon {

// Closes every message box that turns modal while it lives (the controller's own warnings),
// remembering their texts.
class _message_box_closer {
 public:
  QStringList texts;

  _message_box_closer() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      texts << box->text();
      box->done(QMessageBox::Ok);
    });
    timer.start();
  }

 private:
  QTimer timer;
};

class WindowFixture : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  QString previous_folder;
  std::unique_ptr<_window> window;
  std::deque<QString> open_answers;
  std::deque<QString> save_answers;
  QStringList open_captions;
  QStringList save_filters;
  std::vector<std::pair<QString, QString>> warnings;

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"dots", "tones", "icons"}) {
      ASSERT_TRUE(QFile::link(QString(STIPPON_DATA_DIR "/") + name, folder.filePath(name)));
    }
    previous_folder = QDir::currentPath();
    QDir::setCurrent(folder.path());
    window = std::make_unique<_window>();
    // A10 keeps every computation small and never needs an enlarged input (no modal warning).
    window->gl_widget->output_size = size_a10;
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
};

}  // namespace stippon
