#pragma once

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>

#include "document/document_settings.h"
#include "image/image.h"
#include "stipple/output.h"

namespace stippon {

class _gl_widget;
class _line_edit;

// The "General" panel: output size, units, resolution, packing, placement, merging, distribution,
// colour mode and tone (levels, gamma and tone matching). Holds no parameter of its own; every
// control ends in a controller operation.
class _general_tab : public QWidget {
  Q_OBJECT

 public:
  _gl_widget* gl_widget = nullptr;
  QComboBox* size_combo = nullptr;
  QComboBox* units_combo = nullptr;
  _line_edit* width_line_edit = nullptr;
  _line_edit* height_line_edit = nullptr;
  QLabel* width_label = nullptr;
  QLabel* height_label = nullptr;
  QSlider* scale_factor_slider = nullptr;
  _line_edit* scale_factor_line_edit = nullptr;
  QSlider* displacement_slider = nullptr;
  _line_edit* displacement_line_edit = nullptr;
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
  QPushButton* reset_button = nullptr;

  _general_tab(_gl_widget* gl_widget, QWidget* parent);

  // Shows a settings value in every control without handing anything to the controller.
  void show_settings(const _document_settings& settings);

  void set_size(_output_size size);
  void set_units(_output_units units);
  void set_save_resolution(_resolution_position position);
  void set_merging_function(_merging_function merging);
  void set_random_distribution(_random_distribution distribution);
  void set_width(float value);
  void set_height(float value);
  void set_scale_factor(float value);
  void set_displacement(float value);
  void set_black_level(int value);
  void set_device(_mode_device mode);
  // Shows tone settings, with each point's range kept on its side of the other's value.
  void show_tone_match(const _tone_settings& tones);

 protected slots:
  void set_units_slot(int index);
  void set_size_slot(int index);
  void set_width_slot();
  void set_height_slot();
  void set_scale_factor_slot(int value);
  void set_displacement_slot(int value);
  void set_merging_function_slot(int index);
  void set_random_distribution_slot(int index);
  void set_device_slot(int Element);
  void set_save_resolution_slot(int Element);
  void set_black_level_slot(int Level);
  // Any control of the Tone group: the four values go to the controller together.
  void set_tone_match_slot();

 private:
  QIntValidator* validator = nullptr;

  QGroupBox* build_output_group();
  QGroupBox* build_packing_group();
  QGroupBox* build_displacement_group();
  QGroupBox* build_merging_group();
  QGroupBox* build_distribution_group();
  QGroupBox* build_save_group();
  QGroupBox* build_black_level_group();
  QGroupBox* build_tone_group();
  _line_edit* new_line_edit();
  void fill_save_resolutions(bool all);
  void enable_custom_size(bool custom);
  void enable_mode_groups(_mode_device mode);
  void show_save_resolution(int position);
  void bound_points();
};

}  // namespace stippon
