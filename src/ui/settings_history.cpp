#include "ui/settings_history.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include "controller/gl_widget.h"
#include "ui/color_selector.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/line_edit.h"

namespace stippon {

namespace {

// One id per control, so that a burst on one control merges into one step.
enum _control {
  control_size = 0,
  control_units,
  control_width,
  control_height,
  control_packing,
  control_randomness,
  control_merging,
  control_distribution,
  control_colours,
  control_black_level,
  control_tone,
  control_resolution,
  control_tone_matching,
  control_black_point,
  control_white_point,
  control_gamma,
  control_general_reset,
  control_low_density_min,
  control_low_density_max,
  control_high_density_min,
  control_high_density_max,
  control_threshold,
  control_borders,
  control_colour_stippling,
  control_ink,
  control_images_reset,
  CONTROL_COUNT
};

// As the Edit menu shows them after "Undo" and "Redo".
const char* const CONTROL_NAMES[CONTROL_COUNT] = {"Output Size",
                                                  "Units",
                                                  "Width",
                                                  "Height",
                                                  "Packing",
                                                  "Randomness",
                                                  "Merging",
                                                  "Distribution",
                                                  "Colours",
                                                  "Black Level",
                                                  "Tone",
                                                  "Resolution",
                                                  "Tone Matching",
                                                  "Black Point",
                                                  "White Point",
                                                  "Gamma",
                                                  "General Reset",
                                                  "Low Density Min",
                                                  "Low Density Max",
                                                  "High Density Min",
                                                  "High Density Max",
                                                  "Threshold",
                                                  "Borders",
                                                  "Colour Stippling",
                                                  "Ink",
                                                  "Images Reset"};

}  // namespace

_settings_history::_settings_history(_gl_widget* gl_widget, QObject* parent)
    : QObject(parent), gl(gl_widget), steps(new QUndoStack(this)) {
  recorded = current();
  watch_panels();
}

_document_settings _settings_history::current() const {
  return gl->document().settings();
}

void _settings_history::take_current() {
  pending.clear();
  recorded = current();
}

void _settings_history::restore(const _document_settings& state) {
  gl->apply_settings(state);
  recorded = current();
  emit changed();
}

void _settings_history::note(int control, bool continuous) {
  pending.insert(control);
  last_control = control;
  last_continuous = continuous;
  if (flush_queued) return;
  flush_queued = true;
  QMetaObject::invokeMethod(this, &_settings_history::flush, Qt::QueuedConnection);
}

void _settings_history::flush() {
  flush_queued = false;
  if (pending.isEmpty()) return;
  // A control that set off others makes a step of its own that never merges, as does a choice
  // from a list or a button.
  const int control = pending.size() == 1 && last_continuous ? last_control : -1;
  pending.clear();
  const _document_settings now = current();
  if (now == recorded) return;
  const QString text =
      QCoreApplication::translate("stippon::_settings_history", CONTROL_NAMES[last_control]);
  steps->push(new _settings_step(text, control, recorded, now,
                                 [this](const _document_settings& state) { restore(state); }));
  recorded = now;
  emit changed();
}

void _settings_history::watch_panels() {
  _general_tab* general = gl->general_tab();
  watch(general->size_combo, control_size);
  watch(general->units_combo, control_units);
  watch(general->width_line_edit, control_width);
  watch(general->height_line_edit, control_height);
  watch(general->scale_factor_slider, control_packing);
  watch(general->displacement_slider, control_randomness);
  watch(general->merging_function_combo, control_merging);
  watch(general->random_distribution_combo, control_distribution);
  watch(general->device_combo, control_colours);
  watch(general->black_level_slider, control_black_level);
  watch(general->stippling_tone_combo, control_tone);
  watch(general->save_resolution_combo, control_resolution);
  watch(general->tone_matching_combo, control_tone_matching);
  watch(general->black_point_spin_box, control_black_point);
  watch(general->white_point_spin_box, control_white_point);
  watch(general->gamma_spin_box, control_gamma);
  watch(general->reset_button, control_general_reset);
  _images_tab* images = gl->images_tab();
  watch(images->low_density_min_spin_box, control_low_density_min);
  watch(images->low_density_max_spin_box, control_low_density_max);
  watch(images->high_density_min_spin_box, control_high_density_min);
  watch(images->high_density_max_spin_box, control_high_density_max);
  watch(images->threshold_slider, control_threshold);
  watch(images->borders_slider, control_borders);
  watch(images->colour_check_box, control_colour_stippling);
  watch(images->color_selector, control_ink);
  watch(images->reset_button, control_images_reset);
}

// Each control's signal comes after the panel's own connection, and the step is taken only
// once the event that made the change is over.
void _settings_history::watch(QAbstractSlider* slider, int control) {
  connect(slider, &QAbstractSlider::valueChanged, this, [this, control] { note(control, true); });
}

void _settings_history::watch(QComboBox* combo, int control) {
  connect(combo, &QComboBox::currentIndexChanged, this, [this, control] { note(control, false); });
  connect(combo, &QComboBox::activated, this, [this, control] { note(control, false); });
}

void _settings_history::watch(QSpinBox* spin_box, int control) {
  connect(spin_box, &QSpinBox::valueChanged, this, [this, control] { note(control, true); });
}

void _settings_history::watch(QDoubleSpinBox* spin_box, int control) {
  connect(spin_box, &QDoubleSpinBox::valueChanged, this, [this, control] { note(control, true); });
}

void _settings_history::watch(QAbstractButton* button, int control) {
  connect(button, button->isCheckable() ? &QAbstractButton::toggled : &QAbstractButton::clicked,
          this, [this, control] { note(control, false); });
}

void _settings_history::watch(_line_edit* edit, int control) {
  connect(edit, &_line_edit::tabPressed, this, [this, control] { note(control, false); });
}

void _settings_history::watch(_color_selector* selector, int control) {
  connect(selector, &_color_selector::color_changed, this,
          [this, control] { note(control, false); });
}

}  // namespace stippon
