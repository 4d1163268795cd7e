// The General and Images panels on the real window.
#include <QColorDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "controller/window_fixture.h"
#include "ui/color_selector.h"
#include "ui/line_edit.h"

namespace stippon {
namespace {

using Panels = WindowFixture;

// A user's pick in a list: the index moves and, as for a mouse or keyboard choice, activated
// follows.
void pick(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Before any image every control springs back, and so leaves the controller be.
TEST_F(Panels, ImageGatePutsEachControlBack) {
  window->tab_widget->setEnabled(true);  // as after a file that then failed to load
  general->scale_factor_slider->setValue(45);
  EXPECT_EQ(general->scale_factor_slider->value(), 30);
  general->displacement_slider->setValue(20);
  EXPECT_EQ(general->displacement_slider->value(), 1);
  general->black_level_slider->setValue(200);
  EXPECT_EQ(general->black_level_slider->value(), 0);
  // Each list: the pick, and the row it springs back to.
  const std::tuple<QComboBox*, int, int> lists[] = {
      {general->units_combo, units_pixels, units_millimeters},
      {general->size_combo, size_custom, size_a5},
      {general->save_resolution_combo, resolution_600, 0},
      {general->device_combo, device_color_tones, device_grayscale},
      {general->merging_function_combo, merging_minimum, merging_product},
      {general->random_distribution_combo, distribution_normal, distribution_random}};
  for (const auto& [list, picked, back] : lists) {
    pick(list, picked);
    EXPECT_EQ(list->currentIndex(), back) << picked;
  }
  general->tone_matching_combo->setCurrentIndex(tone_matching_grey);
  general->black_point_spin_box->setValue(40);
  general->gamma_spin_box->setValue(2.0);
  EXPECT_EQ(general->tone_matching_combo->currentIndex(), tone_matching_none);
  EXPECT_EQ(general->black_point_spin_box->value(), 0);
  EXPECT_EQ(general->gamma_spin_box->value(), 1.0);
  EXPECT_FALSE(general->width_line_edit->isEnabled());
  EXPECT_FALSE(general->color_tones_group->isEnabled());
  EXPECT_EQ(settings().stipple.scale_factor, 3.0f);
  EXPECT_EQ(settings().device, device_grayscale);
  EXPECT_TRUE(settings().tone_match == _tone_settings());
}

// Only "Custom" opens the width and height fields. An edited field hands its value in the chosen
// units on Tab or Return exactly once; a height keeps the input's aspect ratio, and a size that
// makes no picture changes nothing. The panel then shows the dimensions of the output.
TEST_F(Panels, CustomSizeTakesTypedSizesOnce) {
  load("coffee_gray.pgm");  // 600 x 400
  for (int size : {size_custom, size_a9, size_custom}) {
    general->size_combo->setCurrentIndex(size);
    EXPECT_EQ(settings().output_size, size);
    EXPECT_EQ(general->width_line_edit->isEnabled(), size == size_custom);
    EXPECT_EQ(general->height_label->isEnabled(), size == size_custom);
    EXPECT_EQ(general->width_line_edit->isReadOnly(), size != size_custom);
  }
  const uint32_t width = doc().preview().width;
  QSignalSpy unedited(general->width_line_edit, SIGNAL(tabPressed()));
  QTest::keyClick(general->width_line_edit, Qt::Key_Tab);
  QTest::keyClick(general->width_line_edit, Qt::Key_Enter);
  EXPECT_EQ(unedited.count(), 0);
  EXPECT_EQ(doc().preview().width, width);
  _line_edit* const w = general->width_line_edit;
  _line_edit* const h = general->height_line_edit;
  const struct {
    _line_edit* field;
    _output_units units;
    Qt::Key key;
    const char* typed;
    uint32_t width;
    const char* shown;
  } rows[] = {
      {w, units_millimeters, Qt::Key_Tab, "100", 1181, "99.99133"},  // 100 * 300 / 25.4 = 1181.1
      {w, units_inches, Qt::Key_Return, "2", 600, "2.00000"},
      {h, units_pixels, Qt::Key_Tab, "200", 300, "200"},
      {w, units_pixels, Qt::Key_Tab, "not a number", 300, "300"},
      {w, units_pixels, Qt::Key_Tab, "nan", 300, "300"},
      {w, units_pixels, Qt::Key_Tab, "inf", 300, "300"},
      {w, units_pixels, Qt::Key_Tab, "2", 300, "300"},  // under one halftone cell
      {h, units_pixels, Qt::Key_Tab, "1", 300, "200"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    general->units_combo->setCurrentIndex(row.units);
    QSignalSpy spy(row.field, SIGNAL(tabPressed()));
    row.field->clear();
    QTest::keyClicks(row.field, row.typed);
    QTest::keyClick(row.field, row.key);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(doc().preview().width, row.width);
    EXPECT_EQ(row.field->text(), row.shown);
  }
  EXPECT_TRUE(messages.empty());
}

// The sliders show their values and hand them over, each mode opens its own group, and a white
// point is never offered at or below the black point; the reset puts back every default, in the
// panel and in the controller, and the very same picture, and the dimensions of the A5 sheet then
// read in each unit.
TEST_F(Panels, ChoicesAndTheirReset) {
  load("coffee_gray.pgm");  // 600 x 400: 2480 x 1653 pixels on A5
  general->reset_button->click();
  const _image first = doc().preview();
  general->scale_factor_slider->setValue(25);
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.50");
  EXPECT_EQ(settings().stipple.scale_factor, 6.0f / 2.5f);
  general->displacement_slider->setValue(32);
  EXPECT_EQ(general->displacement_line_edit->text(), "1.00");
  EXPECT_EQ(settings().stipple.displacement, 1.0f);
  general->device_combo->setCurrentIndex(device_color_tones);
  EXPECT_FALSE(general->black_level_group->isEnabled());
  EXPECT_TRUE(general->color_tones_group->isEnabled());
  pick(general->stippling_tone_combo, 7);
  EXPECT_EQ(settings().tone, 7);
  general->device_combo->setCurrentIndex(device_grayscale);  // untoned
  EXPECT_FALSE(general->color_tones_group->isEnabled());
  EXPECT_EQ(general->stippling_tone_combo->currentIndex(), 0);
  EXPECT_EQ(settings().tone, 0);
  general->device_combo->setCurrentIndex(device_black_white);
  EXPECT_TRUE(general->black_level_group->isEnabled());
  EXPECT_FALSE(general->color_tones_group->isEnabled());
  general->units_combo->setCurrentIndex(units_inches);
  pick(general->merging_function_combo, merging_minimum);
  general->save_resolution_combo->setCurrentIndex(resolution_600);
  general->size_combo->setCurrentIndex(size_custom);
  general->tone_matching_combo->setCurrentIndex(tone_matching_linear);
  general->black_point_spin_box->setValue(100);
  EXPECT_EQ(general->white_point_spin_box->minimum(), 101);
  general->white_point_spin_box->setValue(50);  // held one above the black point
  EXPECT_EQ(general->white_point_spin_box->value(), 101);
  EXPECT_EQ(general->black_point_spin_box->maximum(), 100);
  general->gamma_spin_box->setValue(0.5);

  general->reset_button->click();
  EXPECT_TRUE(same_samples(doc().preview(), first));
  EXPECT_TRUE(settings().tone_match == _tone_settings());
  EXPECT_EQ(settings().device, device_grayscale);
  EXPECT_EQ(general->tone_matching_combo->currentIndex(), tone_matching_none);
  EXPECT_EQ(general->black_point_spin_box->value(), 0);
  EXPECT_EQ(general->white_point_spin_box->value(), 255);
  EXPECT_EQ(general->gamma_spin_box->value(), 1.0);
  EXPECT_EQ(general->size_combo->currentIndex(), size_a5);
  EXPECT_FALSE(general->width_line_edit->isEnabled());
  EXPECT_EQ(general->scale_factor_line_edit->text(), "2.00");
  EXPECT_EQ(general->displacement_line_edit->text(), "0.25");
  EXPECT_EQ(general->merging_function_combo->currentIndex(), merging_product);
  EXPECT_EQ(general->device_combo->currentIndex(), device_grayscale);
  EXPECT_FALSE(general->black_level_group->isEnabled());
  EXPECT_EQ(general->save_resolution_combo->currentText(), "300ppi");
  EXPECT_TRUE(settings().stipple == _stipple_settings());
  for (_resolution_position position : settings().save_resolution)
    EXPECT_EQ(position, resolution_300);

  const std::tuple<_output_units, const char*, const char*> units[] = {
      {units_millimeters, "209.97333", "139.95399"},  // 139.954 held as a float
      {units_pixels, "2480", "1653"},
      {units_inches, "8.26667", "5.51000"}};
  for (const auto& [unit, width, height] : units) {
    general->units_combo->setCurrentIndex(unit);
    EXPECT_EQ(general->width_line_edit->text(), width);
    EXPECT_EQ(general->height_line_edit->text(), height);
  }
  EXPECT_TRUE(same_samples(doc().preview(), first));  // units never change the output
}

// The resolution list hands its new row over before the mode changes: with Gray-scale at 1200 ppi
// and Black&White at 300 ppi, choosing Black&White shows 300ppi and leaves both at 300 ppi.
TEST_F(Panels, ResolutionIsStoredBeforeTheModeChanges) {
  load();
  general->save_resolution_combo->setCurrentIndex(resolution_1200);
  EXPECT_EQ(settings().save_resolution[device_grayscale], resolution_1200);
  change([](_document_settings& s) { s.save_resolution[device_black_white] = resolution_300; });
  general->device_combo->setCurrentIndex(device_black_white);
  EXPECT_EQ(general->save_resolution_combo->currentText(), "300ppi");
  EXPECT_EQ(settings().save_resolution[device_grayscale], resolution_300);
  EXPECT_EQ(settings().save_resolution[device_black_white], resolution_300);
}

// The swatch opens the colour dialog (alpha included) at its colour; OK paints the swatch and the
// flat colour field, Cancel changes nothing.
TEST_F(Panels, SwatchDialogOkAndCancel) {
  load();
  _color_selector* selector = gl->images_tab()->color_selector;
  QSignalSpy spy(selector, SIGNAL(color_changed()));
  const QColor chosen(10, 20, 30, 40);
  for (const bool accept : {true, false}) {
    SCOPED_TRACE(accept);
    QColor initial;
    bool alpha_shown = false;
    QTimer timer;  // answers the dialog once it is open
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      timer.stop();
      initial = dialog->currentColor();
      alpha_shown = dialog->testOption(QColorDialog::ShowAlphaChannel);
      accept ? (dialog->setCurrentColor(chosen), dialog->accept()) : dialog->reject();
    });
    timer.start(10);
    QTest::mouseClick(selector, Qt::LeftButton);
    EXPECT_EQ(initial, accept ? QColor(Qt::red) : chosen);
    EXPECT_TRUE(alpha_shown);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(selector->color, chosen);
    EXPECT_EQ(selector->frame->palette().color(QPalette::Inactive, QPalette::Window), chosen);
    for (const _pixel& texel : doc().colour_field().texels)
      ASSERT_EQ(texel, _pixel(10, 20, 30, 40));
  }
}

}  // namespace
}  // namespace stippon
