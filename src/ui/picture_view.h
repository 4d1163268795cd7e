#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QOpenGLWidget>
#include <QPointF>

class QLabel;

#include "image/texture.h"

namespace stippon {

// The zoom's range, and the factor of one wheel notch or zoom command.
inline constexpr double VIEW_MIN_ZOOM = 1.0 / 64.0;
inline constexpr double VIEW_MAX_ZOOM = 64.0;
inline constexpr double VIEW_ZOOM_STEP = 1.2;

// Shows one picture on an OpenGL surface, fitted to the view until the user zooms: drag to pan,
// the wheel zooms around the pointer, a double left press centres and a double right press fits
// and centres again. Each kind of picture (an entry of the image list) keeps its own zoom and
// pan. Until the first picture it shows a hint instead.
class _picture_view : public QOpenGLWidget {
  Q_OBJECT

 public:
  explicit _picture_view(QWidget* parent = nullptr);
  ~_picture_view() override;

  // Screen pixels per picture pixel: 1 shows print pixels 1:1.
  double zoom() const;
  // The offset of the picture's centre from the view's centre, in screen pixels (y down).
  QPointF pan() const { return views[entry].pan; }
  bool fitted() const { return views[entry].fitted; }
  // The largest picture edge the display takes; a larger picture shows the background only.
  int max_texture_size() const { return limit; }
  // The next press starts a new pair instead of completing a double press.
  void forget_last_press() { press_clock.invalidate(); }
  // The words shown in the middle of the view while it has no picture.
  void set_hint(const QString& text);

 public slots:
  // Shows a picture with the zoom and pan its kind had last.
  void show_picture(const _texture& picture, int kind = 0);
  // Zooms to a scale around the view's centre, held within the zoom's range.
  void set_zoom(double scale);
  void zoom_by(double factor);
  // The whole picture, centred; then the picture follows the view's size.
  void fit();
  // Every kind fitted and centred, as for a newly opened file.
  void fit_all();

 signals:
  // The zoom or the picture may have changed.
  void view_changed();
  // The display's limit, once its context exists.
  void max_texture_size_found(int size);

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

  _texture picture;
  QLabel* hint = nullptr;
  int entry = 0;
  QHash<int, _view> views;
  int limit = 0;
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

  qint64 restart_press_clock();
  double fit_scale() const;
  // Zooms the picture to a scale, keeping the picture point under `anchor` in place.
  void zoom_around(double scale, QPointF anchor);
  _placement placement() const;
  void draw_picture(const _placement& place);
  void upload_picture();
  void release_gl();
};

}  // namespace stippon
