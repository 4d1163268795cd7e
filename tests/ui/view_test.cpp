// The picture view alone: where the picture lies, and the mouse's pan, zoom and resets.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "ui/picture_view.h"

namespace stippon::testing {
namespace {

const QColor BACKGROUND(204, 204, 204);

// A bare view of 200 x 160 pixels.
class View : public ::testing::Test {
 protected:
  std::unique_ptr<_picture_view> gl = std::make_unique<_picture_view>();

  void SetUp() override {
    gl->resize(200, 160);
    gl->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gl.get()));
  }

  // A 40 x 20 picture whose quarters tell its orientation: row 0 is the bottom.
  void show_quarters(int kind = 0) {
    _texture quarters;
    quarters.dimensions(20, 40);
    quarters.create();
    for (unsigned r = 0; r < 20; ++r)
      for (unsigned c = 0; c < 40; ++c)
        quarters.put(r, c,
                     _pixel((r < 10) != (c >= 20) ? 255 : 0, c >= 20 ? 255 : 0, r >= 10 ? 255 : 0));
    gl->show_picture(quarters, kind);
  }

  // The picture's corners on screen (top-down) in red, green, blue and white, checked against
  // the background just outside where that is within the view.
  void expect_picture_at(int left, int top, int width, int height) {
    const QImage frame = gl->grabFramebuffer();
    const int right = left + width - 1, bottom = top + height - 1;
    EXPECT_EQ(frame.pixelColor(left, bottom), QColor(255, 0, 0));
    EXPECT_EQ(frame.pixelColor(right, bottom), QColor(0, 255, 0));
    EXPECT_EQ(frame.pixelColor(left, top), QColor(0, 0, 255));
    EXPECT_EQ(frame.pixelColor(right, top), QColor(255, 255, 255));
    for (const QPoint outside : {QPoint(left - 1, bottom), QPoint(right + 1, top),
                                 QPoint(left, top - 1), QPoint(right, bottom + 1)})
      if (frame.rect().contains(outside)) {
        EXPECT_EQ(frame.pixelColor(outside), BACKGROUND);
      }
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

// The bounding box of everything that is not background.
QRect picture_box(const QImage& frame) {
  QRect box;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if (frame.pixelColor(x, y) != BACKGROUND) box |= QRect(x, y, 1, 1);
  return box;
}

// A new picture fills the view, centred, and keeps doing so as the view changes size; at 1:1 one
// texel is a pixel in the middle of the view, unless the picture is beyond the card's limit.
TEST_F(View, ThePictureOpensFittedOnePixelPerTexelAt1To1) {
  QSignalSpy found(gl.get(), &_picture_view::max_texture_size_found);
  EXPECT_EQ(gl->grabFramebuffer().pixelColor(100, 80), BACKGROUND);  // nothing loaded yet
  EXPECT_GE(gl->max_texture_size(), 64);                             // read from the context
  EXPECT_EQ(found.count(), 0);  // told when the context was made, before the spy
  _texture wide;                // one texel wider than the limit, one high: not handed to OpenGL
  wide.dimensions(1, gl->max_texture_size() + 1);
  wide.create();
  wide.fill(_pixel(0, 0, 0, 255));
  gl->show_picture(wide);
  gl->set_zoom(1.0);
  EXPECT_EQ(gl->grabFramebuffer().pixelColor(100, 80), BACKGROUND);
  gl->fit_all();  // as a new file does
  show_quarters();
  EXPECT_TRUE(gl->fitted());
  EXPECT_DOUBLE_EQ(gl->zoom(), 5.0);  // 200 / 40 across, 160 / 20 = 8 down
  expect_picture_at(0, 30, 200, 100);
  gl->resize(120, 160);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gl->width() == 120; }));
  EXPECT_DOUBLE_EQ(gl->zoom(), 3.0);
  expect_picture_at(0, 50, 120, 60);
  gl->set_zoom(1.0);
  expect_picture_at(40, 70, 40, 20);
  // Each kind of picture keeps its own zoom until a new file fits them all.
  gl->set_zoom(2.0);
  show_quarters(3);
  EXPECT_TRUE(gl->fitted());
  show_quarters(0);
  EXPECT_DOUBLE_EQ(gl->zoom(), 2.0);
  gl->fit_all();
  EXPECT_TRUE(gl->fitted());
}

// Left drags pan and the wheel zooms around the pointer; a second press of either button within
// 300 ms centres (left) or fits and centres again (right), and the first press of a run never
// counts as one.
TEST_F(View, TheMousePansZoomsAndResets) {
  show_quarters();
  gl->set_zoom(1.0);
  mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {30, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, {30, 0}, Qt::LeftButton, Qt::NoButton);
  mouse(QEvent::MouseMove, {90, 90}, Qt::NoButton, Qt::NoButton);  // no drag: no pan
  EXPECT_EQ(gl->pan(), QPointF(20.0, -10.0));

  gl->forget_last_press();
  click(Qt::LeftButton);
  EXPECT_EQ(gl->pan(), QPointF(20.0, -10.0));  // a single press
  click(Qt::LeftButton);
  EXPECT_EQ(gl->pan(), QPointF());
  expect_picture_at(80, 70, 40, 20);

  // Towards the user magnifies, half a notch half as much, around the picture point under the
  // pointer.
  const std::pair<int, double> notches[] = {{120, 1.0 / 1.2},
                                            {-120, 1.0},
                                            {-120, 1.2},
                                            {-60, 1.2 * std::sqrt(1.2)},
                                            {240, std::sqrt(1.2) / 1.2}};
  const QPointF pointer(50, 50), centre(100, 80);
  const QPointF under = (pointer - centre - gl->pan()) / gl->zoom();
  for (const auto& [delta, zoom] : notches) {
    wheel(delta);
    EXPECT_DOUBLE_EQ(gl->zoom(), zoom) << delta;
    const QPointF now = (pointer - centre - gl->pan()) / gl->zoom();
    EXPECT_NEAR(now.x(), under.x(), 1e-9) << delta;
    EXPECT_NEAR(now.y(), under.y(), 1e-9) << delta;
  }
  gl->forget_last_press();
  click(Qt::LeftButton);
  click(Qt::LeftButton);  // centred again
  gl->set_zoom(0.5);
  expect_picture_at(90, 75, 20, 10);
  gl->forget_last_press();
  mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {40, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, {40, 0}, Qt::LeftButton, Qt::NoButton);
  gl->forget_last_press();
  click(Qt::RightButton);
  EXPECT_DOUBLE_EQ(gl->zoom(), 0.5);
  EXPECT_EQ(gl->pan(), QPointF(30.0, -10.0));
  click(Qt::RightButton);
  EXPECT_TRUE(gl->fitted());
  EXPECT_EQ(gl->pan(), QPointF());
  expect_picture_at(0, 30, 200, 100);
  gl->set_zoom(0.5);
  gl->forget_last_press();
  click(Qt::LeftButton);  // left and right share the clock
  click(Qt::RightButton);
  EXPECT_TRUE(gl->fitted());
  EXPECT_DOUBLE_EQ(gl->zoom(), 5.0);
  gl->set_zoom(1000.0);
  EXPECT_DOUBLE_EQ(gl->zoom(), VIEW_MAX_ZOOM);
}

// A drag moves every edge of the picture exactly as far as the pointer, at any zoom, also in
// several steps.
TEST_F(View, ADragMovesThePictureExactlyWithThePointer) {
  gl->resize(400, 300);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gl->width() == 400; }));
  show_quarters();
  for (const double zoom : {0.37, 0.83, 1.7}) {
    SCOPED_TRACE(zoom);
    gl->set_zoom(zoom);
    const QRect before = picture_box(gl->grabFramebuffer());
    EXPECT_NEAR(before.width(), 40 * zoom, 1.0);
    gl->forget_last_press();
    mouse(QEvent::MouseButtonPress, {200, 150}, Qt::LeftButton, Qt::LeftButton);
    for (const QPoint step : {QPoint(225, 140), QPoint(250, 130), QPoint(275, 120)})
      mouse(QEvent::MouseMove, step, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {300, 110}, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {300, 110}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(picture_box(gl->grabFramebuffer()), before.translated(100, -40));
    gl->fit();
  }
}

}  // namespace
}  // namespace stippon::testing
