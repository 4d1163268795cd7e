// A controller on its own (no main window) with the real dot sheets, small synthetic tones, and
// its message boxes recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "controller/gl_widget.h"
#include "image/file_pgm.h"
#include "stipple/dot_library.h"
#include "tones/color_ramp.h"

namespace stippon::testing {

struct _message {
  QMessageBox::Icon icon;
  QString title;
  QString text;
  bool busy_cursor;  // the wait cursor was up while the box was asked for
};

// The sheets are loaded once for the whole run and, as in the program, never released.
inline _image* const* dot_sheet_rows() {
  static _image* sheets[DOT_RESOLUTIONS][DOT_SLOTS] = {};
  static const bool loaded = load_dot_sheets(sheets, 16384, STIPPON_DATA_DIR) == 1;
  EXPECT_TRUE(loaded) << "dot sheets in " STIPPON_DATA_DIR "/dots";
  return &sheets[0][0];
}

// Tone i maps grey g to (g, i * 16, 255 - g); tone 0 is the neutral ramp.
inline _texture test_tone(int i) {
  if (i == 0) return _color_ramp();
  _texture tone;
  tone.dimensions(1, 256);
  tone.create();
  for (unsigned g = 0; g < 256; ++g)
    tone.put(0, g, _pixel(g, static_cast<unsigned char>(i * 16), 255 - g, 255));
  return tone;
}

// A grey ramp with a dark disc, so that halftone and borders have something to work on.
inline _image test_picture(unsigned width, unsigned height) {
  _image image;
  image.dimensions(height, width);
  image.create(true);
  for (unsigned r = 0; r < height; ++r) {
    for (unsigned c = 0; c < width; ++c) {
      const float dx = static_cast<float>(c) - width / 2.0f;
      const float dy = static_cast<float>(r) - height / 2.0f;
      const bool disc = dx * dx + dy * dy < (height / 4.0f) * (height / 4.0f);
      image.put(r, c, disc ? 30.0f : static_cast<float>((c * 255) / width));
    }
  }
  return image;
}

class ControllerFixture : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  std::unique_ptr<_gl_widget> gl;
  std::vector<_message> messages;

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    gl = std::make_unique<_gl_widget>(nullptr, nullptr);
    _image* const* sheets = dot_sheet_rows();
    for (int r = 0; r < DOT_RESOLUTIONS; ++r)
      for (int s = 0; s < DOT_SLOTS; ++s) gl->dot_sheets[r][s] = sheets[r * DOT_SLOTS + s];
    gl->dot_variant_rows = 1;
    gl->dot_variant_max_column = 10;
    for (int i = 0; i < TONE_COUNT; ++i) gl->tones[i] = test_tone(i);
    gl->show_message = [this](QMessageBox::Icon icon, const QString& title, const QString& text) {
      const QCursor* cursor = QApplication::overrideCursor();
      messages.push_back({icon, title, text, cursor && cursor->shape() == Qt::WaitCursor});
    };
  }

  void TearDown() override {
    gl.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor left behind";
  }

  // Writes a test picture as a PGM file in the temporary folder and returns its name.
  std::string pgm(const QString& name, unsigned width, unsigned height) {
    const std::string path = QFile::encodeName(folder.filePath(name)).toStdString();
    _image image = test_picture(width, height);
    EXPECT_EQ(_file_pgm().write(path, image), 1);
    return path;
  }

  // Reads a picture with the output size fitted to the input (width x 3): small and exact.
  void load(unsigned width, unsigned height, _output_size size = size_optimal) {
    gl->output_size = size;
    ASSERT_TRUE(gl->read_image(pgm("input.pgm", width, height)));
  }

  int count(QMessageBox::Icon icon) const {
    int n = 0;
    for (const _message& m : messages) n += m.icon == icon;
    return n;
  }
};

inline bool same_samples(const _image& a, const _image& b) {
  return a.width == b.width && a.height == b.height && a.samples == b.samples;
}

inline bool same_texels(const _texture& a, const _texture& b) {
  return a.width == b.width && a.height == b.height && a.texels == b.texels;
}

}  // namespace stippon::testing
