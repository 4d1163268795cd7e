#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "panel_fixture.h"
#include "ui/line_edit.h"

namespace stippon {
namespace {

using testing::panels;

// A user's pick in a list: the index moves and, as for a mouse or keyboard choice, activated
// follows.
void pick(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

QPushButton* button(QWidget* panel, const QString& caption) {
  for (QPushButton* candidate : panel->findChildren<QPushButton*>())
    if (candidate->text() == caption) return candidate;
  return nullptr;
}

TEST(GeneralTab, BuildsWithTheInitialStateAndCallsNothing) {
  panels p;
  _general_tab* g = p.general;
  EXPECT_EQ(g->size_combo->count(), 9);
  EXPECT_EQ(g->size_combo->currentIndex(), size_a5);
  EXPECT_EQ(g->size_combo->itemText(8), "Custom");
  EXPECT_EQ(g->units_combo->currentIndex(), units_millimeters);
  EXPECT_EQ(g->save_resolution_combo->count(), 3);
  EXPECT_EQ(g->save_resolution_combo->currentText(), "300ppi");
  for (_line_edit* edit : {g->width_line_edit, g->height_line_edit}) {
    EXPECT_EQ(edit->text(), "0");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_FALSE(edit->isEnabled());
  }
  EXPECT_FALSE(g->width_label->isEnabled());
  EXPECT_FALSE(g->height_label->isEnabled());
  EXPECT_EQ(g->scale_factor_slider->value(), 20);
  EXPECT_EQ(g->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(g->displacement_slider->value(), 8);
  EXPECT_EQ(g->displacement_line_edit->text(), "0.25");
  EXPECT_EQ(g->black_level_slider->value(), 127);
  EXPECT_EQ(g->black_level_line_edit->text(), "127");
  EXPECT_FALSE(g->black_level_group->isEnabled());
  EXPECT_FALSE(g->color_tones_group->isEnabled());
  EXPECT_EQ(g->stippling_tone_combo->count(), 15);
  EXPECT_EQ(g->stippling_tone_combo->itemText(14), "Silver Gelatin");
  EXPECT_FALSE(g->scale_factor_slider->hasTracking());
  EXPECT_TRUE(g->width_line_edit->toolTip().contains("change the widht in the selected UNITS"));
  EXPECT_EQ(p.gl->scale_factor, 3.0f);
  EXPECT_EQ(p.gl->save_resolution[0], resolution_300);
}

// Before any image every slot only puts its own control back; the controller keeps its values.
TEST(GeneralTab, ImageGatePutsEachControlBack) {
  panels p;
  _general_tab* g = p.general;
  p.window->tab_widget->setEnabled(true);  // as after a file that then failed to load

  g->scale_factor_slider->setValue(45);
  EXPECT_EQ(g->scale_factor_slider->value(), 30);
  EXPECT_EQ(g->scale_factor_line_edit->text(), "2.00");
  g->displacement_slider->setValue(20);
  EXPECT_EQ(g->displacement_slider->value(), 1);
  EXPECT_EQ(g->displacement_line_edit->text(), "0.25");
  g->black_level_slider->setValue(200);
  EXPECT_EQ(g->black_level_slider->value(), 0);
  EXPECT_EQ(g->black_level_line_edit->text(), "127");

  g->units_combo->setCurrentIndex(units_pixels);
  EXPECT_EQ(g->units_combo->currentIndex(), units_millimeters);
  g->size_combo->setCurrentIndex(size_custom);
  EXPECT_EQ(g->size_combo->currentIndex(), size_a5);
  EXPECT_FALSE(g->width_line_edit->isEnabled());
  g->save_resolution_combo->setCurrentIndex(resolution_600);
  EXPECT_EQ(g->save_resolution_combo->currentIndex(), 0);
  pick(g->merging_function_combo, merging_minimum);
  EXPECT_EQ(g->merging_function_combo->currentIndex(), merging_product);
  pick(g->random_distribution_combo, distribution_normal);
  EXPECT_EQ(g->random_distribution_combo->currentIndex(), distribution_random);
  g->device_combo->setCurrentIndex(device_color_tones);
  EXPECT_EQ(g->device_combo->currentIndex(), device_grayscale);
  EXPECT_FALSE(g->color_tones_group->isEnabled());

  const _gl_widget* gl = p.gl;
  EXPECT_EQ(gl->scale_factor, 3.0f);
  EXPECT_EQ(gl->displacement, 0.25f);
  EXPECT_EQ(gl->black_level, 127);
  EXPECT_EQ(gl->output_units, units_millimeters);
  EXPECT_EQ(gl->output_size, size_a5);
  EXPECT_EQ(gl->merging_function, merging_product);
  EXPECT_EQ(gl->random_distribution, distribution_random);
  EXPECT_EQ(gl->device, device_grayscale);
  for (_resolution_position position : gl->save_resolution) EXPECT_EQ(position, resolution_300);
}

TEST(GeneralTab, SettersFormatTheControllersValues) {
  panels p;
  _general_tab* g = p.general;
  g->set_width(210.0f);
  EXPECT_EQ(g->width_line_edit->text(), "210.00000");
  g->set_height(209.97333f);
  EXPECT_EQ(g->height_line_edit->text(), "209.97333");
  p.gl->output_units = units_pixels;
  g->set_width(123.9f);
  EXPECT_EQ(g->width_line_edit->text(), "123");
  g->set_height(-0.75f);
  EXPECT_EQ(g->height_line_edit->text(), "0");
  g->set_merging_function(merging_minimum);
  g->set_random_distribution(distribution_normal);
  EXPECT_EQ(g->merging_function_combo->currentIndex(), merging_minimum);
  EXPECT_EQ(g->random_distribution_combo->currentIndex(), distribution_normal);
}

TEST(GeneralTab, PackingAndPlacementSliders) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  struct {
    int value;
    const char* shown;
    float handed;
  } const packing[] = {{10, "1.00", 6.0f}, {25, "2.50", 6.0f / 2.5f}, {60, "6.00", 1.0f}};
  for (const auto& row : packing) {
    SCOPED_TRACE(row.value);
    g->scale_factor_slider->setValue(row.value);
    EXPECT_EQ(g->scale_factor_line_edit->text(), row.shown);
    EXPECT_EQ(p.gl->scale_factor, row.handed);
  }
  EXPECT_EQ(p.gl->scale_factor, 1.0f);

  struct {
    int value;
    const char* shown;
    float handed;
  } const placement[] = {{32, "1.00", 1.0f}, {8, "0.25", 0.25f}, {0, "0.00", 0.0f}};
  for (const auto& row : placement) {
    SCOPED_TRACE(row.value);
    g->displacement_slider->setValue(row.value);
    EXPECT_EQ(g->displacement_line_edit->text(), row.shown);
    EXPECT_EQ(p.gl->displacement, row.handed);
  }

  g->set_scale_factor(2.0f);
  EXPECT_EQ(g->scale_factor_slider->value(), 20);
  EXPECT_EQ(g->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(p.gl->scale_factor, 3.0f);  // the slider's move runs its slot
  g->set_displacement(0.25f);
  EXPECT_EQ(g->displacement_slider->value(), 8);
  EXPECT_EQ(g->displacement_line_edit->text(), "0.25");
}

TEST(GeneralTab, CustomSizeEnablesTheFields) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  g->size_combo->setCurrentIndex(size_custom);
  EXPECT_EQ(p.gl->output_size, size_custom);
  for (_line_edit* edit : {g->width_line_edit, g->height_line_edit}) {
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_FALSE(edit->isReadOnly());
  }
  EXPECT_TRUE(g->width_label->isEnabled());
  EXPECT_TRUE(g->height_label->isEnabled());

  for (int size : {size_a10, size_a9, size_optimal}) {
    SCOPED_TRACE(size);
    g->size_combo->setCurrentIndex(size);
    EXPECT_EQ(p.gl->output_size, size);
    for (_line_edit* edit : {g->width_line_edit, g->height_line_edit}) {
      EXPECT_FALSE(edit->isEnabled());
      EXPECT_TRUE(edit->isReadOnly());
    }
    EXPECT_FALSE(g->width_label->isEnabled());
    g->size_combo->setCurrentIndex(size_custom);
  }
}

// An edited field hands its value on Tab or Return exactly once; the controller then writes
// the recomputed size back.
TEST(GeneralTab, TypedWidthReachesTheControllerOnce) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  g->units_combo->setCurrentIndex(units_pixels);
  g->size_combo->setCurrentIndex(size_custom);
  const uint32_t width = p.gl->stippling_image.width;
  EXPECT_EQ(g->width_line_edit->text(), QString::number(width));

  QSignalSpy spy(g->width_line_edit, SIGNAL(tabPressed()));
  QTest::keyClick(g->width_line_edit, Qt::Key_Tab);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(p.gl->stippling_image.width, width);

  struct {
    Qt::Key key;
    const char* typed;
    uint32_t width;
  } const rows[] = {{Qt::Key_Tab, "200", 200}, {Qt::Key_Return, "150", 150}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    spy.clear();
    g->width_line_edit->clear();
    QTest::keyClicks(g->width_line_edit, row.typed);
    QTest::keyClick(g->width_line_edit, row.key);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(p.gl->stippling_image.width, row.width);
    EXPECT_EQ(g->width_line_edit->text(), row.typed);
    EXPECT_FALSE(g->width_line_edit->isModified());
  }
}

TEST(GeneralTab, ColourModeGroupsAndTones) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  g->device_combo->setCurrentIndex(device_black_white);
  EXPECT_EQ(p.gl->device, device_black_white);
  EXPECT_TRUE(g->black_level_group->isEnabled());
  EXPECT_FALSE(g->color_tones_group->isEnabled());

  g->device_combo->setCurrentIndex(device_color_tones);
  EXPECT_EQ(p.gl->device, device_color_tones);
  EXPECT_FALSE(g->black_level_group->isEnabled());
  EXPECT_TRUE(g->color_tones_group->isEnabled());
  for (int tone : {7, 14, 0, 3}) {
    pick(g->stippling_tone_combo, tone);
    EXPECT_EQ(p.gl->stippling_tone, tone);
  }

  g->device_combo->setCurrentIndex(device_grayscale);
  EXPECT_FALSE(g->black_level_group->isEnabled());
  EXPECT_FALSE(g->color_tones_group->isEnabled());
  EXPECT_EQ(g->stippling_tone_combo->currentIndex(), 0);
  EXPECT_EQ(p.gl->stippling_tone, 0);

  // The setter shows the controller's tone without handing it back.
  p.gl->stippling_tone = 5;
  g->set_device(device_black_white);
  EXPECT_EQ(g->stippling_tone_combo->currentIndex(), 5);
  EXPECT_EQ(p.gl->stippling_tone, 5);
  EXPECT_EQ(p.gl->device, device_black_white);
}

// The resolution list reports its new row before the controller changes mode, so the row
// shown for the new mode is stored for the mode being left.
TEST(GeneralTab, SaveResolutionIsStoredBeforeTheModeChanges) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  g->save_resolution_combo->setCurrentIndex(resolution_1200);
  p.gl->save_resolution[device_black_white] = resolution_300;
  ASSERT_EQ(p.gl->save_resolution[device_grayscale], resolution_1200);

  g->device_combo->setCurrentIndex(device_black_white);
  EXPECT_EQ(g->save_resolution_combo->currentText(), "300ppi");
  EXPECT_EQ(p.gl->save_resolution[device_grayscale], resolution_300);
  EXPECT_EQ(p.gl->save_resolution[device_black_white], resolution_300);
}

TEST(GeneralTab, SetDeviceRefillsTheResolutionList) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  p.gl->black_level = 90;
  g->set_device(device_color_tones);
  ASSERT_EQ(g->save_resolution_combo->count(), 1);
  EXPECT_EQ(g->save_resolution_combo->currentText(), "300ppi");
  EXPECT_EQ(g->black_level_slider->value(), 90);
  EXPECT_EQ(g->black_level_line_edit->text(), "90");
  // The lone entry stands for 300 ppi, not for the first row of the full list.
  EXPECT_EQ(p.gl->save_resolution[device_color_tones], resolution_300);
  g->set_save_resolution(resolution_1200);
  EXPECT_EQ(g->save_resolution_combo->currentText(), "300ppi");

  g->set_device(device_grayscale);
  ASSERT_EQ(g->save_resolution_combo->count(), 3);
  EXPECT_EQ(g->save_resolution_combo->currentIndex(), resolution_300);
  g->set_save_resolution(resolution_600);
  EXPECT_EQ(g->save_resolution_combo->currentText(), "600ppi");
  EXPECT_EQ(p.gl->save_resolution[device_grayscale], resolution_600);
}

TEST(GeneralTab, SettersRunTheSlotsOfTheirLists) {
  panels p;
  p.load();
  _general_tab* g = p.general;
  g->set_units(units_pixels);
  EXPECT_EQ(p.gl->output_units, units_pixels);
  EXPECT_EQ(g->width_line_edit->text(), QString::number(p.gl->stippling_image.width));
  g->set_size(size_a9);
  EXPECT_EQ(p.gl->output_size, size_a9);
  EXPECT_EQ(p.gl->stippling_image.width, 620u);

  g->set_merging_function(merging_minimum);
  g->set_random_distribution(distribution_normal);
  EXPECT_EQ(p.gl->merging_function, merging_product);
  EXPECT_EQ(p.gl->random_distribution, distribution_random);
  pick(g->merging_function_combo, merging_minimum);
  pick(g->random_distribution_combo, distribution_normal);
  EXPECT_EQ(p.gl->merging_function, merging_minimum);
  EXPECT_EQ(p.gl->random_distribution, distribution_normal);
}

TEST(GeneralTab, ResetRestoresEveryDefault) {
  panels p;
  p.load("images/coffee_gray.pgm");  // landscape: the A5 output after the reset is 2480 x 1653
  _general_tab* g = p.general;
  g->units_combo->setCurrentIndex(units_inches);
  g->scale_factor_slider->setValue(40);
  g->displacement_slider->setValue(30);
  pick(g->merging_function_combo, merging_minimum);
  pick(g->random_distribution_combo, distribution_normal);
  g->device_combo->setCurrentIndex(device_black_white);
  g->black_level_slider->setValue(40);
  g->save_resolution_combo->setCurrentIndex(resolution_600);
  g->size_combo->setCurrentIndex(size_custom);

  QPushButton* reset = button(g, "Reset");
  ASSERT_NE(reset, nullptr);
  reset->click();

  EXPECT_EQ(g->units_combo->currentIndex(), units_millimeters);
  EXPECT_EQ(g->size_combo->currentIndex(), size_a5);
  EXPECT_FALSE(g->width_line_edit->isEnabled());
  EXPECT_EQ(g->scale_factor_slider->value(), 20);
  EXPECT_EQ(g->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(g->displacement_slider->value(), 8);
  EXPECT_EQ(g->displacement_line_edit->text(), "0.25");
  EXPECT_EQ(g->merging_function_combo->currentIndex(), merging_product);
  EXPECT_EQ(g->random_distribution_combo->currentIndex(), distribution_random);
  EXPECT_EQ(g->device_combo->currentIndex(), device_grayscale);
  EXPECT_EQ(g->black_level_slider->value(), 127);
  EXPECT_EQ(g->black_level_line_edit->text(), "127");
  EXPECT_FALSE(g->black_level_group->isEnabled());
  EXPECT_FALSE(g->color_tones_group->isEnabled());
  EXPECT_EQ(g->stippling_tone_combo->currentIndex(), 0);
  EXPECT_EQ(g->save_resolution_combo->currentText(), "300ppi");

  const _gl_widget* gl = p.gl;
  EXPECT_EQ(gl->output_units, units_millimeters);
  EXPECT_EQ(gl->output_size, size_a5);
  EXPECT_EQ(gl->scale_factor, 3.0f);
  EXPECT_EQ(gl->displacement, 0.25f);
  EXPECT_EQ(gl->merging_function, merging_product);
  EXPECT_EQ(gl->random_distribution, distribution_random);
  EXPECT_EQ(gl->device, device_grayscale);
  EXPECT_EQ(gl->black_level, 127);
  for (_resolution_position position : gl->save_resolution) EXPECT_EQ(position, resolution_300);
  EXPECT_EQ(gl->stippling_image.width, 2480u);
  EXPECT_EQ(g->width_line_edit->text(), QString::asprintf("%5.5f", float(2480 * 25.4 / 300.0)));
}

TEST(LineEdit, ReportsTabAndReturnOnlyAfterAnEdit) {
  QWidget parent;
  auto* layout = new QVBoxLayout(&parent);
  auto* first = new _line_edit;
  auto* second = new _line_edit;
  layout->addWidget(first);
  layout->addWidget(second);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  first->setFocus();
  first->setText("12");
  QSignalSpy spy(first, SIGNAL(tabPressed()));

  QTest::keyClick(first, Qt::Key_Tab);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(parent.focusWidget(), second);

  first->setFocus();
  QTest::keyClick(first, Qt::Key_End);
  QTest::keyClicks(first, "3");
  for (Qt::Key ignored : {Qt::Key_Backtab, Qt::Key_Enter}) QTest::keyClick(first, ignored);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_TRUE(first->isModified());

  first->setFocus();
  QTest::keyClick(first, Qt::Key_Return);
  EXPECT_EQ(spy.count(), 1);
  QTest::keyClicks(first, "4");
  QTest::keyClick(first, Qt::Key_Tab);
  EXPECT_EQ(spy.count(), 2);
  EXPECT_EQ(first->text(), "1234");
}

}  // namespace
}  // namespace stippon
