#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QOpenGLWidget>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>

#include "controller/document_runner.h"
#include "document/stipple_document.h"
#include "image/texture.h"

class QSpinBox;

namespace stippon {

struct _failure;
class _general_tab;
class _images_tab;
class _window;

// The processing controller and the on-screen view. The document holds every parameter and image
// and runs the pipeline; this widget forwards the panels' operations to it, keeps the panels and
// the window current, and draws the chosen image. Forwarding is in processing.cpp, the output
// geometry in output_geometry.cpp and the OpenGL view in view.cpp.
class _gl_widget : public QOpenGLWidget {
  Q_OBJECT

 public:
  // The zoom's range, and the factor of one wheel notch or zoom command.
  static constexpr double MIN_ZOOM = 1.0 / 64.0;
  static constexpr double MAX_ZOOM = 64.0;
  static constexpr double ZOOM_STEP = 1.2;

  using _message_handler =
      std::function<void(QMessageBox::Icon icon, const QString& title, const QString& text)>;

  _gl_widget(_window* window, QWidget* parent);
  ~_gl_widget() override;

  // Messages are modal boxes unless a handler is set, e.g. by tests that record them instead of
  // blocking on them.
  void set_message_handler(_message_handler handler) { show_message = std::move(handler); }

  _stipple_document& document() { return doc; }
  const _stipple_document& document() const { return doc; }
  _general_tab* general_tab() const { return general; }
  _images_tab* images_tab() const { return images; }
  bool image_loaded() const { return doc.loaded(); }

  // --- processing (processing.cpp) ---
  // True when the file was read and processed; on failure every image stays as it was.
  bool read_image(std::string file_name);
  void refresh();
  void refresh_image();
  void set_color_image(QColor colour);
  void set_device(_mode_device d);
  void set_merging_function(int value);
  void set_random_distribution(int value);
  void set_displacement(float value);
  // Levels, gamma and tone matching (tone_match.cpp): the halftone and the picture made again.
  void set_tone_match(const _tone_settings& tones);
  // The list position of the picture on screen, and of the grey image shown last (a PGM cannot
  // hold a colour picture).
  int picture_position() const { return showing_texture ? current_texture : current_image; }
  int grey_position() const { return current_image; }
  // The data files (data_files.cpp): without the dot sheets or the first tone the program says
  // which files are missing and ends; a missing later tone is only reported.
  void read_dots(const std::string& folder);
  void read_tones(const std::string& folder);

  // --- work off the GUI thread (work.cpp) ---
  // Changes only record their work; it runs on another thread, once for a burst of changes,
  // and a change made meanwhile supersedes the run. The picture follows when a run finishes.
  bool working() const { return runner.busy() || doc.work_pending(); }
  // Brings every image up to date before returning, e.g. before a save.
  void finish_work();
  // Stops the run in flight; the settings go back to those of the picture on screen.
  void cancel_work();
  // While held, no run starts (a save is reading the images).
  void hold_work(bool on);

  // --- restored settings (apply_settings.cpp) ---
  // Brings the document, the picture and both panels to a settings value, recomputing only what
  // the change needs. Undo, redo, the Images panel's Reset and the choices remembered from the
  // last run all come here.
  void apply_settings(const _document_settings& target);

  // --- output geometry (output_geometry.cpp) ---
  void set_size(_output_size size);
  void set_units(_output_units units);
  void set_width(float value);
  void set_height(float value);
  void set_scale_factor(float value);
  void set_save_resolution(_resolution_position p);
  void update_dimensions();

  // --- view (view.cpp) ---
  // Each entry of the image list keeps its own view: fitted (the whole picture, following the
  // view's size) until the user zooms, and a pan in screen pixels.
  int shown_image() const { return shown; }
  // Screen pixels per picture pixel of the entry shown: 1 shows print pixels 1:1.
  double zoom() const;
  // The offset of the picture's centre from the view's centre, in screen pixels (y down).
  QPointF pan() const { return views[shown].pan; }
  bool fitted() const { return views[shown].fitted; }
  // Zooms to a scale around the view's centre, held within MIN_ZOOM .. MAX_ZOOM.
  void set_zoom(double scale);
  void zoom_by(double factor);
  // The whole picture, centred; then the picture follows the view's size.
  void fit();
  // Every entry fitted and centred, as for a newly opened file.
  void fit_all();
  // One millimetre of paper as one millimetre of screen, from the screen's physical density.
  void actual_size();
  // Pixels per inch of the picture shown when it is printed: the preview is 300 ppi, the
  // halftone grid images as many fewer as they have fewer pixels.
  double picture_ppi() const;
  const _texture& display_texture() const { return display; }
  // The next press starts a new pair instead of completing a double press.
  void forget_last_press() { press_clock.invalidate(); }
  // Shows a picture as it stands (no tone), e.g. a test pattern.
  void show_texture(const _texture& picture);
  int max_texture_size() const { return doc.texture_limit(); }
  void set_max_texture_size(int size) { doc.set_texture_limit(size); }
  // Marks the display texture for upload (done in paintGL, where the context is current) and
  // schedules a repaint.
  void upload_and_repaint();

 signals:
  // The zoom or the picture shown may have changed.
  void view_changed();
  // A run started; runs longer than a moment report progress in thousandths, and say whether
  // they can be cancelled (the first run of a new photograph cannot: there is nothing to go
  // back to).
  void work_started();
  void work_progress(int thousandths, bool cancellable);
  // A run ended; the picture on screen is up to date when nothing more is owed.
  void work_ended();
  // A cancelled change put the settings back.
  void settings_restored();

 public slots:
  void set_contrast_low_density_min(int value);
  void set_contrast_low_density_max(int value);
  void set_contrast_high_density_min(int value);
  void set_contrast_high_density_max(int value);
  void set_contrast_threshold(int threshold);
  void set_borders_threshold(int threshold);
  void set_black_level(int threshold);
  void active_color_stippling(int threshold);
  void set_stippling_tone(int tone);
  void item_clicked(QListWidgetItem* Item);
  void new_dots_distribution();
  void reset_general_parameters();
  void reset_images_parameters();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;

 private:
  struct _view {
    bool fitted = true;
    double scale = 1.0;
    QPointF pan;
  };
  // The picture's place on screen, in widget pixels (y down).
  struct _placement {
    double left = 0.0, top = 0.0, width = 0.0, height = 0.0;
  };

  _stipple_document doc;
  _document_runner runner;
  // The settings and width of the picture on screen, which a cancelled run goes back to; none
  // until the first run of a photograph ends.
  _document_settings shown_settings;
  bool shown_valid = false;
  _document_settings run_settings;
  // A run started before the current photograph was read is of no use when it ends.
  unsigned photo_number = 0;
  unsigned run_photo = 0;
  bool start_queued = false;
  bool cancel_asked = false;
  bool held = false;
  QTimer progress_timer;
  QElapsedTimer run_clock;
  _message_handler show_message;
  _window* window = nullptr;
  _general_tab* general = nullptr;
  _images_tab* images = nullptr;
  // The panels are created without a parent; whichever is never adopted by a window is ours to
  // delete.
  QPointer<QWidget> general_guard;
  QPointer<QWidget> images_guard;

  // The picture on screen: the list position shown, and the grey image and colour picture
  // chosen last (saving at 300 ppi takes the grey one).
  int shown = list_stippling;
  int current_image = list_stippling;
  int current_texture = -1;
  bool showing_texture = false;
  _texture display;

  _view views[LIST_SIZE];
  bool dragging = false;
  // Not started until the first press, so that press can never count as the second of a pair.
  QElapsedTimer press_clock;
  QPointF last_pointer;
  bool texture_dirty = true;
  bool gl_ready = false;
  // The view's own texture object: the widget's framebuffer machinery binds textures of its own
  // in this context, so the default object cannot be relied upon.
  unsigned texture_name = 0;
  bool texture_valid = false;

  void show_default_message(QMessageBox::Icon icon, const QString& title, const QString& text);
  void warn(const QString& text);
  void report(const _failure& failure);
  void connect_document();
  void fill_image_list();
  void apply_tone(int tone);
  void show_current(bool tone_always);
  void restart_colour_swatch();
  // Work runs from the event loop, so that a burst of changes already queued costs one run.
  void schedule_work();
  void start_work();
  void work_finished(bool complete);
  void take_run();
  // A cancelled run: the settings of the picture on screen, and nothing owed.
  void go_back_to_shown();
  void show_results();
  void report_progress();
  // One change of the settings, handed to the document, and the picture brought up to date.
  void edit(const std::function<void(_document_settings&)>& change);
  void set_dot_size(int value, bool is_min, int other_end, QSpinBox* spin_box,
                    unsigned short& (*field)(_document_settings&));
  void set_typed_edge(float value, bool is_height);
  qint64 restart_press_clock();
  double fit_scale() const;
  // Zooms the entry shown to a scale, keeping the picture point under `anchor` in place.
  void zoom_around(double scale, QPointF anchor);
  _placement placement() const;
  void draw_picture(const _placement& place);
  void upload_display_texture();
  void release_gl();
};

}  // namespace stippon
