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

// The output width on reading and on choosing a size, for each kind of size.
TEST_F(Processing, OutputWidths) {
  // "Custom" without a preview starts at the input scale: a plain copy of the input.
  gl->scale_factor = 2.0f;
  load(50, 40, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 100u);
  EXPECT_EQ(gl->stippling_image.height, 80u);
  EXPECT_TRUE(same_samples(gl->original_image, gl->input_image));
  // "Optimal for input": three output pixels per input pixel, whatever the packing factor.
  load(100, 80, size_optimal);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->stippling_image.height, 240u);
  // "Custom" keeps the width of the current preview for the next input.
  load(60, 40, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->stippling_image.height, 200u);
  // A sheet is fitted by its long side on reading, also for a portrait input.
  load(80, 100, size_a10);
  EXPECT_EQ(gl->stippling_image.width, 438u);
  EXPECT_EQ(gl->stippling_image.height, 547u);  // trunc(438 / 0.8)
  // Choosing a sheet fits its long side to a landscape input, its short side to a portrait one.
  load(1000, 10);
  gl->set_size(size_a4);
  EXPECT_EQ(gl->stippling_image.width, 3506u);
  EXPECT_EQ(gl->stippling_image.height, 35u);

  gl->set_size(size_optimal);
  EXPECT_EQ(gl->stippling_image.width, 3000u);

  gl->set_size(size_custom);  // nothing until a width or a height is typed
  EXPECT_EQ(gl->stippling_image.width, 3000u);

  load(40, 50, size_custom);
  gl->set_size(size_a10);  // portrait: the short side
  EXPECT_EQ(gl->stippling_image.width, 310u);
  EXPECT_EQ(gl->stippling_image.height, 387u);
}

// An edge of the preview over the card's limit warns and falls back to the input scale or, when
// that is too large as well, to the largest size that fits both edges; the limit is accepted.
TEST_F(Processing, SizesOverTheCardsLimit) {
  gl->upscale_warned = true;
  load(100, 80, size_custom);
  gl->set_units(units_pixels);
  gl->max_texture_size = 1000;
  gl->set_width(1001.0f);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(general->width_line_edit->text(), "300");
  gl->set_width(1000.0f);
  EXPECT_EQ(gl->stippling_image.width, 1000u);

  // A tall input: the kept width would be 10000 high, even 60 (no resampling) 600.
  gl->max_texture_size = 500;
  load(20, 200, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 50u);
  EXPECT_EQ(gl->stippling_image.height, 500u);
  gl->set_size(size_a10);  // a sheet size is checked the same way
  EXPECT_EQ(gl->stippling_image.width, 50u);
  EXPECT_EQ(gl->stippling_image.height, 500u);
  ASSERT_EQ(messages.size(), 3u);  // 1001 wide, the tall input, the sheet
  for (const _message& m : messages) EXPECT_EQ(m.title + ": " + m.text, "Warning: " + OVER_LIMIT);
}

// A missing file, one whose samples are cut short and one wider than the card's limit.
TEST_F(Processing, RefusedReadsKeepEveryImage) {
  load(60, 40);
  const _image input = gl->input_image, original = gl->original_image;
  const _image stippling = gl->stippling_image, halftone = gl->halftoning_image;
  const _texture display = gl->display_texture;
  QFile truncated(folder.filePath("truncated.pgm"));
  ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
  truncated.write("P5\n8 8\n255\n" + QByteArray(10, 'x'));
  truncated.close();
  gl->max_texture_size = 50;
  for (const std::string& name :
       {QFile::encodeName(folder.filePath("missing.pgm")).toStdString(),
        QFile::encodeName(truncated.fileName()).toStdString(), pgm("wide.pgm", 51, 10)}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(gl->read_image(name));
    EXPECT_TRUE(same_samples(gl->input_image, input));
    EXPECT_TRUE(same_samples(gl->original_image, original));
    EXPECT_TRUE(same_samples(gl->halftoning_image, halftone));
    EXPECT_TRUE(same_samples(gl->stippling_image, stippling));
    EXPECT_TRUE(same_texels(gl->display_texture, display));
    EXPECT_EQ(gl->images_tab->images_list->count(), 6);
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(messages[0].title + ": " + messages[0].text,
            "Error: The size is greather than the maximum texture size supported with this "
            "card=50 pixels\n");

  EXPECT_TRUE(gl->read_image(pgm("edge.pgm", 50, 10)));  // an edge equal to the limit is accepted
  EXPECT_EQ(gl->input_image.width, 50u);
}

// The preview and the 600 and 1200 ppi saves are the plain stippler's output from the preview's
// seeds, drawn with the sheets of each resolution.
TEST_F(Processing, EveryResolutionRedrawsTheSameDots) {
  EXPECT_EQ(gl->selected_image(resolution_600), nullptr);  // nothing to save before an image
  load(40, 30);
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 1000 + i;
  gl->refresh();
  const std::pair<_resolution_position, unsigned> cases[] = {
      {resolution_300, 1}, {resolution_600, 2}, {resolution_1200, 4}};
  for (const auto& [p, k] : cases) {
    SCOPED_TRACE(k);
    _image* image = gl->selected_image(p);
    ASSERT_NE(image, nullptr);
    _image reference;
    reference.dimensions(gl->stippling_image.height * k, gl->stippling_image.width * k);
    reference.create(true);
    reference.copy_seeds(gl->stippling_image);
    stipple_grey(reference, gl->stipple_settings(), gl->halftoning_image, gl->borders_image,
                 gl->dot_sheets[p], static_cast<int>(k));
    EXPECT_TRUE(same_samples(*image, reference));
    EXPECT_LT(*std::min_element(image->samples.begin(), image->samples.end()), 255.0f);
    gl->release_image(p);
    EXPECT_EQ(gl->hires_image, nullptr);
  }
  // The same seeds give the same dots again, new seeds other dots.
  const _image first = gl->stippling_image;
  gl->reset_images_parameters();
  EXPECT_TRUE(same_samples(gl->stippling_image, first));
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 4242;
  gl->refresh();
  EXPECT_FALSE(same_samples(gl->stippling_image, first));
}

// Clicking an entry shows it, toned only for the stippling; a new input lists the six images
// afresh with the stippling selected, keeps the tone and starts over in red.
TEST_F(Processing, ListEntriesAndReloading) {
  load(60, 40);
  gl->set_stippling_tone(2);
  gl->set_stippling_tone(15);                    // outside the table: ignored
  gl->set_device(static_cast<_mode_device>(7));  // no such mode: ignored
  EXPECT_EQ(gl->stippling_tone, 2);
  EXPECT_EQ(gl->device, device_grayscale);
  QListWidget* list = gl->images_tab->images_list;
  emit list->itemClicked(list->item(2));
  EXPECT_EQ(gl->shown_image, 2);
  EXPECT_TRUE(same_texels(gl->display_texture, shown(gl->borders_image)));
  EXPECT_EQ(gl->selected_image(resolution_300), &gl->borders_image);
  emit list->itemClicked(list->item(4));
  EXPECT_TRUE(same_texels(gl->display_texture, shown(gl->stippling_image, &gl->tones[2])));
  gl->images_tab->color_selector->set_color(QColor(Qt::blue));
  gl->set_color_image(QColor(Qt::blue));
  emit list->itemClicked(list->item(0));
  EXPECT_TRUE(same_texels(gl->display_texture, gl->color_original));

  load(50, 30);
  const char* labels[] = {"Color original", "Original",  "Borders",
                          "Halftoning",     "Stippling", "Color stippling"};
  ASSERT_EQ(list->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->item(i)->text(), labels[i]);
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{list->item(4)});
  EXPECT_TRUE(same_texels(gl->display_texture, shown(gl->stippling_image, &gl->tones[2])));
  EXPECT_EQ(gl->color_original.get(0, 0), _pixel(255, 0, 0, 255));
  EXPECT_EQ(gl->images_tab->color_selector->color, QColor(Qt::red));
}

// A dot size that would cross the other end of its pair takes that end, and its spin box shows
// it; a size beyond the loaded sheets is clamped.
TEST_F(Processing, DotSizesKeepEachPairOrdered) {
  load(40, 30);
  gl->low_density_max = gl->high_density_max = 6;
  gl->images_tab->low_density_min_spin_box->setValue(8);
  EXPECT_EQ(gl->low_density_min, 6);
  EXPECT_EQ(gl->images_tab->low_density_min_spin_box->value(), 6);
  gl->images_tab->high_density_min_spin_box->setValue(5);
  gl->images_tab->high_density_max_spin_box->setValue(4);
  EXPECT_EQ(gl->high_density_max, 5);
  EXPECT_EQ(gl->images_tab->high_density_max_spin_box->value(), 5);
  gl->set_contrast_high_density_max(25);
  EXPECT_EQ(gl->high_density_max, DOT_SIZE_MAX);
}

// Without its dot sheets or its first tone the program cannot work: it says so and ends.
TEST(ProcessingDeathTest, MissingLibrariesEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [](void (_gl_widget::*load)()) {
    QDir::setCurrent(STIPPON_TEST_DATA_DIR "/pngsuite");  // holds neither dots/ nor tones/
    _gl_widget gl(nullptr, nullptr);
    gl.show_message = [](QMessageBox::Icon, const QString& title, const QString& text) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };
    (gl.*load)();
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

// Left drags pan and the wheel zooms; a second press of either button within 300 ms centres
// (left) or restores the zoom (right), and the first press of the run never counts as a second.
TEST_F(View, TheMousePansZoomsAndResets) {
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

  const std::pair<int, float> notches[] = {
      {120, 1.2f}, {-120, 1.0f}, {-120, 1.0f / 1.2f}, {-60, 1.0f}, {240, 1.2f}};
  for (const auto& [delta, zoom] : notches) {
    wheel(delta);
    EXPECT_FLOAT_EQ(gl->zoom[4], zoom) << delta;
  }
  gl->zoom[4] = 2.0f;  // twice the area is visible: the picture at half size
  expect_picture_at(90, 75, 20, 10);
  QTest::qWait(350);
  click(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 2.0f);
  click(Qt::LeftButton);  // left and right share the clock
  click(Qt::RightButton);
  EXPECT_FLOAT_EQ(gl->zoom[4], 1.0f);
}

}  // namespace
}  // namespace stippon::testing
