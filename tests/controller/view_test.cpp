#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "controller_fixture.h"

namespace stippon::testing {
namespace {

const QColor BACKGROUND(204, 204, 204);

class View : public ControllerFixture {
 protected:
  void SetUp() override {
    ControllerFixture::SetUp();
    gl->resize(200, 160);
    gl->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gl.get()));
  }

  // A 40 x 20 picture whose quarters tell its orientation: row 0 is the bottom.
  void show_quarters() {
    gl->display_texture.dimensions(20, 40);
    gl->display_texture.create();
    for (unsigned r = 0; r < 20; ++r)
      for (unsigned c = 0; c < 40; ++c)
        gl->display_texture.put(
            r, c, _pixel((r < 10) != (c >= 20) ? 255 : 0, c >= 20 ? 255 : 0, r >= 10 ? 255 : 0));
    gl->upload_and_repaint();
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
  EXPECT_GE(gl->max_texture_size, 64);                               // read from the context
  const int limit = gl->max_texture_size;
  gl->max_texture_size = 39;
  show_quarters();
  const QImage frame = gl->grabFramebuffer();
  EXPECT_EQ(frame.pixelColor(100, 80), BACKGROUND);
  EXPECT_EQ(frame.pixelColor(80, 89), BACKGROUND);
  gl->max_texture_size = limit;
  gl->upload_and_repaint();
  expect_picture_at(80, 70, 40, 20);
}

// Left drags pan; a second press of either button within 300 ms centres (left) or restores the
// zoom (right), and the first press of the run never counts as a second one.
TEST_F(View, DraggingPansAndDoublePressesReset) {
  show_quarters();
  mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {25, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {30, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, {30, 0}, Qt::LeftButton, Qt::NoButton);
  mouse(QEvent::MouseMove, {90, 90}, Qt::NoButton, Qt::NoButton);  // no drag: no pan
  EXPECT_FLOAT_EQ(gl->pan[4].x, 20.0f);
  EXPECT_FLOAT_EQ(gl->pan[4].y, 10.0f);  // screen y down is view y up
  expect_picture_at(100, 60, 40, 20);

  QTest::qWait(350);
  click(Qt::LeftButton);
  EXPECT_FLOAT_EQ(gl->pan[4].x, 20.0f);  // a single press
  click(Qt::LeftButton);
  EXPECT_FLOAT_EQ(gl->pan[4].x, 0.0f);
  EXPECT_FLOAT_EQ(gl->pan[4].y, 0.0f);
  expect_picture_at(80, 70, 40, 20);

  gl->zoom[4] = 3.0f;
  QTest::qWait(350);
  click(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 3.0f);
  click(Qt::LeftButton);  // left and right share the clock
  click(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f);
}

TEST_F(View, TheWheelZoomsOneNotchEachWay) {
  const std::pair<int, float> notches[] = {
      {120, 1.2f}, {-120, 1.0f}, {-120, 1.0f / 1.2f}, {-60, 1.0f}, {240, 1.2f}};
  for (const auto& [delta, zoom] : notches) {
    wheel(delta);
    EXPECT_FLOAT_EQ(gl->zoom[4], zoom) << delta;
  }
  gl->zoom[4] = 2.0f;  // twice the area is visible: the picture at half size
  show_quarters();
  expect_picture_at(90, 75, 20, 10);
}

}  // namespace
}  // namespace stippon::testing
