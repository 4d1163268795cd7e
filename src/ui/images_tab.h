#pragma once

#include "ui/settings_panel.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QSlider;
class QSpinBox;

namespace stippon {

class _color_selector;

// The "Images" panel: contrast, border and colour-stippling settings, and the list of the six
// computed images through which one is chosen for display and saving.
class _images_tab : public _settings_panel {
  Q_OBJECT

 public:
  // The low density pair of dot sizes, then the high, each pair's minimum first.
  static constexpr int DOT_SIZE_BOXES = 4;

  _images_tab(_controller* controller, QWidget* parent = nullptr);

 private:
  QSpinBox* dot_size_spin_boxes[DOT_SIZE_BOXES] = {};
  QSlider* threshold_slider = nullptr;
  QSlider* borders_slider = nullptr;
  QCheckBox* colour_check_box = nullptr;
  QListWidget* images_list = nullptr;
  _color_selector* color_selector = nullptr;
  QComboBox* colour_source_combo = nullptr;

  QWidget* build_contrast_group();
  QWidget* build_borders_group();
  QWidget* build_color_group();
  QWidget* build_images_group();
  // A dot size spin box that edits one field of the settings.
  QSpinBox* dot_size_spin_box(const char* name, const char* step,
                              unsigned short _stipple_settings::*field, const QString& tooltip);

  // Shows the controller's settings in every control without sending anything; each dot size
  // offers only the sizes that keep its pair in order.
  void show_settings() override;
  void reset() override;
};

}  // namespace stippon
