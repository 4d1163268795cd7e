// A controller on its own (no main window) with the real dot sheets and tones, and its message
// boxes recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "controller/gl_widget.h"

namespace stippon::testing {

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

class ControllerFixture : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  std::unique_ptr<_gl_widget> gl;
  std::vector<_message> messages;

  void SetUp() override {
    // The sheets are loaded once for the whole run and, as in the program, never released.
    static _image* sheets[DOT_RESOLUTIONS][DOT_SLOTS] = {};
    static const bool loaded = load_dot_sheets(sheets, 16384, STIPPON_DATA_DIR) == 1;
    ASSERT_TRUE(loaded) << "dot sheets in " STIPPON_DATA_DIR "/dots";
    ASSERT_TRUE(folder.isValid());
    gl = std::make_unique<_gl_widget>(nullptr, nullptr);
    std::copy(&sheets[0][0], &sheets[0][0] + DOT_RESOLUTIONS * DOT_SLOTS, &gl->dot_sheets[0][0]);
    gl->dot_variant_rows = 1;
    ASSERT_EQ(load_tones(gl->tones, STIPPON_DATA_DIR), 1);
    gl->show_message = [this](QMessageBox::Icon icon, const QString& title, const QString& text) {
      messages.push_back({icon, title, text});
    };
  }

  void TearDown() override {
    gl.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor left behind";
  }

  // Writes a grey ramp with a dark disc, so that halftone and borders have something to work on,
  // as a PGM file in the temporary folder and returns its name.
  std::string pgm(const QString& name, unsigned width, unsigned height) {
    _image image;
    image.dimensions(height, width);
    image.create(true);
    for (unsigned r = 0; r < height; ++r) {
      for (unsigned c = 0; c < width; ++c) {
        const float dx = c - width / 2.0f, dy = r - height / 2.0f;
        const bool disc = dx * dx + dy * dy < (height / 4.0f) * (height / 4.0f);
        image.put(r, c, disc ? 30.0f : static_cast<float>((c * 255) / width));
      }
    }
    const std::string path = QFile::encodeName(folder.filePath(name)).toStdString();
    EXPECT_EQ(_file_pgm().write(path, image), 1);
    return path;
  }

  void load(unsigned width, unsigned height, _output_size size = size_optimal) {
    gl->output_size = size;
    ASSERT_TRUE(gl->read_image(pgm("input.pgm", width, height)));
  }

  long count(QMessageBox::Icon icon) const {
    return std::count_if(messages.begin(), messages.end(),
                         [icon](const _message& m) { return m.icon == icon; });
  }
};

}  // namespace stippon::testing
