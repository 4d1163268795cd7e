// The view side of the controller: the OpenGL context checks, the textured rectangle that shows
// the current picture, and the mouse controls (drag to pan, wheel to zoom, double press to reset).
#include <GL/glew.h>

#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "controller/gl_widget.h"

namespace stippon {

namespace {

// Presses closer together than this are one double press.
constexpr qint64 DOUBLE_PRESS_MS = 299;
constexpr double ZOOM_STEP = 1.2;

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
  half_width = static_cast<float>(width() * 0.5);
  half_height = static_cast<float>(height() * 0.5);
  change_projection();
  std::printf("Texture width=%d height=%d\n", static_cast<int>(display.width),
              static_cast<int>(display.height));
  std::fflush(stdout);

  glGenTextures(1, &texture_name);
  glBindTexture(GL_TEXTURE_2D, texture_name);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl_ready = true;
  texture_dirty = true;
}

void _gl_widget::resizeGL(int w, int h) {
  half_width = static_cast<float>(w * 0.5);
  half_height = static_cast<float>(h * 0.5);
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(w * ratio), static_cast<GLsizei>(h * ratio));
}

void _gl_widget::paintGL() {
  half_width = static_cast<float>(width() * 0.5);
  half_height = static_cast<float>(height() * 0.5);
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (texture_dirty) upload_display_texture();
  change_projection();
  change_observer();
  draw_objects();
}

void _gl_widget::set_zoom(float value) {
  zooms[shown] = value;
  update();
}

void _gl_widget::show_texture(const _texture& picture) {
  display = picture;
  upload_and_repaint();
}

void _gl_widget::upload_and_repaint() {
  texture_dirty = true;
  update();
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

void _gl_widget::change_projection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float z = zooms[shown];
  glOrtho(-half_width * z, half_width * z, -half_height * z, half_height * z, -1.0, 1.0);
}

void _gl_widget::change_observer() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(pans[shown].x, pans[shown].y, 0.0f);
}

// One texel per unit, centred on the origin; texture row 0 is the bottom of the picture.
void _gl_widget::draw_objects() {
  if (!texture_valid) return;
  const float W = static_cast<float>(display.width);
  const float H = static_cast<float>(display.height);
  glBindTexture(GL_TEXTURE_2D, texture_name);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(W * -0.5f, H * -0.5f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(W * 0.5f, H * -0.5f, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(W * 0.5f, H * 0.5f, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(W * -0.5f, H * 0.5f, 0.0f);
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
  const QPoint position = event->position().toPoint();
  if (event->buttons() & Qt::LeftButton) {
    if (restart_press_clock() > DOUBLE_PRESS_MS) {
      dragging = true;
      last_x = position.x();
      last_y = position.y();
    } else {
      pans[shown] = _pan();
      update();
    }
  }
  // Left and right share the clock: a left press then a right one also counts as double.
  if (event->buttons() & Qt::RightButton) {
    if (restart_press_clock() <= DOUBLE_PRESS_MS) {
      zooms[shown] = 1.0f;
      update();
    }
  }
}

void _gl_widget::mouseReleaseEvent(QMouseEvent* /*event*/) {
  dragging = false;
}

void _gl_widget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  if (dragging) {
    // Screen y grows downwards, the view's y upwards.
    pans[shown].x += static_cast<float>(position.x() - last_x);
    pans[shown].y += static_cast<float>(last_y - position.y());
    last_x = position.x();
    last_y = position.y();
  }
  update();
}

void _gl_widget::wheelEvent(QWheelEvent* event) {
  // A notch towards the user magnifies; anything else, half notches included, shrinks.
  float& z = zooms[shown];
  if (event->angleDelta().y() < -119) {
    z = static_cast<float>(z / ZOOM_STEP);
  } else {
    z = static_cast<float>(z * ZOOM_STEP);
  }
  // The projection follows in paintGL, where the context is current.
  update();
}

}  // namespace stippon
