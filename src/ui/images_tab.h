#pragma once

#include <QCheckBox>
#include <QColor>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>

#include "document/document_settings.h"

namespace stippon {

class _gl_widget;
class _color_selector;

// The "Images" panel: contrast, border and colour-stippling settings, and the list of the six
// computed images through which one is chosen for display and saving.
class _images_tab : public QWidget {
  Q_OBJECT

 public:
  QSpinBox* low_density_min_spin_box = nullptr;
  QSpinBox* low_density_max_spin_box = nullptr;
  QSpinBox* high_density_min_spin_box = nullptr;
  QSpinBox* high_density_max_spin_box = nullptr;
  QSlider* threshold_slider = nullptr;
  QSlider* borders_slider = nullptr;
  QCheckBox* colour_check_box = nullptr;
  QPushButton* reset_button = nullptr;
  QListWidget* images_list = nullptr;
  _gl_widget* gl_widget = nullptr;
  _color_selector* color_selector = nullptr;
  QColor image_color = QColor(Qt::red);

  _images_tab(_gl_widget* gl_widget, QWidget* parent);

  // Shows a settings value in every control without handing anything to the controller.
  void show_settings(const _document_settings& settings);
  // Adds the entry of a list position of the document's images.
  void set_item(const char* name, int position);
  void set_selected_item(int row);

 private slots:
  void set_image_color();

 private:
  QWidget* build_contrast_group();
  QWidget* build_borders_group();
  QWidget* build_color_group();
  QWidget* build_images_group();
  QSpinBox* new_dot_size_spin_box(int value, const QString& tooltip);
  void add_item(const char* name, QListWidgetItem* item);
};

}  // namespace stippon
