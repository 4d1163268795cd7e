// Undo and redo of the panels' settings, and the Images panel's Reset.
#include <QPushButton>
#include <QTest>

#include "controller/window_fixture.h"
#include "ui/color_selector.h"
#include "ui/line_edit.h"

namespace stippon {
namespace {

using History = WindowFixture;

// Lets the history take the step of the change just made, then counts the steps.
void settle(const _window& window, int steps) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.history->waiting(); }));
  EXPECT_EQ(window.history->stack()->count(), steps);
}

// Three presses on the packing slider are one step; undo puts back the slider, the setting and
// the very same picture, redo the later ones.
TEST_F(History, ASliderBurstIsOneStep) {
  load("coffee_gray.pgm");
  const _image first = doc().preview();
  QSlider* slider = general->scale_factor_slider;
  for (int press = 0; press < 3; ++press) {
    QTest::keyClick(slider, Qt::Key_Right);
    settle(*window, 1);
  }
  EXPECT_EQ(slider->value(), 26);
  EXPECT_EQ(settings().stipple.scale_factor, 6.0f / 2.6f);
  const _image later = doc().preview();
  EXPECT_EQ(window->undo_action->text(), "&Undo Packing");

  window->undo_action->trigger();
  EXPECT_EQ(slider->value(), 20);
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(settings().stipple.scale_factor, 3.0f);
  EXPECT_TRUE(same_samples(doc().preview(), first));
  window->redo_action->trigger();
  EXPECT_EQ(slider->value(), 26);
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.60");
  EXPECT_TRUE(same_samples(doc().preview(), later));
  EXPECT_EQ(window->history->stack()->count(), 1);

  // A burst that comes back to where it started leaves nothing to undo.
  window->undo_action->trigger();
  QTest::keyClick(slider, Qt::Key_Right);
  settle(*window, 1);
  QTest::keyClick(slider, Qt::Key_Left);
  settle(*window, 0);
  EXPECT_TRUE(same_samples(doc().preview(), first));
}

// Different controls are different steps; Ctrl+Z and Ctrl+Shift+Z walk through them and the
// panels follow, with the very same picture. A mode that changes the resolution list with it is
// one step.
TEST_F(History, EachControlIsAStepAndTheKeysWalkThem) {
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  load("coffee_gray.pgm");
  const _document_settings start = settings();
  const _image first = doc().preview();
  general->displacement_slider->setValue(16);
  settle(*window, 1);
  general->merging_function_combo->setCurrentIndex(merging_minimum);
  emit general->merging_function_combo->activated(merging_minimum);
  settle(*window, 2);
  gl->images_tab()->high_density_max_spin_box->setValue(6);
  settle(*window, 3);
  general->device_combo->setCurrentIndex(device_black_white);
  settle(*window, 4);
  EXPECT_EQ(window->undo_action->text(), "&Undo Colours");
  general->tone_matching_combo->setCurrentIndex(tone_matching_grey);
  settle(*window, 5);
  EXPECT_EQ(window->undo_action->text(), "&Undo Tone Matching");
  const _document_settings end = settings();

  window->setFocus();  // not in a field, which keeps Ctrl+Z for its own text
  for (int step = 0; step < 5; ++step)
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(settings() == start);
  EXPECT_TRUE(same_samples(doc().preview(), first));
  EXPECT_EQ(general->displacement_slider->value(), 8);
  EXPECT_EQ(general->merging_function_combo->currentIndex(), merging_product);
  EXPECT_EQ(gl->images_tab()->high_density_max_spin_box->value(), 8);
  EXPECT_EQ(general->device_combo->currentIndex(), device_grayscale);
  EXPECT_FALSE(general->black_level_group->isEnabled());
  EXPECT_EQ(general->tone_matching_combo->currentIndex(), tone_matching_none);
  EXPECT_FALSE(window->undo_action->isEnabled());

  for (int step = 0; step < 5; ++step)
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(settings() == end);
  EXPECT_EQ(general->displacement_line_edit->text(), "0.50");
  EXPECT_EQ(general->merging_function_combo->currentIndex(), merging_minimum);
  EXPECT_EQ(gl->images_tab()->high_density_max_spin_box->value(), 6);
  EXPECT_EQ(general->device_combo->currentIndex(), device_black_white);
  EXPECT_TRUE(general->black_level_group->isEnabled());
  EXPECT_EQ(general->save_resolution_combo->currentText(), "300ppi");
  EXPECT_EQ(general->tone_matching_combo->currentIndex(), tone_matching_grey);
  EXPECT_EQ(window->history->stack()->count(), 5);
}

// A new size and a typed custom width are undone to the picture they replaced.
TEST_F(History, SizesAndTypedWidthsAreUndone) {
  load("coffee_gray.pgm");  // A10: 438 wide
  const _image a10 = doc().preview();
  general->size_combo->setCurrentIndex(size_a9);
  settle(*window, 1);
  EXPECT_EQ(doc().preview().width, 620u);
  general->size_combo->setCurrentIndex(size_custom);
  settle(*window, 2);
  general->units_combo->setCurrentIndex(units_pixels);
  settle(*window, 3);
  general->width_line_edit->setText("500");
  emit general->width_line_edit->tabPressed();
  settle(*window, 4);
  EXPECT_EQ(doc().preview().width, 500u);

  window->undo_action->trigger();
  EXPECT_EQ(doc().preview().width, 620u);
  EXPECT_EQ(general->width_line_edit->text(), "620");
  for (int step = 0; step < 3; ++step) window->undo_action->trigger();
  EXPECT_EQ(general->size_combo->currentIndex(), size_a10);
  EXPECT_FALSE(general->width_line_edit->isEnabled());
  EXPECT_TRUE(same_samples(doc().preview(), a10));
  window->redo_action->trigger();
  window->redo_action->trigger();
  EXPECT_EQ(general->size_combo->currentIndex(), size_custom);
  EXPECT_TRUE(general->width_line_edit->isEnabled());
  EXPECT_EQ(doc().preview().width, 620u);
}

// The Images panel's Reset puts back its own controls and the picture they made, as one step.
TEST_F(History, TheImagesResetRestoresItsControls) {
  load("coffee_gray.pgm");
  const _image first = doc().preview();
  const _image first_borders = doc().borders();
  _images_tab* images = gl->images_tab();
  const std::function<void()> changes[] = {[&] { images->low_density_min_spin_box->setValue(6); },
                                           [&] { images->high_density_max_spin_box->setValue(5); },
                                           [&] { images->threshold_slider->setValue(40); },
                                           [&] { images->borders_slider->setValue(-20); },
                                           [&] { images->colour_check_box->setChecked(true); },
                                           [&] {
                                             images->color_selector->set_color(QColor(0, 0, 255));
                                             emit images->color_selector->color_changed();
                                           }};
  int steps = 0;
  for (const auto& change : changes) {
    change();
    settle(*window, ++steps);
  }
  EXPECT_EQ(settings().ink, _pixel(0, 0, 255, 255));
  EXPECT_FALSE(same_samples(doc().borders(), first_borders));

  images->reset_button->click();
  settle(*window, 7);
  EXPECT_EQ(images->low_density_min_spin_box->value(), 4);
  EXPECT_EQ(images->low_density_max_spin_box->value(), 8);
  EXPECT_EQ(images->high_density_min_spin_box->value(), 4);
  EXPECT_EQ(images->high_density_max_spin_box->value(), 8);
  EXPECT_EQ(images->threshold_slider->value(), 127);
  EXPECT_EQ(images->borders_slider->value(), 50);
  EXPECT_FALSE(images->colour_check_box->isChecked());
  EXPECT_EQ(images->color_selector->color, QColor(Qt::red));
  EXPECT_TRUE(settings().stipple == _stipple_settings());  // the General ones were defaults too
  EXPECT_EQ(settings().borders_threshold, DEFAULT_BORDERS_THRESHOLD);
  EXPECT_EQ(settings().ink, DEFAULT_INK);
  EXPECT_FALSE(settings().colour_stippling);
  EXPECT_TRUE(same_samples(doc().preview(), first));
  EXPECT_TRUE(same_samples(doc().borders(), first_borders));
  for (const _pixel& texel : doc().colour_field().texels) ASSERT_EQ(texel, DEFAULT_INK);

  window->undo_action->trigger();
  EXPECT_EQ(images->borders_slider->value(), -20);
  EXPECT_TRUE(images->colour_check_box->isChecked());
  EXPECT_EQ(settings().stipple.contrast_threshold, 40);
}

}  // namespace
}  // namespace stippon
