// The OpenGL context checks, the textured rectangle that shows the picture, and the mouse
// controls (drag to pan, wheel to zoom, double press to reset).
#include <GL/glew.h>

#include "ui/picture_view.h"

#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

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

_picture_view::_picture_view(QWidget* parent) : QOpenGLWidget(parent) {
  hint = new QLabel(this);
  hint->setObjectName(QStringLiteral("hint"));
  hint->setAlignment(Qt::AlignCenter);
  hint->setWordWrap(true);
  // Drops and presses reach the view and the window as if the hint were not there.
  hint->setAttribute(Qt::WA_TransparentForMouseEvents);
  hint->setVisible(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
}

void _picture_view::set_hint(const QString& text) {
  hint->setText(text);
  hint->setVisible(!text.isEmpty() && picture.width == 0);
}

_picture_view::~_picture_view() {
  release_gl();
}

void _picture_view::release_gl() {
  if (!gl_ready || texture_name == 0 || context() == nullptr) return;
  makeCurrent();
  glDeleteTextures(1, &texture_name);
  doneCurrent();
  texture_name = 0;
  gl_ready = false;
}

void _picture_view::initializeGL() {
  print_gl_string("Vendor: ", GL_VENDOR);
  print_gl_string("Renderer: ", GL_RENDERER);
  print_gl_string("OpenGL Version: ", GL_VERSION);
  print_gl_string("GLSL Version: ", GL_SHADING_LANGUAGE_VERSION);

  // Without a GLX display (EGL, e.g. on Wayland) only the GLX part fails; the GL entry points
  // are loaded by then.
  const GLenum error = glewInit();
  if (error != GLEW_OK && error != GLEW_ERROR_NO_GLX_DISPLAY) {
    std::fprintf(stderr, "Error: %s\n", reinterpret_cast<const char*>(glewGetErrorString(error)));
    QMessageBox::warning(this, tr("Warning"), tr("glewInit failed"));
    std::exit(-1);
  }
  std::fprintf(stderr, "Status: Using GLEW %s\n",
               reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
  if (!glewGetExtension("GL_ARB_texture_non_power_of_two")) {
    std::fprintf(stderr, "Warning: ARB_texture_non_power_of_two may not be supported\n");
    QMessageBox::warning(this, tr("Warning"),
                         tr("ARB_texture_non_power_of_two may not be supported"));
    std::exit(-1);
  }

  glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  limit = size;
  emit max_texture_size_found(size);

  dragging = false;
  std::printf("Texture width=%d height=%d\n", static_cast<int>(picture.width),
              static_cast<int>(picture.height));
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

void _picture_view::resizeGL(int w, int h) {
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(w * ratio), static_cast<GLsizei>(h * ratio));
  // A fitted picture follows the view's size.
  emit view_changed();
}

void _picture_view::paintGL() {
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (texture_dirty) upload_picture();
  // Widget pixels, y down: the picture's corners computed on the processor land on exact pixels.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, width(), height(), 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  draw_picture(placement());
}

double _picture_view::fit_scale() const {
  if (picture.width == 0 || picture.height == 0 || width() <= 0 || height() <= 0) return 1.0;
  return std::min(double(width()) / picture.width, double(height()) / picture.height);
}

double _picture_view::zoom() const {
  const _view view = views.value(entry);
  return view.fitted ? fit_scale() : view.scale;
}

// The left and top edges sit on whole pixels, so that a drag by whole pixels moves every edge by
// exactly as many and print pixels 1:1 fall on screen pixels; the extent is kept on a 1/64 pixel
// grid, which the float transform of OpenGL carries without rounding.
_picture_view::_placement _picture_view::placement() const {
  const double s = zoom();
  const _view view = views.value(entry);
  const double w = std::round(s * picture.width * EDGE_GRID) / EDGE_GRID;
  const double h = std::round(s * picture.height * EDGE_GRID) / EDGE_GRID;
  const double left = std::floor(width() * 0.5 + view.pan.x() - w * 0.5 + 0.5);
  const double top = std::floor(height() * 0.5 + view.pan.y() - h * 0.5 + 0.5);
  return {left, top, w, h};
}

void _picture_view::set_zoom(double scale) {
  zoom_around(scale, QPointF(width() * 0.5, height() * 0.5));
}

void _picture_view::zoom_by(double factor) {
  set_zoom(zoom() * factor);
}

void _picture_view::zoom_around(double scale, QPointF anchor) {
  const double before = zoom();
  const double after = std::clamp(scale, VIEW_MIN_ZOOM, VIEW_MAX_ZOOM);
  _view& view = views[entry];
  // The picture point under the anchor, from the picture's centre, stays under it.
  const QPointF centre(width() * 0.5, height() * 0.5);
  view.pan = anchor - centre - (anchor - centre - view.pan) * (after / before);
  view.scale = after;
  view.fitted = false;
  update();
  emit view_changed();
}

void _picture_view::fit() {
  views[entry] = _view();
  update();
  emit view_changed();
}

void _picture_view::fit_all() {
  views.clear();
  update();
  emit view_changed();
}

void _picture_view::show_picture(const _texture& shown, int kind) {
  picture = shown;
  entry = kind;
  hint->setVisible(false);
  texture_dirty = true;
  update();
  emit view_changed();
}

// Runs where the context is current (paintGL). A picture beyond the card's limit is not handed
// to OpenGL at all: the view then shows the background only.
void _picture_view::upload_picture() {
  texture_dirty = false;
  texture_valid = false;
  const unsigned w = picture.width;
  const unsigned h = picture.height;
  if (w == 0 || h == 0) return;
  if (w > static_cast<unsigned>(limit) || h > static_cast<unsigned>(limit)) {
    std::fprintf(stderr, "Texture %ux%u exceeds the maximum texture size %d\n", w, h, limit);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, texture_name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
               GL_RGBA, GL_UNSIGNED_BYTE, picture.texels.data());
  texture_valid = true;
}

// One textured rectangle; texture row 0 is the bottom of the picture.
void _picture_view::draw_picture(const _placement& place) {
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

qint64 _picture_view::restart_press_clock() {
  if (!press_clock.isValid()) {
    press_clock.start();
    return std::numeric_limits<qint64>::max();
  }
  return press_clock.restart();
}

void _picture_view::mousePressEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) {
    if (restart_press_clock() > DOUBLE_PRESS_MS) {
      dragging = true;
      last_pointer = event->position();
    } else {
      views[entry].pan = QPointF();
      update();
    }
  }
  // Left and right share the clock: a left press then a right one also counts as double.
  if (event->buttons() & Qt::RightButton) {
    if (restart_press_clock() <= DOUBLE_PRESS_MS) fit();
  }
}

void _picture_view::mouseReleaseEvent(QMouseEvent* /*event*/) {
  dragging = false;
}

// The pan is in screen pixels, so the picture moves exactly with the pointer at any zoom.
void _picture_view::mouseMoveEvent(QMouseEvent* event) {
  if (dragging) {
    views[entry].pan += event->position() - last_pointer;
    last_pointer = event->position();
  }
  update();
}

// A notch towards the user magnifies by ZOOM_STEP, one away shrinks by it; finer wheels and
// touchpads zoom in proportion to their delta. The point under the pointer stays put.
void _picture_view::wheelEvent(QWheelEvent* event) {
  const double notches = -event->angleDelta().y() / double(WHEEL_NOTCH);
  if (notches == 0.0) return;
  zoom_around(zoom() * std::pow(VIEW_ZOOM_STEP, notches), event->position());
}

}  // namespace stippon
