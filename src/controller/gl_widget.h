#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QOpenGLWidget>
#include <QPointer>
#include <functional>
#include <string>

#include "image/file_pgm.h"
#include "image/image.h"
#include "image/texture.h"
#include "stipple/dot_library.h"
#include "stipple/output.h"
#include "stipple/stipple_settings.h"
#include "tones/tone_table.h"

class QSpinBox;

namespace stippon {

class _general_tab;
class _images_tab;
class _window;

// The processing controller and the on-screen view: holds every parameter and image, runs the
// pipeline and draws the current picture. Processing is in processing.cpp, the output geometry in
// output_geometry.cpp and the OpenGL view in view.cpp.
class _gl_widget : public QOpenGLWidget {
  Q_OBJECT

 public:
  // Until initializeGL reads the real limit: admits the dot sheets and any sane input.
  static constexpr int DEFAULT_MAX_TEXTURE_SIZE = 16384;
  static constexpr int LIST_SIZE = 6;

  struct _pan {
    float x = 0.0f;
    float y = 0.0f;
  };

  _general_tab* general_tab = nullptr;
  _images_tab* images_tab = nullptr;
  _window* window = nullptr;

  float half_width = 0.0f;
  float half_height = 0.0f;
  int shown_image = 4;
  float zoom[LIST_SIZE] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
  _pan pan[LIST_SIZE];
  bool dragging = false;
  // Not started until the first press, so that press can never count as the second of a pair.
  QElapsedTimer press_clock;
  int last_x = 0;
  int last_y = 0;

  bool image_loaded = false;
  _texture tones[TONE_COUNT];
  _texture color_original;
  _texture color_stippling;
  _image original_image;
  _image input_image;
  _image borders_image;
  _image halftoning_image;
  _image stippling_image;
  _image* hires_image = nullptr;
  _image* dot_sheets[DOT_RESOLUTIONS][DOT_SLOTS] = {};
  _image* current_image = nullptr;
  _texture* current_texture = nullptr;
  int current_kind = 0;

  _output_size output_size = size_a5;
  _output_units output_units = units_millimeters;
  float scale_factor = 3.0f;
  float displacement = 0.25f;
  _merging_function merging_function = merging_product;
  _random_distribution random_distribution = distribution_random;
  _mode_device device = device_grayscale;
  _resolution_position save_resolution[3] = {resolution_300, resolution_300, resolution_300};
  int stippling_tone = 0;
  unsigned short low_density_min = 4;
  unsigned short low_density_max = 8;
  unsigned short high_density_min = 4;
  unsigned short high_density_max = 8;
  int contrast_threshold = 127;
  // Starting position of the images panel's border slider: 50 gives the threshold 5.0 with which
  // the first "Borders" image is computed.
  int borders_slider_value = 50;
  bool black_white = false;
  int black_level = 127;
  bool color_stippling_active = false;
  float borders_threshold = 5.0f;
  unsigned short dot_variant_rows = 4;
  unsigned short dot_variant_max_column = 10;
  _texture display_texture;
  int max_texture_size = DEFAULT_MAX_TEXTURE_SIZE;
  bool upscale_warned = false;

  // Shows a modal message box (NoIcon: the parentless upscaling note). Tests replace it to record
  // the messages instead of blocking on them.
  std::function<void(QMessageBox::Icon icon, const QString& title, const QString& text)>
      show_message;

  _gl_widget(_window* window, QWidget* parent);
  ~_gl_widget() override;

  // --- processing (processing.cpp) ---
  // True when the file was read and processed; on failure every image stays as it was.
  bool read_image(std::string file_name);
  void update_images(float w);
  void refresh();
  void refresh_image();
  void set_color_image(QColor colour);
  void set_device(_mode_device d);
  void set_merging_function(int value);
  void set_random_distribution(int value);
  void active_black_level(bool value);
  void set_displacement(float value);
  _image* selected_image(_resolution_position p);
  _texture* texture(_resolution_position p);
  void release_image(_resolution_position p);
  void read_dots();
  void read_tones();
  _stipple_settings stipple_settings() const;

  // --- output geometry (output_geometry.cpp) ---
  float get_AXsize(_output_size size, float aspect);
  void set_size(_output_size size);
  void set_units(_output_units units);
  void set_width(float value);
  void set_height(float value);
  void set_size_output(float w);
  void set_scale_factor(float value);
  void set_save_resolution(_resolution_position p);
  void update_dimensions();

 public slots:
  void set_contrast_low_density_min(int value);
  void set_contrast_low_density_max(int value);
  void set_contrast_high_density_min(int value);
  void set_contrast_high_density_max(int value);
  void set_contrast_threshold(int threshold);
  void set_borders_threshold(int threshold);
  void set_black_level(int threshold);
  void active_color_stippling(int threshold);
  void set_stippling_tone(int Tone);
  void item_clicked(QListWidgetItem* Item);
  void new_dots_distribution();
  void reset_general_parameters();
  void reset_images_parameters();

 protected:
  // --- view (view.cpp) ---
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;

 public:
  void change_projection();
  void change_observer();
  void draw_objects();
  // Upload and repaint: marks display_texture for upload (done in paintGL, where the context is
  // current) and schedules a repaint.
  void upload_and_repaint();

 private:
  bool texture_dirty = true;
  bool gl_ready = false;
  // The view's own texture object: the widget's framebuffer machinery binds textures of its own
  // in this context, so the default object cannot be relied upon.
  unsigned texture_name = 0;
  bool texture_valid = false;
  // The panels are created without a parent; whichever is never adopted by a window is ours to
  // delete.
  QPointer<QWidget> general_tab_guard;
  QPointer<QWidget> images_tab_guard;

  void show_default_message(QMessageBox::Icon icon, const QString& title, const QString& text);
  void warn(const QString& text);
  _file_pgm pgm_reader();
  float reading_width() const;
  bool usable_width(float w) const;
  bool fits_texture(float w) const;
  float fitted_width(float w);
  void apply_tone(int tone);
  void show_current(bool tone_always);
  void restart_colour();
  void size_colour_stippling();
  void stipple_preview();
  void keep_ordered(unsigned short& size, int value, bool crosses, unsigned short other_end,
                    QSpinBox* spin_box);
  qint64 restart_press_clock();
  void upload_display_texture();
  void release_gl();
};

}  // namespace stippon
