// Work off the GUI thread: the window keeps taking input while the picture is made, a burst of
// changes costs one run for the last values, and a cancelled run leaves the picture and its
// settings as they were.
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "controller/window_fixture.h"
#include "ui/line_edit.h"

namespace stippon {
namespace {

class Work : public WindowFixture {
 protected:
  // Lets the event loop run until the condition holds, as a user waits, or fails after a minute.
  static void wait_for(const std::function<bool()>& condition) {
    ASSERT_TRUE(QTest::qWaitFor(condition, 60000));
  }
  void wait_idle() {
    wait_for([this] { return !gl->working(); });
  }

  // The preview that a document given the same photograph and changes makes at once.
  _image made_at_once(const _document_settings& start, const std::string& photo,
                      const std::function<void(_document_settings&)>& change) {
    _stipple_document eager;
    EXPECT_TRUE(eager.load_dots("."));
    eager.apply(start);
    EXPECT_TRUE(eager.read(photo));
    _document_settings changed = eager.settings();
    change(changed);
    eager.apply(changed);
    return eager.preview();
  }
};

TEST_F(Work, ABurstOfSliderStepsComputesOnceForTheLastValue) {
  const _document_settings start = settings();
  load();
  QSignalSpy started(gl, &_gl_widget::work_started);
  for (const int packing : {22, 24, 26, 28, 25}) general->scale_factor_slider->setValue(packing);
  EXPECT_TRUE(gl->working());
  wait_idle();
  EXPECT_EQ(started.count(), 1);
  EXPECT_FLOAT_EQ(settings().stipple.scale_factor, 6.0f / 2.5f);
  const _image expected =
      made_at_once(start, STIPPON_DATA_DIR "/images/camera.pgm",
                   [](_document_settings& s) { s.stipple.scale_factor = 6.0f / 2.5f; });
  EXPECT_TRUE(same_samples(gl->document().preview(), expected));
  EXPECT_TRUE(same_texels(gl->display_texture(), shown(expected)));
}

// A change made while a run is in flight supersedes it: the picture ends with the last value.
TEST_F(Work, AChangeDuringARunSupersedesIt) {
  change([](_document_settings& s) { s.output_size = size_a5; });
  const _document_settings start = settings();
  load();
  QSignalSpy started(gl, &_gl_widget::work_started);
  gl->set_displacement(0.2f);
  wait_for([&] { return started.count() > 0; });
  gl->set_displacement(0.4f);
  wait_idle();
  EXPECT_EQ(started.count(), 2);
  const _image expected =
      made_at_once(start, STIPPON_DATA_DIR "/images/camera.pgm",
                   [](_document_settings& s) { s.stipple.displacement = 0.4f; });
  EXPECT_TRUE(same_samples(gl->document().preview(), expected));
}

// While a large picture is made the event loop runs and the view zooms; the status bar's Cancel
// then keeps the picture, its size and the panel as they were.
TEST_F(Work, TheWindowTakesInputDuringARunAndCancelKeepsThePicture) {
  load();
  const _document_settings before = settings();
  const _image picture = gl->document().preview();
  const QString width_text = general->width_line_edit->text();
  QSignalSpy started(gl, &_gl_widget::work_started);
  general->size_combo->setCurrentIndex(general->size_combo->findText("A4"));
  wait_for([&] { return started.count() > 0; });
  bool ran_during_work = false;
  QTimer::singleShot(0, [&] { ran_during_work = gl->working(); });
  const double zoom = gl->zoom();
  QTest::qWait(1);
  EXPECT_TRUE(ran_during_work);
  gl->zoom_by(2.0);
  EXPECT_DOUBLE_EQ(gl->zoom(), 2.0 * zoom);
  window->status->cancel->click();
  wait_idle();
  EXPECT_EQ(settings(), before);
  EXPECT_EQ(general->size_combo->currentText(), "A10");
  EXPECT_EQ(general->width_line_edit->text(), width_text);
  EXPECT_TRUE(same_samples(gl->document().preview(), picture));
  EXPECT_EQ(window->status->message->text(), "Cancelled: the picture keeps its previous settings");
}

}  // namespace
}  // namespace stippon
