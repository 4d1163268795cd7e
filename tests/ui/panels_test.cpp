// The General and Images panels on the real window: each control sends its edit, shows the
// settings it is given back, and is undone with the Edit menu's keys.
#include <QColorDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>

#include "window_fixture.h"

namespace stippon {
namespace {

using Panels = WindowFixture;

// Only "Custom" opens the width and height fields. An edited field hands its value in the chosen
// units on Tab or Return exactly once; a height keeps the input's aspect ratio, and a size that
// makes no picture changes nothing. The panel then shows the dimensions of the output.
TEST_F(Panels, CustomSizeTakesTypedSizesOnce) {
  load("coffee_gray.pgm");  // 600 x 400
  auto* size = general<QComboBox>("size_combo");
  _line_edit* const w = general<_line_edit>("width_line_edit");
  _line_edit* const h = general<_line_edit>("height_line_edit");
  for (int choice : {size_custom, size_a9, size_custom}) {
    size->setCurrentIndex(choice);
    EXPECT_EQ(settings().output_size, choice);
    EXPECT_EQ(w->isEnabled(), choice == size_custom);
    EXPECT_EQ(general<QLabel>("height_label")->isEnabled(), choice == size_custom);
    EXPECT_EQ(w->isReadOnly(), choice != size_custom);
  }
  const uint32_t width = doc().preview().width;
  QSignalSpy unedited(w, &_line_edit::committed);
  QTest::keyClick(w, Qt::Key_Tab);
  QTest::keyClick(w, Qt::Key_Enter);
  EXPECT_EQ(unedited.count(), 0);
  EXPECT_EQ(doc().preview().width, width);
  const struct {
    _line_edit* field;
    _output_units units;
    Qt::Key key;
    const char* typed;
    uint32_t width;
    const char* shown;
  } rows[] = {
      {w, units_millimeters, Qt::Key_Tab, "100", 1181, "99.99"},  // 100 * 300 / 25.4 = 1181.1
      {w, units_inches, Qt::Key_Return, "2", 600, "2.000"},
      {h, units_pixels, Qt::Key_Tab, "200", 300, "200"},
      {w, units_pixels, Qt::Key_Tab, "not a number", 300, "300"},
      {w, units_pixels, Qt::Key_Tab, "nan", 300, "300"},
      {w, units_pixels, Qt::Key_Tab, "inf", 300, "300"},
      {w, units_pixels, Qt::Key_Tab, "2", 300, "300"},  // under one halftone cell
      {h, units_pixels, Qt::Key_Tab, "1", 300, "200"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    general<QComboBox>("units_combo")->setCurrentIndex(row.units);
    QSignalSpy spy(row.field, &_line_edit::committed);
    type_in(row.field, row.typed, row.key);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(doc().preview().width, row.width);
    EXPECT_EQ(row.field->text(), row.shown);
  }
  // Pixels are those of the save resolution, as in the status bar.
  general<QComboBox>("save_resolution_combo")->setCurrentIndex(resolution_600);
  EXPECT_EQ(w->text(), "600");
  type_in(w, "800");
  EXPECT_EQ(doc().preview().width, 400u);
  EXPECT_EQ(w->text(), "800");
  EXPECT_EQ(window->status->size->text(), QString::fromUtf8("800 × 532 px at 600 ppi"));
  // Shown at once, before the picture is made: 1000 mm are 11811 pixels, 999.998 mm.
  general<QComboBox>("units_combo")->setCurrentIndex(units_millimeters);
  type_in(w, "1000");
  EXPECT_EQ(w->text(), "1000.00");
  EXPECT_TRUE(warnings.empty());
}

// The sliders show their values and hand them over, each mode opens its own group and keeps its
// own resolution, and a white point is never offered at or below the black point.
TEST_F(Panels, GeneralControlsShowAndHandOverTheirValues) {
  load("coffee_gray.pgm");
  general<QSlider>("scale_factor_slider")->setValue(25);
  EXPECT_EQ(general<_line_edit>("scale_factor_line_edit")->text(), "2.50");
  EXPECT_EQ(settings().stipple.scale_factor, 6.0f / 2.5f);
  general<QSlider>("displacement_slider")->setValue(32);
  EXPECT_EQ(general<_line_edit>("displacement_line_edit")->text(), "1.00");
  EXPECT_EQ(settings().stipple.displacement, 1.0f);
  // Both fields take a typed value within the slider's range, to the hundredth.
  const struct {
    const char *field, *typed, *shown, *slider;
    int position;
  } typed[] = {{"scale_factor_line_edit", "2.374", "2.37", "scale_factor_slider", 24},
               {"scale_factor_line_edit", "7", "2.37", "scale_factor_slider", 24},
               {"displacement_line_edit", "0.3", "0.30", "displacement_slider", 10}};
  for (const auto& row : typed) {
    auto* field = general<_line_edit>(row.field);
    type_in(field, row.typed, Qt::Key_Return);
    EXPECT_EQ(field->text(), row.shown) << row.typed;
    EXPECT_EQ(general<QSlider>(row.slider)->value(), row.position) << row.typed;
  }
  EXPECT_EQ(settings().stipple.scale_factor, 6.0f / 2.37f);
  EXPECT_EQ(settings().stipple.displacement, 0.3f);
  auto* resolution = general<QComboBox>("save_resolution_combo");
  resolution->setCurrentIndex(resolution_1200);
  auto* mode = general<QComboBox>("device_combo");
  mode->setCurrentIndex(device_color_tones);
  EXPECT_FALSE(general<QGroupBox>("black_level_group")->isEnabled());
  EXPECT_TRUE(general<QGroupBox>("color_tones_group")->isEnabled());
  EXPECT_EQ(resolution->count(), 1);  // colour tones are saved at 300 ppi
  pick(general<QComboBox>("stippling_tone_combo"), 7);
  EXPECT_EQ(settings().tone, 7);
  mode->setCurrentIndex(3);  // "CMYK inks": the four inks in grey-scale dots
  EXPECT_EQ(settings().inks, inks_cmyk);
  EXPECT_EQ(settings().device, device_grayscale);
  EXPECT_EQ(mode->currentText(), "CMYK inks");
  mode->setCurrentIndex(device_color_tones);
  EXPECT_EQ(settings().inks, inks_one);
  mode->setCurrentIndex(device_grayscale);  // untoned
  EXPECT_FALSE(general<QGroupBox>("color_tones_group")->isEnabled());
  EXPECT_EQ(general<QComboBox>("stippling_tone_combo")->currentIndex(), 0);
  EXPECT_EQ(settings().tone, 0);
  EXPECT_EQ(resolution->currentText(), "1200ppi");
  mode->setCurrentIndex(device_black_white);
  EXPECT_TRUE(general<QGroupBox>("black_level_group")->isEnabled());
  EXPECT_EQ(resolution->currentText(), "300ppi");
  general<QSlider>("black_level_slider")->setValue(200);
  EXPECT_EQ(general<_line_edit>("black_level_line_edit")->text(), "200");
  EXPECT_EQ(settings().stipple.black_level, 200);
  pick(general<QComboBox>("random_distribution_combo"), distribution_normal);
  pick(general<QComboBox>("placement_combo"), placement_relaxed);
  EXPECT_EQ(window->undo_action->text(), "&Undo Placement");
  EXPECT_EQ(settings().stipple.random_distribution, distribution_normal);
  EXPECT_EQ(settings().stipple.placement, placement_relaxed);
  general<QComboBox>("tone_matching_combo")->setCurrentIndex(tone_matching_linear);
  auto* black = general<QSpinBox>("black_point_spin_box");
  auto* white = general<QSpinBox>("white_point_spin_box");
  black->setValue(100);
  EXPECT_EQ(white->minimum(), 101);
  white->setValue(50);  // held one above the black point
  EXPECT_EQ(white->value(), 101);
  EXPECT_EQ(black->maximum(), 100);
  general<QDoubleSpinBox>("gamma_spin_box")->setValue(0.5);
  EXPECT_EQ(settings().tone_match.levels, _levels(100.0f, 101.0f, 0.5f));
}

// A colour picked in the dialog (alpha included, starting from the ink) paints the swatch and
// the colour field; Cancel changes nothing.
void pick_colour(QWidget* selector, bool accept, const QColor& chosen, QColor* initial = nullptr) {
  QTimer timer;  // answers the dialog once it is open
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer.stop();
    EXPECT_TRUE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    if (initial != nullptr) *initial = dialog->currentColor();
    accept ? (dialog->setCurrentColor(chosen), dialog->accept()) : dialog->reject();
  });
  timer.start(10);
  QTest::mouseClick(selector, Qt::LeftButton);
}

// Each control of the Images panel hands its setting over and is a step of its own; a dot size
// offers only the sizes that keep its pair in order; the swatch opens the colour dialog at the
// ink.
TEST_F(Panels, ImagesControlsHandOverTheirValues) {
  load("coffee_gray.pgm");
  const _image first_borders = doc().borders();
  auto* low_min = images<QSpinBox>("low_density_min_spin_box");
  auto* selector = images<_color_selector>("color_selector");
  const std::function<void()> changes[] = {
      [&] { images<QSpinBox>("low_density_max_spin_box")->setValue(6); },
      [&] { low_min->setValue(8); },
      [&] { images<QSpinBox>("high_density_max_spin_box")->setValue(5); },
      [&] { images<QSlider>("threshold_slider")->setValue(40); },
      [&] { images<QSlider>("borders_slider")->setValue(-20); },
      [&] { images<QCheckBox>("colour_check_box")->setChecked(true); },
      [&] {
        QColor initial;
        pick_colour(selector, false, QColor(1, 2, 3));
        pick_colour(selector, true, QColor(10, 20, 30, 40), &initial);
        EXPECT_EQ(initial, QColor(Qt::red));
      }};
  for (const auto& change : changes) change();
  EXPECT_EQ(low_min->value(), 6);
  EXPECT_EQ(low_min->maximum(), 6);
  EXPECT_EQ(controller->history()->count(), 7);
  EXPECT_EQ(window->undo_action->text(), "&Undo Ink");
  EXPECT_EQ(settings().stipple.low_density_min, 6);
  EXPECT_EQ(settings().stipple.high_density_max, 5);
  EXPECT_EQ(settings().stipple.contrast_threshold, 40);
  EXPECT_EQ(settings().borders_threshold, -2.0f);
  EXPECT_EQ(settings().ink, _pixel(10, 20, 30, 40));
  EXPECT_EQ(selector->color(), QColor(10, 20, 30, 40));
  EXPECT_FALSE(same_samples(doc().borders(), first_borders));
  for (const _pixel& texel : doc().colour_field().texels) ASSERT_EQ(texel, _pixel(10, 20, 30, 40));

  images<QComboBox>("colour_source_combo")->setCurrentIndex(colour_photo);
  EXPECT_FALSE(selector->isEnabled());  // the photograph gives the colours
}

// Each panel's Reset puts back its own controls as one step and leaves the other's: together they
// give back every default, in the panels and in the controller, and the very same pictures. The
// dimensions of the A5 sheet then read in each unit.
TEST_F(Panels, EachResetPutsBackItsOwnControls) {
  load("coffee_gray.pgm");  // 600 x 400: 2480 x 1653 pixels on A5
  general<QPushButton>("reset_button")->click();
  const _image first = doc().preview(), first_borders = doc().borders();
  const _document_settings defaults = settings();
  const QStringList shown = panel_controls(*window);
  choose_everything();
  const QStringList chosen = panel_controls(*window);
  const auto general_then_images = [](const QStringList& general, const QStringList& images) {
    return general.filter(QRegularExpression("^general_tab/")) +
           images.filter(QRegularExpression("^images_tab/"));
  };
  general<QPushButton>("reset_button")->click();
  EXPECT_EQ(window->undo_action->text(), "&Undo General Reset");
  EXPECT_EQ(panel_controls(*window), general_then_images(shown, chosen));
  const int steps = controller->history()->count();
  images<QPushButton>("reset_button")->click();
  EXPECT_EQ(controller->history()->count(), steps + 1);
  EXPECT_EQ(settings(), defaults);
  EXPECT_TRUE(settings().tone_match == _tone_settings());
  EXPECT_TRUE(settings().stipple == _stipple_settings());
  for (_resolution_position position : settings().save_resolution)
    EXPECT_EQ(position, resolution_300);
  EXPECT_EQ(panel_controls(*window), shown);
  EXPECT_TRUE(images<_color_selector>("color_selector")->isEnabled());
  EXPECT_FALSE(general<_line_edit>("width_line_edit")->isEnabled());
  EXPECT_FALSE(general<QGroupBox>("black_level_group")->isEnabled());
  EXPECT_TRUE(same_samples(doc().preview(), first));
  EXPECT_TRUE(same_samples(doc().borders(), first_borders));
  window->undo_action->trigger();
  EXPECT_EQ(panel_controls(*window), general_then_images(shown, chosen));
  window->undo_action->trigger();
  EXPECT_EQ(panel_controls(*window), chosen);

  const std::tuple<_output_units, const char*, const char*> units[] = {
      {units_millimeters, "209.97", "139.95"},
      {units_pixels, "2480", "1653"},
      {units_inches, "8.267", "5.510"}};
  window->redo_action->trigger();
  window->redo_action->trigger();
  for (const auto& [unit, width, height] : units) {
    general<QComboBox>("units_combo")->setCurrentIndex(unit);
    EXPECT_EQ(general<_line_edit>("width_line_edit")->text(), width);
    EXPECT_EQ(general<_line_edit>("height_line_edit")->text(), height);
  }
  EXPECT_TRUE(same_samples(doc().preview(), first));  // units never change the output
}

// Ctrl+Z and Ctrl+Shift+Z walk the steps, and the panels follow; a slider's burst of key presses
// is one step.
TEST_F(Panels, TheKeysWalkTheStepsAndThePanelsFollow) {
  ASSERT_TRUE(show_active());
  load("coffee_gray.pgm");
  const _document_settings start = settings();
  const QStringList shown = panel_controls(*window);
  auto* packing = general<QSlider>("scale_factor_slider");
  for (int press = 0; press < 3; ++press) QTest::keyClick(packing, Qt::Key_Right);
  EXPECT_EQ(general<_line_edit>("scale_factor_line_edit")->text(), "2.60");
  pick(general<QComboBox>("merging_function_combo"), merging_minimum);
  images<QSpinBox>("high_density_max_spin_box")->setValue(6);
  general<QComboBox>("device_combo")->setCurrentIndex(device_black_white);
  EXPECT_EQ(controller->history()->count(), 4);
  EXPECT_EQ(window->undo_action->text(), "&Undo Colours");
  const _document_settings end = settings();

  window->setFocus();  // not in a field, which keeps Ctrl+Z for its own text
  for (int step = 0; step < 4; ++step)
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(settings(), start);  // the controller's tests check the picture
  EXPECT_EQ(panel_controls(*window), shown);
  EXPECT_FALSE(general<QGroupBox>("black_level_group")->isEnabled());
  EXPECT_FALSE(window->undo_action->isEnabled());

  for (int step = 0; step < 4; ++step)
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(settings(), end);
  EXPECT_EQ(general<_line_edit>("scale_factor_line_edit")->text(), "2.60");
  EXPECT_EQ(general<QComboBox>("device_combo")->currentIndex(), device_black_white);
  EXPECT_TRUE(general<QGroupBox>("black_level_group")->isEnabled());

  // A value still being typed is handed over once, as one step: by Ctrl+Z, which then undoes it
  // (and Ctrl+Shift+Z makes it), or by a click that takes the focus to the view or the panel.
  general<QComboBox>("size_combo")->setCurrentIndex(size_custom);
  auto* const width = general<_line_edit>("width_line_edit");
  auto* const panel = window->findChild<QWidget*>("general_tab");
  const struct {
    QWidget* field;
    const char *typed, *step;
    QWidget* clicked;
  } typing[] = {{general<QDoubleSpinBox>("gamma_spin_box"), "1.5", "Gamma", nullptr},
                {general<_line_edit>("scale_factor_line_edit"), "3.3", "Packing", nullptr},
                {general<_line_edit>("scale_factor_line_edit"), "3", "Packing", view},
                {general<_line_edit>("displacement_line_edit"), "0.5", "Randomness", panel},
                {width, "40", "Width", view}};
  for (const auto& row : typing) {
    SCOPED_TRACE(row.typed);
    const _document_settings typed_over = settings();
    const int steps = controller->history()->count();
    row.field->setFocus();
    ASSERT_TRUE(row.field->hasFocus());
    QTest::keyClick(row.field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(row.field, row.typed);
    if (row.clicked == nullptr) {
      QTest::keyClick(row.field, Qt::Key_Z, Qt::ControlModifier);
      EXPECT_EQ(settings(), typed_over);
      EXPECT_EQ(window->redo_action->text(), QString("&Redo ") + row.step);
      QTest::keyClick(row.field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
      for (int click = 0; click < 2; ++click) {  // the second hands over nothing
        QTest::mouseClick(row.clicked, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_FALSE(row.field->hasFocus());
        row.field->setFocus();
      }
      EXPECT_EQ(window->undo_action->text(), QString("&Undo ") + row.step);
    }
    EXPECT_NE(settings(), typed_over);
    EXPECT_EQ(controller->history()->count(), steps + 1);
  }
  EXPECT_EQ(settings().tone_match.levels.gamma(), 1.5f);
  EXPECT_EQ(settings().stipple.scale_factor, 6.0f / 3.0f);
  EXPECT_EQ(settings().stipple.displacement, 0.5f);
  EXPECT_EQ(width->text(), "39.96");
  EXPECT_EQ(doc().preview().width, 472u);  // 40 mm at 300 ppi
}

// Clicking an entry of the list shows its picture; a new photograph selects the stippling again.
TEST_F(Panels, TheListChoosesThePicture) {
  load("camera.pgm");
  auto* list = images<QListWidget>("images_list");
  const char* labels[] = {"Color original", "Original",  "Borders",
                          "Halftoning",     "Stippling", "Color stippling"};
  ASSERT_EQ(list->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->item(i)->text(), labels[i]);
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{list->item(list_stippling)});
  emit list->itemClicked(list->item(list_borders));
  EXPECT_EQ(controller->shown_image(), list_borders);
  load("coffee_gray.pgm");
  EXPECT_EQ(controller->shown_image(), list_stippling);
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{list->item(list_stippling)});
}

}  // namespace
}  // namespace stippon
