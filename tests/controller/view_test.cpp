#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "controller_fixture.h"
#include "ui/images_tab.h"

namespace stippon::testing {
namespace {

const QColor BACKGROUND(204, 204, 204);
const QColor RED(255, 0, 0), GREEN(0, 255, 0), BLUE(0, 0, 255), WHITE(255, 255, 255);

// A 40 x 20 picture whose quarters tell its orientation: row 0 is the bottom.
_texture quarters() {
  _texture t;
  t.dimensions(20, 40);
  t.create();
  for (unsigned r = 0; r < 20; ++r) {
    for (unsigned c = 0; c < 40; ++c) {
      const bool top = r >= 10, right = c >= 20;
      t.put(r, c,
            top ? (right ? _pixel(255, 255, 255) : _pixel(0, 0, 255))
                : (right ? _pixel(0, 255, 0) : _pixel(255, 0, 0)));
    }
  }
  return t;
}

class View : public ControllerFixture {
 protected:
  void SetUp() override {
    ControllerFixture::SetUp();
    gl->resize(200, 160);
    gl->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gl.get()));
  }

  QColor at(int x, int y) { return gl->grabFramebuffer().pixelColor(x, y); }

  void show_quarters() {
    gl->display_texture = quarters();
    gl->upload_and_repaint();
  }

  // The picture's corners on screen (top-down), checked against the background just outside.
  void expect_picture_at(int left, int top, int width, int height) {
    const QImage frame = gl->grabFramebuffer();
    const int right = left + width - 1, bottom = top + height - 1;
    EXPECT_EQ(frame.pixelColor(left, bottom), RED);
    EXPECT_EQ(frame.pixelColor(right, bottom), GREEN);
    EXPECT_EQ(frame.pixelColor(left, top), BLUE);
    EXPECT_EQ(frame.pixelColor(right, top), WHITE);
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
  void press(Qt::MouseButton button, QPoint at = {10, 10}) {
    mouse(QEvent::MouseButtonPress, at, button, button);
  }
  void release(Qt::MouseButton button, QPoint at = {10, 10}) {
    mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  void wheel(int delta) {
    QWheelEvent event(QPointF(50, 50), gl->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(gl.get(), &event);
  }
  // Lets the shared press clock run past the double-press interval.
  static void pause() { QTest::qWait(350); }
};

TEST_F(View, NothingLoadedShowsTheBackgroundOnly) {
  const QImage frame = gl->grabFramebuffer();
  ASSERT_EQ(frame.size(), QSize(200, 160));
  for (QPoint p : {QPoint(0, 0), QPoint(100, 80), QPoint(199, 159)})
    EXPECT_EQ(frame.pixelColor(p), BACKGROUND);
  EXPECT_GE(gl->max_texture_size, 64);  // read from the context
}

TEST_F(View, ThePictureSitsInTheMiddleOnePixelPerTexel) {
  show_quarters();
  expect_picture_at(80, 70, 40, 20);
}

TEST_F(View, DraggingPansAndADoublePressCentresAgain) {
  show_quarters();
  press(Qt::LeftButton, {10, 10});  // the first press of the run is never a double press
  EXPECT_TRUE(gl->dragging);
  mouse(QEvent::MouseMove, {25, 0}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, {30, 0}, Qt::NoButton, Qt::LeftButton);
  release(Qt::LeftButton, {30, 0});
  EXPECT_FALSE(gl->dragging);
  EXPECT_FLOAT_EQ(gl->pan[4].x, 20.0f);
  EXPECT_FLOAT_EQ(gl->pan[4].y, 10.0f);  // screen y down is view y up
  expect_picture_at(100, 60, 40, 20);

  mouse(QEvent::MouseMove, {90, 90}, Qt::NoButton, Qt::NoButton);  // no drag: no pan
  EXPECT_FLOAT_EQ(gl->pan[4].x, 20.0f);

  pause();
  press(Qt::LeftButton);
  release(Qt::LeftButton);
  EXPECT_FLOAT_EQ(gl->pan[4].x, 20.0f);  // a single press
  press(Qt::LeftButton);                 // a second one within 300 ms
  release(Qt::LeftButton);
  EXPECT_FLOAT_EQ(gl->pan[4].x, 0.0f);
  EXPECT_FLOAT_EQ(gl->pan[4].y, 0.0f);
  expect_picture_at(80, 70, 40, 20);
}

TEST_F(View, TheWheelZoomsOneNotchEachWay) {
  struct _case {
    int delta;
    float zoom;
  };
  const _case cases[] = {{120, 1.2f}, {-120, 1.0f}, {-120, 1.0f / 1.2f}, {-60, 1.0f}, {240, 1.2f}};
  for (const _case& c : cases) {
    wheel(c.delta);
    EXPECT_FLOAT_EQ(gl->zoom[4], c.zoom) << c.delta;
  }
  gl->zoom[4] = 2.0f;  // twice the area is visible: the picture at half size
  show_quarters();
  expect_picture_at(90, 75, 20, 10);
}

TEST_F(View, RightDoublePressRestoresTheZoom) {
  gl->zoom[4] = 2.0f;
  press(Qt::RightButton);
  release(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 2.0f);  // the first press of the run
  pause();
  press(Qt::RightButton);
  release(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 2.0f);
  press(Qt::RightButton);
  release(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f);

  // Left and right share the clock.
  gl->zoom[4] = 3.0f;
  pause();
  press(Qt::LeftButton);
  release(Qt::LeftButton);
  press(Qt::RightButton);
  release(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f);
}

TEST_F(View, EachListEntryKeepsItsOwnZoomAndPan) {
  load(40, 30);
  QListWidget* list = gl->images_tab->images_list;
  gl->item_clicked(list->item(2));
  wheel(120);
  gl->pan[2] = {7.0f, -3.0f};
  gl->item_clicked(list->item(4));
  EXPECT_EQ(gl->shown_image, 4);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f);
  wheel(-120);
  gl->item_clicked(list->item(2));
  EXPECT_FLOAT_EQ(gl->zoom[2], 1.2f);
  EXPECT_FLOAT_EQ(gl->pan[2].x, 7.0f);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f / 1.2f);

  load(30, 30);  // a new input keeps them too
  EXPECT_FLOAT_EQ(gl->zoom[2], 1.2f);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f / 1.2f);
}

TEST_F(View, APictureBeyondTheCardsLimitIsNotUploaded) {
  gl->grabFramebuffer();  // the context and its limit exist
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

}  // namespace
}  // namespace stippon::testing
