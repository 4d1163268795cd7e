// The controller: output geometry, processing, and the view with its mouse controls.
#include <QMouseEvent>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>

#include "ui/color_selector.h"
#include "ui/line_edit.h"
#include "window_fixture.h"

namespace stippon::testing {
namespace {

using Processing = WindowFixture;

const QString OVER_LIMIT =
    "The size is greather than the maximum texture size supported\nIt is changed to default "
    "values";

// The document's notices become the window's boxes: the fallback for a size over the card's
// limit, and the refused read of a picture wider than it.
TEST_F(Processing, TextureLimitMessages) {
  load(100, 80, size_custom);
  gl->set_units(units_pixels);
  gl->set_max_texture_size(1000);
  gl->set_width(1001.0f);
  EXPECT_EQ(doc().preview().width, 300u);
  EXPECT_EQ(general->width_line_edit->text(), "300");
  gl->set_max_texture_size(50);
  EXPECT_FALSE(gl->read_image(pgm("wide.pgm", 51, 10)));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].title + ": " + messages[0].text, "Warning: " + OVER_LIMIT);
  EXPECT_EQ(messages[1].icon, QMessageBox::Critical);
  EXPECT_EQ(messages[1].title + ": " + messages[1].text,
            "Error: The size is greather than the maximum texture size supported with this "
            "card=50 pixels\n");
}

// Clicking an entry shows it, toned only for the stippling; a new input lists the six images
// afresh with the stippling selected, keeps the tone and starts over in red.
TEST_F(Processing, ListEntriesAndReloading) {
  load(60, 40);
  gl->set_stippling_tone(2);
  gl->set_stippling_tone(15);                    // outside the table: ignored
  gl->set_device(static_cast<_mode_device>(7));  // no such mode: ignored
  EXPECT_EQ(settings().tone, 2);
  EXPECT_EQ(settings().device, device_grayscale);
  QListWidget* list = gl->images_tab()->images_list;
  emit list->itemClicked(list->item(2));
  EXPECT_EQ(gl->shown_image(), 2);
  EXPECT_TRUE(same_texels(gl->display_texture(), shown(doc().borders())));
  EXPECT_EQ(gl->selected_image(resolution_300), &doc().borders());
  emit list->itemClicked(list->item(4));
  EXPECT_TRUE(same_texels(gl->display_texture(), shown(doc().preview(), &doc().tone_ramp(2))));
  gl->images_tab()->color_selector->set_color(QColor(Qt::blue));
  gl->set_color_image(QColor(Qt::blue));
  emit list->itemClicked(list->item(0));
  EXPECT_TRUE(same_texels(gl->display_texture(), doc().colour_field()));
  EXPECT_EQ(gl->selected_image(resolution_300), &doc().preview());  // the last grey image

  load(50, 30);
  const char* labels[] = {"Color original", "Original",  "Borders",
                          "Halftoning",     "Stippling", "Color stippling"};
  ASSERT_EQ(list->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->item(i)->text(), labels[i]);
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{list->item(4)});
  EXPECT_TRUE(same_texels(gl->display_texture(), shown(doc().preview(), &doc().tone_ramp(2))));
  EXPECT_EQ(doc().colour_field().get(0, 0), _pixel(255, 0, 0, 255));
  EXPECT_EQ(gl->images_tab()->color_selector->color, QColor(Qt::red));
}

// A dot size that would cross the other end of its pair takes that end, and its spin box shows
// it.
TEST_F(Processing, DotSizeSpinBoxesShowTheCorrectedSize) {
  load(40, 30);
  gl->set_contrast_low_density_max(6);
  gl->images_tab()->low_density_min_spin_box->setValue(8);
  EXPECT_EQ(settings().stipple.low_density_min, 6);
  EXPECT_EQ(gl->images_tab()->low_density_min_spin_box->value(), 6);
}

// Without its dot sheets or its first tone the program cannot work: it says so and ends.
TEST(ProcessingDeathTest, MissingLibrariesEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [](void (_gl_widget::*load)(const std::string&)) {
    _gl_widget gl(nullptr, nullptr);
    gl.set_message_handler([](QMessageBox::Icon, const QString& title, const QString& text) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    });
    (gl.*load)(STIPPON_TEST_DATA_DIR "/pngsuite");  // holds neither dots/ nor tones/
  };
  EXPECT_EXIT(run(&_gl_widget::read_dots), ::testing::ExitedWithCode(255),
              "Warning: Can not read dot files");
  EXPECT_EXIT(run(&_gl_widget::read_tones), ::testing::ExitedWithCode(255),
              "Warning: Can not read tone files");
}

const QColor BACKGROUND(204, 204, 204);

// A bare view of 200 x 160 pixels.
class View : public ::testing::Test {
 protected:
  std::unique_ptr<_gl_widget> gl = std::make_unique<_gl_widget>(nullptr, nullptr);

  void SetUp() override {
    gl->resize(200, 160);
    gl->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gl.get()));
  }

  // A 40 x 20 picture whose quarters tell its orientation: row 0 is the bottom.
  void show_quarters() {
    _texture quarters;
    quarters.dimensions(20, 40);
    quarters.create();
    for (unsigned r = 0; r < 20; ++r)
      for (unsigned c = 0; c < 40; ++c)
        quarters.put(r, c,
                     _pixel((r < 10) != (c >= 20) ? 255 : 0, c >= 20 ? 255 : 0, r >= 10 ? 255 : 0));
    gl->show_texture(quarters);
  }

  // The picture's corners on screen (top-down) in red, green, blue and white, checked against
  // the background just outside.
  void expect_picture_at(int left, int top, int width, int height) {
    const QImage frame = gl->grabFramebuffer();
    const int right = left + width - 1, bottom = top + height - 1;
    EXPECT_EQ(frame.pixelColor(left, bottom), QColor(255, 0, 0));
    EXPECT_EQ(frame.pixelColor(right, bottom), QColor(0, 255, 0));
    EXPECT_EQ(frame.pixelColor(left, top), QColor(0, 0, 255));
    EXPECT_EQ(frame.pixelColor(right, top), QColor(255, 255, 255));
    EXPECT_EQ(frame.pixelColor(left - 1, bottom), BACKGROUND);
    EXPECT_EQ(frame.pixelColor(right + 1, top), BACKGROUND);
    EXPECT_EQ(frame.pixelColor(left, top - 1), BACKGROUND);
    EXPECT_EQ(frame.pixelColor(right, bottom + 1), BACKGROUND);
  }

  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), gl->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(gl.get(), &event);
  }
  void click(Qt::MouseButton button, QPoint at = {10, 10}) {
    mouse(QEvent::MouseButtonPress, at, button, button);
    mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  void wheel(int delta) {
    QWheelEvent event(QPointF(50, 50), gl->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(gl.get(), &event);
  }
};

// One texel to a pixel in the middle of the view, unless it is beyond the card's limit.
TEST_F(View, ThePictureSitsInTheMiddleOnePixelPerTexel) {
  EXPECT_EQ(gl->grabFramebuffer().pixelColor(100, 80), BACKGROUND);  // nothing loaded yet
  EXPECT_GE(gl->max_texture_size(), 64);                             // read from the context
  const int limit = gl->max_texture_size();
  gl->set_max_texture_size(39);
  show_quarters();
  const QImage frame = gl->grabFramebuffer();
  EXPECT_EQ(frame.pixelColor(100, 80), BACKGROUND);
  EXPECT_EQ(frame.pixelColor(80, 89), BACKGROUND);
  gl->set_max_texture_size(limit);
  gl->upload_and_repaint();
  expect_picture_at(80, 70, 40, 20);
}

// Left drags pan and the wheel zooms; a second press of either button within 300 ms centres
// (left) or restores the zoom (right), and the first press of the run never counts as a second.
TEST_F(View, TheMousePansZoomsAndResets) {
  show_quarters();
  mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {25, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {30, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, {30, 0}, Qt::LeftButton, Qt::NoButton);
  mouse(QEvent::MouseMove, {90, 90}, Qt::NoButton, Qt::NoButton);  // no drag: no pan
  EXPECT_FLOAT_EQ(gl->pan().x(), 20.0f);
  EXPECT_FLOAT_EQ(gl->pan().y(), 10.0f);  // screen y down is view y up
  expect_picture_at(100, 60, 40, 20);

  gl->forget_last_press();
  click(Qt::LeftButton);
  EXPECT_FLOAT_EQ(gl->pan().x(), 20.0f);  // a single press
  click(Qt::LeftButton);
  EXPECT_FLOAT_EQ(gl->pan().x(), 0.0f);
  EXPECT_FLOAT_EQ(gl->pan().y(), 0.0f);
  expect_picture_at(80, 70, 40, 20);

  const std::pair<int, float> notches[] = {
      {120, 1.2f}, {-120, 1.0f}, {-120, 1.0f / 1.2f}, {-60, 1.0f}, {240, 1.2f}};
  for (const auto& [delta, zoom] : notches) {
    wheel(delta);
    EXPECT_FLOAT_EQ(gl->zoom(), zoom) << delta;
  }
  gl->set_zoom(2.0f);  // twice the area is visible: the picture at half size
  expect_picture_at(90, 75, 20, 10);
  gl->forget_last_press();
  click(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom(), 2.0f);
  click(Qt::LeftButton);  // left and right share the clock
  click(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom(), 1.0f);
}

}  // namespace
}  // namespace stippon::testing
