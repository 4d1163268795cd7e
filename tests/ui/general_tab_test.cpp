#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/line_edit.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using GeneralTab = WindowFixture;

// A user's pick in a list: the index moves and, as for a mouse or keyboard choice, activated
// follows.
void pick(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Before any image every control springs back and the controller keeps its values.
TEST_F(GeneralTab, ImageGatePutsEachControlBack) {
  window->tab_widget->setEnabled(true);  // as after a file that then failed to load
  general->scale_factor_slider->setValue(45);
  general->displacement_slider->setValue(20);
  general->black_level_slider->setValue(200);
  general->units_combo->setCurrentIndex(units_pixels);
  general->size_combo->setCurrentIndex(size_custom);
  general->save_resolution_combo->setCurrentIndex(resolution_600);
  general->device_combo->setCurrentIndex(device_color_tones);
  pick(general->merging_function_combo, merging_minimum);
  pick(general->random_distribution_combo, distribution_normal);
  EXPECT_EQ(general->scale_factor_slider->value(), 30);
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(general->displacement_slider->value(), 1);
  EXPECT_EQ(general->displacement_line_edit->text(), "0.25");
  EXPECT_EQ(general->black_level_slider->value(), 0);
  EXPECT_EQ(general->black_level_line_edit->text(), "127");
  EXPECT_EQ(general->units_combo->currentIndex(), units_millimeters);
  EXPECT_EQ(general->size_combo->currentIndex(), size_a5);
  EXPECT_FALSE(general->width_line_edit->isEnabled());
  EXPECT_EQ(general->save_resolution_combo->currentIndex(), 0);
  EXPECT_EQ(general->device_combo->currentIndex(), device_grayscale);
  EXPECT_FALSE(general->color_tones_group->isEnabled());
  EXPECT_EQ(general->merging_function_combo->currentIndex(), merging_product);
  EXPECT_EQ(general->random_distribution_combo->currentIndex(), distribution_random);
  EXPECT_EQ(gl->scale_factor, 3.0f);
  EXPECT_EQ(gl->displacement, 0.25f);
  EXPECT_EQ(gl->output_units, units_millimeters);
  EXPECT_EQ(gl->merging_function, merging_product);
  EXPECT_EQ(gl->device, device_grayscale);
}

// The packing and placement sliders show their values and hand them over.
TEST_F(GeneralTab, SlidersShowAndHandTheirValues) {
  load();
  general->scale_factor_slider->setValue(25);
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.50");
  EXPECT_EQ(gl->scale_factor, 6.0f / 2.5f);
  general->displacement_slider->setValue(32);
  EXPECT_EQ(general->displacement_line_edit->text(), "1.00");
  EXPECT_EQ(gl->displacement, 1.0f);
}

// Only "Custom" opens the width and height fields; an edited field hands its value in the chosen
// units on Tab or Return exactly once, and the controller writes the recomputed size back.
TEST_F(GeneralTab, CustomSizeTakesTypedWidthsOnce) {
  load();
  for (int size : {size_custom, size_a9, size_custom}) {
    general->size_combo->setCurrentIndex(size);
    EXPECT_EQ(gl->output_size, size);
    EXPECT_EQ(general->width_line_edit->isEnabled(), size == size_custom);
    EXPECT_EQ(general->height_label->isEnabled(), size == size_custom);
    EXPECT_EQ(general->width_line_edit->isReadOnly(), size != size_custom);
  }
  const uint32_t width = gl->stippling_image.width;
  QSignalSpy spy(general->width_line_edit, SIGNAL(tabPressed()));
  QTest::keyClick(general->width_line_edit, Qt::Key_Tab);
  QTest::keyClick(general->width_line_edit, Qt::Key_Enter);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(gl->stippling_image.width, width);
  const struct {
    _output_units units;
    Qt::Key key;
    const char* typed;
    uint32_t width;
    const char* shown;
  } rows[] = {
      {units_millimeters, Qt::Key_Tab, "100", 1181, "99.99133"},  // 100 * 300 / 25.4 = 1181.1
      {units_inches, Qt::Key_Return, "2", 600, "2.00000"},
      {units_pixels, Qt::Key_Tab, "150", 150, "150"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    general->units_combo->setCurrentIndex(row.units);
    spy.clear();
    general->width_line_edit->clear();
    QTest::keyClicks(general->width_line_edit, row.typed);
    QTest::keyClick(general->width_line_edit, row.key);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(gl->stippling_image.width, row.width);
    EXPECT_EQ(general->width_line_edit->text(), row.shown);
  }
}

// Each mode opens its own group; the resolution list reports its new row before the controller
// changes mode, so the row shown for the new mode is stored for the mode being left.
TEST_F(GeneralTab, ColourModesOpenTheirGroups) {
  load();
  general->save_resolution_combo->setCurrentIndex(resolution_1200);
  ASSERT_EQ(gl->save_resolution[device_grayscale], resolution_1200);
  general->device_combo->setCurrentIndex(device_black_white);
  EXPECT_TRUE(general->black_level_group->isEnabled());
  EXPECT_FALSE(general->color_tones_group->isEnabled());
  EXPECT_EQ(general->save_resolution_combo->currentText(), "300ppi");
  EXPECT_EQ(gl->save_resolution[device_grayscale], resolution_300);
  general->device_combo->setCurrentIndex(device_color_tones);
  EXPECT_FALSE(general->black_level_group->isEnabled());
  EXPECT_TRUE(general->color_tones_group->isEnabled());
  pick(general->stippling_tone_combo, 7);
  EXPECT_EQ(gl->stippling_tone, 7);
  general->device_combo->setCurrentIndex(device_grayscale);
  EXPECT_FALSE(general->color_tones_group->isEnabled());
  EXPECT_EQ(general->stippling_tone_combo->currentIndex(), 0);
  EXPECT_EQ(gl->stippling_tone, 0);
}

TEST_F(GeneralTab, ResetRestoresEveryDefault) {
  load("coffee_gray.pgm");  // landscape: the A5 output after the reset is 2480 pixels wide
  general->units_combo->setCurrentIndex(units_inches);
  general->scale_factor_slider->setValue(40);
  general->displacement_slider->setValue(30);
  pick(general->merging_function_combo, merging_minimum);
  general->device_combo->setCurrentIndex(device_black_white);
  general->save_resolution_combo->setCurrentIndex(resolution_600);
  general->size_combo->setCurrentIndex(size_custom);
  for (QPushButton* button : general->findChildren<QPushButton*>())
    if (button->text() == "Reset") button->click();
  EXPECT_EQ(general->size_combo->currentIndex(), size_a5);
  EXPECT_FALSE(general->width_line_edit->isEnabled());
  EXPECT_EQ(general->width_line_edit->text(), "209.97333");
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(general->displacement_line_edit->text(), "0.25");
  EXPECT_EQ(general->merging_function_combo->currentIndex(), merging_product);
  EXPECT_EQ(general->device_combo->currentIndex(), device_grayscale);
  EXPECT_EQ(general->save_resolution_combo->currentText(), "300ppi");
  EXPECT_EQ(gl->stippling_image.width, 2480u);
  EXPECT_EQ(gl->scale_factor, 3.0f);
  EXPECT_EQ(gl->displacement, 0.25f);
  EXPECT_EQ(gl->merging_function, merging_product);
  EXPECT_EQ(gl->device, device_grayscale);
  for (_resolution_position position : gl->save_resolution) EXPECT_EQ(position, resolution_300);
}

}  // namespace
}  // namespace stippon
