// The view side of the controller: the OpenGL context checks, the textured rectangle that shows
// the current picture, and the mouse controls (drag to pan, wheel to zoom, double press to reset).
#include <GL/glew.h>

#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "controller/gl_widget.h"

namespace stippon {

namespace {

// Presses closer together than this are one double press.
constexpr qint64 DOUBLE_PRESS_MS = 299;
constexpr int WHEEL_NOTCH = 120;
// Picture edges are placed on a grid of 1/64 pixel.
constexpr double EDGE_GRID = 64.0;

void print_gl_string(const char* label, GLenum name) {
  const GLubyte* value = glGetString(name);
  if (value != nullptr) std::fprintf(stderr, "%s%s\n", label, reinterpret_cast<const char*>(value));
}

}  // namespace

_gl_widget::~_gl_widget() {
  release_gl();
  // A panel that no window adopted has no other owner.
  if (images_guard && images_guard->parent() == nullptr) delete images_guard.data();
  if (general_guard && general_guard->parent() == nullptr) delete general_guard.data();
}

void _gl_widget::release_gl() {
  if (!gl_ready || texture_name == 0 || context() == nullptr) return;
  makeCurrent();
  glDeleteTextures(1, &texture_name);
  doneCurrent();
  texture_name = 0;
  gl_ready = false;
}

void _gl_widget::initializeGL() {
  print_gl_string("Vendor: ", GL_VENDOR);
  print_gl_string("Renderer: ", GL_RENDERER);
  print_gl_string("OpenGL Version: ", GL_VERSION);
  print_gl_string("GLSL Version: ", GL_SHADING_LANGUAGE_VERSION);

  // Without a GLX display (EGL, e.g. on Wayland) only the GLX part fails; the GL entry points
  // are loaded by then.
  const GLenum error = glewInit();
  if (error != GLEW_OK && error != GLEW_ERROR_NO_GLX_DISPLAY) {
    std::fprintf(stderr, "Error: %s\n", reinterpret_cast<const char*>(glewGetErrorString(error)));
    warn(tr("glewInit failed"));
    std::exit(-1);
  }
  std::fprintf(stderr, "Status: Using GLEW %s\n",
               reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
  if (!glewGetExtension("GL_ARB_texture_non_power_of_two")) {
    std::fprintf(stderr, "Warning: ARB_texture_non_power_of_two may not be supported\n");
    warn(tr("ARB_texture_non_power_of_two may not be supported"));
    std::exit(-1);
  }

  glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  if (size > 0) doc.set_texture_limit(size);

  dragging = false;
  std::printf("Texture width=%d height=%d\n", static_cast<int>(display.width),
              static_cast<int>(display.height));
  std::fflush(stdout);

  glGenTextures(1, &texture_name);
  glBindTexture(GL_TEXTURE_2D, texture_name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // Enlarged, each print pixel is a sharp square; reduced, the dots average into the tones the
  // print shows from a distance, rather than sparkling as single sampled dots would.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
  gl_ready = true;
  texture_dirty = true;
}

void _gl_widget::resizeGL(int w, int h) {
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(w * ratio), static_cast<GLsizei>(h * ratio));
  // A fitted picture follows the view's size.
  emit view_changed();
}

void _gl_widget::paintGL() {
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (texture_dirty) upload_display_texture();
  // Widget pixels, y down: the picture's corners computed on the processor land on exact pixels.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, width(), height(), 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  draw_picture(placement());
}

double _gl_widget::fit_scale() const {
  if (display.width == 0 || display.height == 0 || width() <= 0 || height() <= 0) return 1.0;
  return std::min(double(width()) / display.width, double(height()) / display.height);
}

double _gl_widget::zoom() const {
  return views[shown].fitted ? fit_scale() : views[shown].scale;
}

// The left and top edges sit on whole pixels, so that a drag by whole pixels moves every edge by
// exactly as many and print pixels 1:1 fall on screen pixels; the extent is kept on a 1/64 pixel
// grid, which the float transform of OpenGL carries without rounding.
_gl_widget::_placement _gl_widget::placement() const {
  const double s = zoom();
  const _view& view = views[shown];
  const double w = std::round(s * display.width * EDGE_GRID) / EDGE_GRID;
  const double h = std::round(s * display.height * EDGE_GRID) / EDGE_GRID;
  const double left = std::floor(width() * 0.5 + view.pan.x() - w * 0.5 + 0.5);
  const double top = std::floor(height() * 0.5 + view.pan.y() - h * 0.5 + 0.5);
  return {left, top, w, h};
}

void _gl_widget::set_zoom(double scale) {
  zoom_around(scale, QPointF(width() * 0.5, height() * 0.5));
}

void _gl_widget::zoom_by(double factor) {
  set_zoom(zoom() * factor);
}

void _gl_widget::zoom_around(double scale, QPointF anchor) {
  const double before = zoom();
  const double after = std::clamp(scale, MIN_ZOOM, MAX_ZOOM);
  _view& view = views[shown];
  // The picture point under the anchor, from the picture's centre, stays under it.
  const QPointF centre(width() * 0.5, height() * 0.5);
  view.pan = anchor - centre - (anchor - centre - view.pan) * (after / before);
  view.scale = after;
  view.fitted = false;
  update();
  emit view_changed();
}

void _gl_widget::fit() {
  views[shown] = _view();
  update();
  emit view_changed();
}

void _gl_widget::fit_all() {
  for (_view& view : views) view = _view();
  update();
  emit view_changed();
}

double _gl_widget::picture_ppi() const {
  const unsigned print_width = doc.preview().width;
  if (print_width == 0 || display.width == 0) return PREVIEW_PPI;
  return double(PREVIEW_PPI) * display.width / print_width;
}

void _gl_widget::actual_size() {
  const QScreen* where = screen();
  if (where == nullptr) return;
  set_zoom(where->physicalDotsPerInch() / picture_ppi());
}

void _gl_widget::show_texture(const _texture& picture) {
  display = picture;
  upload_and_repaint();
}

void _gl_widget::upload_and_repaint() {
  texture_dirty = true;
  update();
  emit view_changed();
}

// Runs where the context is current (paintGL). A picture beyond the card's limit is not handed
// to OpenGL at all: the view then shows the background only.
void _gl_widget::upload_display_texture() {
  texture_dirty = false;
  texture_valid = false;
  const unsigned w = display.width;
  const unsigned h = display.height;
  const int max_texture_size = doc.texture_limit();
  if (w == 0 || h == 0) return;
  if (w > static_cast<unsigned>(max_texture_size) || h > static_cast<unsigned>(max_texture_size)) {
    std::fprintf(stderr, "Texture %ux%u exceeds the maximum texture size %d\n", w, h,
                 max_texture_size);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, texture_name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
               GL_RGBA, GL_UNSIGNED_BYTE, display.texels.data());
  texture_valid = true;
}

// One textured rectangle; texture row 0 is the bottom of the picture.
void _gl_widget::draw_picture(const _placement& place) {
  if (!texture_valid) return;
  const double right = place.left + place.width;
  const double bottom = place.top + place.height;
  glBindTexture(GL_TEXTURE_2D, texture_name);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2d(place.left, bottom);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2d(right, bottom);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2d(right, place.top);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2d(place.left, place.top);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

qint64 _gl_widget::restart_press_clock() {
  if (!press_clock.isValid()) {
    press_clock.start();
    return std::numeric_limits<qint64>::max();
  }
  return press_clock.restart();
}

void _gl_widget::mousePressEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) {
    if (restart_press_clock() > DOUBLE_PRESS_MS) {
      dragging = true;
      last_pointer = event->position();
    } else {
      views[shown].pan = QPointF();
      update();
    }
  }
  // Left and right share the clock: a left press then a right one also counts as double.
  if (event->buttons() & Qt::RightButton) {
    if (restart_press_clock() <= DOUBLE_PRESS_MS) {
      views[shown].fitted = true;
      update();
      emit view_changed();
    }
  }
}

void _gl_widget::mouseReleaseEvent(QMouseEvent* /*event*/) {
  dragging = false;
}

// The pan is in screen pixels, so the picture moves exactly with the pointer at any zoom.
void _gl_widget::mouseMoveEvent(QMouseEvent* event) {
  if (dragging) {
    views[shown].pan += event->position() - last_pointer;
    last_pointer = event->position();
  }
  update();
}

// A notch towards the user magnifies by ZOOM_STEP, one away shrinks by it; finer wheels and
// touchpads zoom in proportion to their delta. The point under the pointer stays put.
void _gl_widget::wheelEvent(QWheelEvent* event) {
  const double notches = -event->angleDelta().y() / double(WHEEL_NOTCH);
  if (notches == 0.0) return;
  zoom_around(zoom() * std::pow(ZOOM_STEP, notches), event->position());
}

}  // namespace stippon
