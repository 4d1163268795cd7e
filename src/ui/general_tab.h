#pragma once

#include <initializer_list>

#include "ui/settings_panel.h"

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QDoubleValidator;
class QLabel;
class QSlider;
class QSpinBox;
class QVBoxLayout;

namespace stippon {

class _line_edit;

// The "General" panel: output size, units, resolution, packing, randomness, placement, merging,
// distribution, colour mode and tone (levels, gamma and tone matching).
class _general_tab : public _settings_panel {
  Q_OBJECT

 public:
  _general_tab(_controller* controller, QWidget* parent = nullptr);

 private:
  // Takes the decimals of the chosen units.
  QDoubleValidator* edge_validator = nullptr;
  QComboBox* size_combo = nullptr;
  QComboBox* units_combo = nullptr;
  // The width's field and label, then the height's: both are shown, typed and enabled alike.
  struct _edge_field {
    QLabel* label = nullptr;
    _line_edit* edit = nullptr;
  };
  _edge_field edges[2];
  QSlider* scale_factor_slider = nullptr;
  _line_edit* scale_factor_line_edit = nullptr;
  QSlider* displacement_slider = nullptr;
  _line_edit* displacement_line_edit = nullptr;
  QComboBox* placement_combo = nullptr;
  QComboBox* merging_function_combo = nullptr;
  QComboBox* random_distribution_combo = nullptr;
  QComboBox* device_combo = nullptr;
  QGroupBox* black_level_group = nullptr;
  QGroupBox* color_tones_group = nullptr;
  _line_edit* black_level_line_edit = nullptr;
  QSlider* black_level_slider = nullptr;
  QComboBox* save_resolution_combo = nullptr;
  QComboBox* stippling_tone_combo = nullptr;
  QComboBox* tone_matching_combo = nullptr;
  QSpinBox* black_point_spin_box = nullptr;
  QSpinBox* white_point_spin_box = nullptr;
  QDoubleSpinBox* gamma_spin_box = nullptr;

  // A slider with its value shown above it, between its two ends' labels.
  struct _slider_group {
    const char *title, *value_name, *value_tip, *slider_name;
    int minimum, maximum, step, ticks;
    const char *slider_tip, *low, *high;
  };
  QGroupBox* slider_group(const _slider_group& shape, _line_edit*& value, QSlider*& slider);
  QGroupBox* build_output_group();
  QGroupBox* build_packing_group();
  QGroupBox* build_displacement_group();
  void add_choice_groups(QVBoxLayout* layout);
  QGroupBox* build_save_group();
  QGroupBox* build_black_level_group();
  QGroupBox* build_tone_group();
  QComboBox* new_combo(const char* name, std::initializer_list<const char*> items,
                       const QString& tooltip);
  _line_edit* new_line_edit(const char* name);
  void fill_save_resolutions(bool all);

  void show_settings() override;
  void show_dimensions();
  void show_tone_match(const _tone_settings& tones);
  // Each point's range stops one level short of the other's value.
  void bound_points();

  // A typed edge in the chosen units; a text that is not a number changes nothing.
  void edit_edge(bool is_height);
  void edit_tone_match(const char* step, bool continuous);
  void reset() override;
};

}  // namespace stippon
