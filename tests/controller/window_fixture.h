// The real main window running in a temporary working directory (so that saved files land there),
// with its file dialogs, its warning boxes and the controller's messages replaced by scripted
// answers and records.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "controller/gl_widget.h"
#include "print/raster_file.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/settings_history.h"
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

struct _message {
  QMessageBox::Icon icon;
  QString title, text;
};

inline bool same_samples(const _image& a, const _image& b) {
  return a.width == b.width && a.height == b.height && a.samples == b.samples;
}

inline bool same_texels(const _texture& a, const _texture& b) {
  return a.width == b.width && a.height == b.height && a.texels == b.texels;
}

// The image as the view shows it, with the tone applied when one is given.
inline _texture shown(const _image& image, const _texture* tone = nullptr) {
  _texture t;
  t = image;
  if (tone != nullptr) t.tone(*tone);
  return t;
}

// Points HOME and XDG_CONFIG_HOME at a folder of its own for its lifetime, so that no test reads
// or writes the user's preferences.
class _temporary_home {
 public:
  QTemporaryDir home;

  _temporary_home() {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) saved.emplace_back(name, qgetenv(name));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
  }
  ~_temporary_home() {
    for (const auto& [name, value] : saved) {
      if (value.isNull()) {
        qunsetenv(name);
      } else {
        qputenv(name, value);
      }
    }
  }
  _temporary_home(const _temporary_home&) = delete;
  _temporary_home& operator=(const _temporary_home&) = delete;

 private:
  std::vector<std::pair<const char*, QByteArray>> saved;
};

class WindowFixture : public ::testing::Test {
 protected:
  _temporary_home home;
  QTemporaryDir folder;
  QString previous_folder = QDir::currentPath();
  std::unique_ptr<_window> window;
  _gl_widget* gl = nullptr;
  _general_tab* general = nullptr;
  QStringList open_answers, save_answers, open_captions, open_folders, save_filters, save_suggestions,
      open_filters;
  std::vector<std::pair<QString, QString>> warnings;  // the window's
  std::vector<_message> messages;                     // the controller's

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"dots", "tones", "icons"})
      ASSERT_TRUE(QFile::link(QString(STIPPON_DATA_DIR "/") + name, folder.filePath(name)));
    QDir::setCurrent(folder.path());
    make_window();
  }

  // A window as the program makes it, with its dialogs and boxes scripted and recorded.
  void make_window() {
    window = std::make_unique<_window>(".");
    gl = window->gl_widget;
    general = gl->general_tab();
    change([](_document_settings& s) { s.output_size = size_a10; });  // keeps every run small
    gl->set_message_handler(
        [this](QMessageBox::Icon icon, const QString& title, const QString& text) {
          messages.push_back({icon, title, text});
        });
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

  // The document with every change so far worked out, as the window has it once its runs end.
  _stipple_document& doc() {
    gl->finish_work();
    return gl->document();
  }
  const _document_settings& settings() { return gl->document().settings(); }
  // Changes settings behind the panels' back, without recomputing anything.
  void change(const std::function<void(_document_settings&)>& edit) {
    _document_settings changed = settings();
    edit(changed);
    doc().set_settings(changed);
    window->history->take_current();  // not a change of the user's
  }

  // Copies a sample photograph into the working folder under the given name.
  QString photo(const char* sample, const QString& name) {
    EXPECT_TRUE(QFile::copy(QString(STIPPON_DATA_DIR "/images/") + sample, folder.filePath(name)));
    return folder.filePath(name);
  }

  // Writes a grey ramp with a dark disc, so that halftone and borders have something to work on,
  // as a PGM file in the working folder and returns its name.
  std::string pgm(const QString& name, unsigned width, unsigned height) {
    _image image;
    image.dimensions(height, width);
    image.create(true);
    for (unsigned r = 0; r < height; ++r) {
      for (unsigned c = 0; c < width; ++c) {
        const float dx = c - width / 2.0f, dy = r - height / 2.0f;
        image.put(r, c, dx * dx + dy * dy < height * height / 16.0f ? 30.0f : (c * 255) / width);
      }
    }
    const std::string path = QFile::encodeName(folder.filePath(name)).toStdString();
    EXPECT_EQ(write_pgm(path, image), "");
    return path;
  }

  // Has the controller read a test picture, as the open command does.
  void load(unsigned width, unsigned height, _output_size size = size_optimal) {
    change([size](_document_settings& s) { s.output_size = size; });
    ASSERT_TRUE(gl->read_image(pgm("input.pgm", width, height)));
    gl->finish_work();
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
    ASSERT_TRUE(gl->image_loaded());
    gl->finish_work();
  }
};

}  // namespace stippon
