// The General panel's Tone group: levels, gamma and tone matching on the real window.
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <numeric>

#include "controller/window_fixture.h"
#include "ui/preferences.h"

namespace stippon {
namespace {

using Tone = WindowFixture;

double mean(const _image& image) {
  return std::accumulate(image.samples.begin(), image.samples.end(), 0.0) /
         double(image.samples.size());
}

void settle(const _window& window, int steps) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.history->waiting(); }));
  EXPECT_EQ(window.history->stack()->count(), steps);
}

// What the group shows: matching row, black point, white point, gamma.
struct _shown {
  int matching, black, white;
  double gamma;
  bool operator==(const _shown&) const = default;
};

_shown shown_by(const _general_tab& general) {
  return {general.tone_matching_combo->currentIndex(), general.black_point_spin_box->value(),
          general.white_point_spin_box->value(), general.gamma_spin_box->value()};
}

const _shown DEFAULTS = {tone_matching_none, 0, 255, 1.0};

// Before an image every control of the group shows the document's values again.
TEST_F(Tone, TheGroupWaitsForAnImage) {
  window->tab_widget->setEnabled(true);
  general->tone_matching_combo->setCurrentIndex(tone_matching_grey);
  general->black_point_spin_box->setValue(40);
  general->white_point_spin_box->setValue(200);
  general->gamma_spin_box->setValue(2.0);
  EXPECT_EQ(shown_by(*general), DEFAULTS);
  EXPECT_TRUE(settings().tone_match == _tone_settings());
}

// Grey matching lightens the print (the dots no longer darken each grey); a white point is never
// offered at or below the black point; undo and redo bring back the settings, the panel and the
// very same picture.
TEST_F(Tone, MatchingLightensAndIsUndone) {
  load("coffee_gray.pgm");
  const _image first = doc().preview();
  const _image first_halftone = doc().halftone();
  general->tone_matching_combo->setCurrentIndex(tone_matching_grey);
  settle(*window, 1);
  EXPECT_EQ(settings().tone_match.matching, tone_matching_grey);
  EXPECT_FALSE(same_samples(doc().halftone(), first_halftone));
  EXPECT_GT(mean(doc().preview()), mean(first));
  EXPECT_EQ(window->undo_action->text(), "&Undo Tone Matching");

  general->black_point_spin_box->setValue(100);
  settle(*window, 2);
  EXPECT_EQ(general->white_point_spin_box->minimum(), 101);
  general->white_point_spin_box->setValue(50);  // refused: held one above the black point
  settle(*window, 3);
  EXPECT_EQ(general->black_point_spin_box->maximum(), 100);
  EXPECT_TRUE(settings().tone_match.levels == _levels(100.0f, 101.0f, 1.0f));
  general->gamma_spin_box->setValue(2.5);
  settle(*window, 4);
  const _image matched = doc().preview();

  for (int step = 0; step < 4; ++step) window->undo_action->trigger();
  EXPECT_EQ(shown_by(*general), DEFAULTS);
  EXPECT_TRUE(settings().tone_match == _tone_settings());
  EXPECT_TRUE(same_samples(doc().preview(), first));
  EXPECT_EQ(general->black_point_spin_box->maximum(), 254);
  for (int step = 0; step < 4; ++step) window->redo_action->trigger();
  EXPECT_EQ(shown_by(*general), (_shown{tone_matching_grey, 100, 101, 2.5}));
  EXPECT_TRUE(same_samples(doc().preview(), matched));
}

// The General Reset puts the group back to its defaults and the print to the very same bytes.
TEST_F(Tone, TheGeneralResetRestoresTheDefaults) {
  load("coffee_gray.pgm");
  general->reset_button->click();
  settle(*window, 1);
  const _image first = doc().preview();
  general->tone_matching_combo->setCurrentIndex(tone_matching_linear);
  general->white_point_spin_box->setValue(180);
  general->gamma_spin_box->setValue(0.5);
  settle(*window, 2);
  EXPECT_FALSE(same_samples(doc().preview(), first));

  general->reset_button->click();
  settle(*window, 3);
  EXPECT_EQ(shown_by(*general), DEFAULTS);
  EXPECT_TRUE(settings().tone_match == _tone_settings());
  EXPECT_TRUE(same_samples(doc().preview(), first));
}

// The group's choices come back in the next window; a pair out of order keeps the defaults.
TEST_F(Tone, TheChoicesAreKept) {
  load("coffee_gray.pgm");
  general->tone_matching_combo->setCurrentIndex(tone_matching_linear);
  general->black_point_spin_box->setValue(20);
  general->white_point_spin_box->setValue(230);
  general->gamma_spin_box->setValue(1.8);
  window->close();

  make_window();
  EXPECT_EQ(shown_by(*general), (_shown{tone_matching_linear, 20, 230, 1.8}));
  EXPECT_TRUE(settings().tone_match.levels == _levels(20.0f, 230.0f, 1.8f));
  window.reset();

  {
    QSettings file(folder.filePath("mottle.ini"), QSettings::IniFormat);
    file.setValue("general/black_point", 200);
    file.setValue("general/white_point", 100);
    file.setValue("general/gamma", 11.0);
    file.setValue("general/tone_matching", 3);
  }
  const _document_settings read = _preferences(folder.path()).settings(_document_settings());
  EXPECT_TRUE(read.tone_match == _tone_settings());
}

}  // namespace
}  // namespace stippon
