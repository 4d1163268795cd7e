// The controller: output geometry, processing, and the view with its mouse controls.
#include <QMouseEvent>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/color_selector.h"
#include "ui/line_edit.h"
#include "window_fixture.h"

namespace stippon::testing {
namespace {

using Processing = WindowFixture;

const QString OVER_LIMIT =
    "The size is greater than the maximum texture size supported\nIt is changed to default "
    "values";

// The fallback for a size over the card's limit is a box; a picture wider than the limit fails
// to read with that reason, which the window shows with the file's name.
TEST_F(Processing, TextureLimitMessages) {
  load(100, 80, size_custom);
  gl->set_units(units_pixels);
  gl->set_max_texture_size(1000);
  gl->set_width(1001.0f);
  EXPECT_EQ(doc().preview().width, 300u);
  EXPECT_EQ(general->width_line_edit->text(), "300");
  gl->set_max_texture_size(50);
  EXPECT_FALSE(gl->read_image(pgm("wide.pgm", 51, 10)));
  EXPECT_EQ(doc().read_failure(), "too large: 51 × 10 pixels, the limit is 50 pixels on a side");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title + ": " + messages[0].text, "Warning: " + OVER_LIMIT);
  EXPECT_TRUE(gl->read_image(pgm("narrow.pgm", 50, 10)));
  EXPECT_EQ(doc().read_failure(), "");
}

// Clicking an entry shows it, toned only for the stippling; a new input lists the six images
// afresh with the stippling selected, keeps the tone and starts over in red.
TEST_F(Processing, ListEntriesAndReloading) {
  load(60, 40);
  gl->set_device(device_color_tones);
  gl->set_stippling_tone(2);
  QListWidget* list = gl->images_tab()->images_list;
  emit list->itemClicked(list->item(2));
  EXPECT_EQ(gl->shown_image(), 2);
  EXPECT_TRUE(same_texels(gl->display_texture(), shown(doc().borders())));
  EXPECT_EQ(gl->grey_position(), list_borders);
  emit list->itemClicked(list->item(4));
  EXPECT_TRUE(same_texels(gl->display_texture(), shown(doc().preview(), &doc().tone_ramp(2))));
  gl->images_tab()->color_selector->set_color(QColor(Qt::blue));
  gl->set_color_image(QColor(Qt::blue));
  emit list->itemClicked(list->item(0));
  EXPECT_TRUE(same_texels(gl->display_texture(), doc().colour_field()));
  EXPECT_EQ(gl->grey_position(), list_stippling);  // the last grey image

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

// Without its dot sheets or its first tone the program cannot work: it names what is missing and
// ends.
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
              "Missing data files: Cannot read file .*/pngsuite/dots:\nthe fifteen dot sheets "
              "dots_4_1200.pgm to dots_8_300.pgm must all be there");
  EXPECT_EXIT(run(&_gl_widget::read_tones), ::testing::ExitedWithCode(255),
              "Missing data files: Cannot read file "
              ".*/pngsuite/tones/grayscale_01.png:\nno such file.");
}

// A later tone that cannot be read is named in a box; the program goes on without it.
TEST(DataFiles, AMissingToneIsNamed) {
  QTemporaryDir folder;
  ASSERT_TRUE(QDir(folder.path()).mkdir("tones"));
  const QDir tones(STIPPON_DATA_DIR "/tones");
  for (const QString& name : tones.entryList({"*.png"})) {
    if (name == "sepia_02.png") continue;
    ASSERT_TRUE(QFile::copy(tones.filePath(name), folder.filePath("tones/" + name)));
  }
  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder.path());
  std::vector<QString> boxes;
  {
    _gl_widget gl(nullptr, nullptr);
    gl.set_message_handler([&](QMessageBox::Icon, const QString& title, const QString& text) {
      boxes.push_back(title + ": " + text);
    });
    gl.read_tones(".");
    EXPECT_EQ(gl.document().tone_ramp(10).width, 0u);
    EXPECT_GT(gl.document().tone_ramp(11).width, 0u);
  }
  QDir::setCurrent(previous);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Missing data files: Cannot read file " +
                          QDir(folder.path()).canonicalPath() +
                          "/tones/sepia_02.png:\nnot PNG pictures Stippon can read; their tones "
                          "are not available.");
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

// One texel to a pixel in the middle of the view at 1:1, unless it is beyond the card's limit.
TEST_F(View, ThePictureSitsInTheMiddleOnePixelPerTexel) {
  EXPECT_EQ(gl->grabFramebuffer().pixelColor(100, 80), BACKGROUND);  // nothing loaded yet
  EXPECT_GE(gl->max_texture_size(), 64);                             // read from the context
  const int limit = gl->max_texture_size();
  gl->set_max_texture_size(39);
  show_quarters();
  gl->set_zoom(1.0);
  const QImage frame = gl->grabFramebuffer();
  EXPECT_EQ(frame.pixelColor(100, 80), BACKGROUND);
  EXPECT_EQ(frame.pixelColor(80, 89), BACKGROUND);
  gl->set_max_texture_size(limit);
  gl->upload_and_repaint();
  expect_picture_at(80, 70, 40, 20);
}

// A new picture fills the view, centred, and keeps doing so as the view changes size.
TEST_F(View, ThePictureOpensFittedAndFollowsTheView) {
  show_quarters();
  EXPECT_TRUE(gl->fitted());
  EXPECT_DOUBLE_EQ(gl->zoom(), 5.0);  // 200 / 40 across, 160 / 20 = 8 down
  expect_picture_at(0, 30, 200, 100);
  gl->resize(120, 160);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gl->width() == 120; }));
  EXPECT_DOUBLE_EQ(gl->zoom(), 3.0);
  expect_picture_at(0, 50, 120, 60);
}

// Left drags pan and the wheel zooms around the pointer; a second press of either button within
// 300 ms centres (left) or fits again (right), and the first press of a run never counts as one.
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
  click(Qt::RightButton);
  EXPECT_DOUBLE_EQ(gl->zoom(), 0.5);
  click(Qt::LeftButton);  // left and right share the clock
  click(Qt::RightButton);
  EXPECT_TRUE(gl->fitted());
  EXPECT_DOUBLE_EQ(gl->zoom(), 5.0);
  gl->set_zoom(1000.0);
  EXPECT_DOUBLE_EQ(gl->zoom(), _gl_widget::MAX_ZOOM);
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
