#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <cmath>
#include <limits>
#include <memory>

#include "controller_fixture.h"
#include "image/file_png.h"
#include "tones/color_ramp.h"
#include "ui/general_tab.h"
#include "ui/line_edit.h"
#include "ui/window.h"

namespace stippon::testing {
namespace {

using Geometry = ControllerFixture;

const char* const OVER_LIMIT =
    "The size is greather than the maximum texture size supported\nIt is changed to default "
    "values";

TEST_F(Geometry, SheetWidthsFollowTheInputOrientation) {
  struct _case {
    _output_size size;
    float aspect;
    float width;
  };
  const _case cases[] = {
      {size_a4, 1000.0f / 800.0f, 3506},
      {size_a4, 800.0f / 1000.0f, 2480},
      {size_a4, 1.0f, 3506},
      {size_a5, 1.5f, 2480},
      {size_a5, 0.5f, 1753},
      {size_a10, 2.0f, 438},
      {size_a10, 0.99f, 310},
      {size_optimal, 0.5f, 0.5f},
  };
  for (const _case& c : cases) {
    EXPECT_EQ(gl->get_AXsize(c.size, c.aspect), c.width) << c.size << " " << c.aspect;
  }
}

TEST_F(Geometry, ChoosingASizeRecomputesTheOutput) {
  load(1000, 10);
  gl->set_size(size_a4);
  EXPECT_EQ(gl->stippling_image.width, 3506u);
  EXPECT_EQ(gl->stippling_image.height, 35u);

  gl->scale_factor = 2.0f;  // "Optimal for input" ignores the packing factor
  gl->set_size(size_optimal);
  EXPECT_EQ(gl->stippling_image.width, 3000u);

  gl->set_size(size_custom);  // nothing until a width or a height is typed
  EXPECT_EQ(gl->stippling_image.width, 3000u);
  EXPECT_EQ(gl->output_size, size_custom);

  load(40, 50, size_custom);
  gl->set_size(size_a10);  // portrait: the short side
  EXPECT_EQ(gl->stippling_image.width, 310u);
  EXPECT_EQ(gl->stippling_image.height, 387u);
}

TEST_F(Geometry, DimensionsAreShownInTheChosenUnits) {
  load(1000, 4, size_a5);  // reading fits the long side: 2480 pixels
  ASSERT_EQ(gl->stippling_image.width, 2480u);
  ASSERT_EQ(gl->stippling_image.height, 9u);
  const _image preview = gl->stippling_image;

  struct _case {
    _output_units units;
    const char* width;
    const char* height;
  };
  const _case cases[] = {
      {units_millimeters, "209.97333", "0.76200"},
      {units_inches, "8.26667", "0.03000"},
      {units_pixels, "2480", "9"},
  };
  for (const _case& c : cases) {
    SCOPED_TRACE(c.units);
    gl->set_units(c.units);
    EXPECT_EQ(gl->general_tab->width_line_edit->text(), c.width);
    EXPECT_EQ(gl->general_tab->height_line_edit->text(), c.height);
    EXPECT_TRUE(same_samples(gl->stippling_image, preview));  // units never change the output
  }
}

TEST_F(Geometry, TypedWidthsAndHeights) {
  load(100, 10, size_custom);
  gl->set_units(units_millimeters);
  gl->set_width(100.0f);  // 100 * 300 / 25.4 = 1181.10...
  EXPECT_EQ(gl->stippling_image.width, 1181u);
  EXPECT_EQ(gl->stippling_image.height, 118u);

  gl->set_units(units_inches);
  gl->set_width(2.0f);
  EXPECT_EQ(gl->stippling_image.width, 600u);

  load(100, 50, size_custom);
  gl->set_units(units_pixels);
  gl->set_height(100.0f);  // the input's aspect ratio is kept
  EXPECT_EQ(gl->stippling_image.width, 200u);
  EXPECT_EQ(gl->stippling_image.height, 100u);
  EXPECT_EQ(count(QMessageBox::Warning), 0);
}

TEST_F(Geometry, UnusableTypedSizesChangeNothing) {
  load(100, 50, size_custom);
  gl->set_units(units_pixels);
  const _image preview = gl->stippling_image;
  struct _case {
    const char* name;
    bool height;
    float value;
  };
  const _case cases[] = {
      {"text that is not a number", false, 0.0f},
      {"not a number", false, std::numeric_limits<float>::quiet_NaN()},
      {"infinite", false, std::numeric_limits<float>::infinity()},
      {"under one halftone cell", false, 2.0f},
      {"negative", false, -300.0f},
      {"height of zero", true, 0.0f},
      {"height under one cell", true, 1.0f},
  };
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    gl->general_tab->width_line_edit->setText("x");
    gl->general_tab->height_line_edit->setText("y");
    if (c.height) {
      gl->set_height(c.value);
    } else {
      gl->set_width(c.value);
    }
    EXPECT_TRUE(same_samples(gl->stippling_image, preview));
    EXPECT_EQ(gl->general_tab->width_line_edit->text(), "300");
    EXPECT_EQ(gl->general_tab->height_line_edit->text(), "150");
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(Geometry, AWidthOverTheLimitFallsBackToTheInputScale) {
  load(100, 80, size_custom);
  gl->set_units(units_pixels);
  gl->max_texture_size = 1000;
  gl->set_width(1001.0f);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
  EXPECT_EQ(messages[0].title, "Warning");
  EXPECT_EQ(messages[0].text, OVER_LIMIT);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->general_tab->width_line_edit->text(), "300");

  gl->set_width(1000.0f);  // the limit itself is accepted
  EXPECT_EQ(gl->stippling_image.width, 1000u);
  EXPECT_EQ(count(QMessageBox::Warning), 1);
}

TEST_F(Geometry, BothEdgesOfThePreviewAreChecked) {
  load(20, 200, size_custom);  // a tall input: the height is ten times the width
  gl->set_units(units_pixels);
  gl->max_texture_size = 500;
  // 100 wide would be 1000 high; even 60 (no resampling) would be 600 high.
  gl->set_width(100.0f);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, OVER_LIMIT);
  EXPECT_EQ(gl->stippling_image.width, 50u);
  EXPECT_EQ(gl->stippling_image.height, 500u);

  // A sheet size is checked the same way.
  gl->set_size(size_a10);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_LE(gl->stippling_image.height, 500u);
  EXPECT_LE(gl->stippling_image.width, 500u);
}

TEST_F(Geometry, PackingFactorKeepsTheWidthAndChangesTheCells) {
  load(100, 80);
  gl->set_scale_factor(6.0f);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->original_image.width, 50u);
  EXPECT_TRUE(messages.empty());
  gl->set_scale_factor(1.0f);  // 300 cells from 100 pixels
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->original_image.width, 300u);
  EXPECT_EQ(count(QMessageBox::NoIcon), 1);
  gl->set_scale_factor(0.0f);  // refused: no cell size
  EXPECT_FLOAT_EQ(gl->scale_factor, 1.0f);
}

TEST_F(Geometry, ResetRestoresTheGeneralParameters) {
  load(1000, 4, size_custom);
  gl->set_units(units_pixels);
  gl->set_width(1500.0f);
  gl->set_displacement(0.75f);
  gl->set_merging_function(merging_minimum);
  gl->set_device(device_color_tones);
  gl->set_stippling_tone(4);
  gl->save_resolution[device_black_white] = resolution_600;

  gl->reset_general_parameters();
  EXPECT_EQ(gl->output_size, size_a5);
  EXPECT_EQ(gl->output_units, units_millimeters);
  EXPECT_FLOAT_EQ(gl->scale_factor, 3.0f);
  EXPECT_FLOAT_EQ(gl->displacement, 0.25f);
  EXPECT_EQ(gl->merging_function, merging_product);
  EXPECT_EQ(gl->device, device_grayscale);
  EXPECT_EQ(gl->stippling_tone, 0);
  for (_resolution_position p : gl->save_resolution) EXPECT_EQ(p, resolution_300);
  EXPECT_EQ(gl->stippling_image.width, 2480u);
  _general_tab* panel = gl->general_tab;
  EXPECT_EQ(panel->size_combo->currentIndex(), size_a5);
  EXPECT_EQ(panel->units_combo->currentIndex(), units_millimeters);
  EXPECT_EQ(panel->device_combo->currentIndex(), device_grayscale);
  EXPECT_EQ(panel->width_line_edit->text(), "209.97333");
}

// The frame around the view follows every recomputation: this needs the real main window, which
// reads its dot sheets and at least the first tone from the working directory.
TEST(GeometryWindow, TheFrameTurnsRedWhileTheInputIsEnlarged) {
  QTemporaryDir folder;
  ASSERT_TRUE(QFile::link(STIPPON_DATA_DIR "/dots", folder.filePath("dots")));
  ASSERT_TRUE(QDir(folder.path()).mkdir("tones"));
  _color_ramp grey;
  ASSERT_EQ(_file_png().write(
                QFile::encodeName(folder.filePath("tones/grayscale_01.png")).toStdString(), grey),
            1);
  const std::string input = QFile::encodeName(folder.filePath("input.pgm")).toStdString();
  _image picture = test_picture(60, 40);
  ASSERT_EQ(_file_pgm().write(input, picture), 1);

  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder.path());
  auto window = std::make_unique<_window>();
  QDir::setCurrent(previous);
  _gl_widget* gl = window->gl_widget;
  int notes = 0;
  gl->show_message = [&](QMessageBox::Icon, const QString&, const QString&) { ++notes; };
  auto frame = [&] { return window->view_frame->palette().color(QPalette::WindowText); };

  gl->output_size = size_optimal;
  ASSERT_TRUE(gl->read_image(input));
  EXPECT_TRUE(same_samples(gl->original_image, gl->input_image));  // r == 1: a plain copy
  EXPECT_EQ(frame(), QColor(Qt::black));

  gl->set_scale_factor(2.0f);  // 1.5 cells per input pixel
  EXPECT_EQ(frame(), QColor(Qt::red));
  gl->set_scale_factor(6.0f);
  EXPECT_EQ(frame(), QColor(Qt::black));
  gl->set_scale_factor(1.0f);  // enlarged again: the frame only, the note was shown once
  EXPECT_EQ(frame(), QColor(Qt::red));
  EXPECT_EQ(notes, 1);
}

}  // namespace
}  // namespace stippon::testing
