// The processing side of the controller: each panel operation forwarded to the document, then the
// panels and the picture on screen brought up to date.
#include <QApplication>
#include <QSpinBox>
#include <cstdlib>

#include "controller/gl_widget.h"
#include "ui/busy_cursor.h"
#include "ui/color_selector.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/list_item.h"
#include "ui/window.h"

namespace stippon {

namespace {

const char* const LIST_LABELS[LIST_SIZE] = {"Color original", "Original",  "Borders",
                                            "Halftoning",     "Stippling", "Color stippling"};

}  // namespace

_gl_widget::_gl_widget(_window* window, QWidget* parent) : QOpenGLWidget(parent), window(window) {
  show_message = [this](QMessageBox::Icon icon, const QString& title, const QString& text) {
    show_default_message(icon, title, text);
  };
  connect_document();
  doc.defer_work(true);
  connect(&runner, &_document_runner::finished, this, &_gl_widget::work_finished);
  connect(&progress_timer, &QTimer::timeout, this, &_gl_widget::report_progress);
  // The panels read the document's settings while they are built.
  general = new _general_tab(this, nullptr);
  images = new _images_tab(this, nullptr);
  general_guard = general;
  images_guard = images;
}

void _gl_widget::connect_document() {
  // A picture too large for the display fails to read; the window's box gives that reason.
  doc.on_texture_fallback = [this] {
    warn(
        tr("The size is greater than the maximum texture size supported\nIt is changed to "
           "default values"));
  };
  // An enlarged input is noted beside the view (red frame, status bar), never in a box that
  // would hold back the picture.
  doc.on_grid = [this](bool enlarged) {
    if (window != nullptr) window->set_frame_warning(enlarged);
    restart_colour_swatch();
  };
}

void _gl_widget::show_default_message(QMessageBox::Icon icon, const QString& title,
                                      const QString& text) {
  // The box must not wear the busy cursor of the recomputation that waits for it.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  QMessageBox box(icon, title, text, QMessageBox::Ok, this);
  box.exec();
  QApplication::restoreOverrideCursor();
}

void _gl_widget::warn(const QString& text) {
  show_message(QMessageBox::Warning, tr("Warning"), text);
}

bool _gl_widget::read_image(std::string file_name) {
  {
    _busy_cursor busy;
    if (!doc.read(file_name)) return false;
  }
  ++photo_number;
  shown_valid = false;
  runner.cancel();
  current_image = list_stippling;
  current_texture = -1;
  showing_texture = false;
  fill_image_list();
  update_dimensions();
  // The kept tone applies to the new picture as soon as it is made, as after any other change.
  refresh_image();
  return true;
}

void _gl_widget::fill_image_list() {
  if (images == nullptr) return;
  images->images_list->clear();
  for (int position = 0; position < LIST_SIZE; ++position)
    images->set_item(LIST_LABELS[position], position);
  images->set_selected_item(list_stippling);
}

// A new grid starts over in the default ink, and so does the swatch that shows it.
void _gl_widget::restart_colour_swatch() {
  const _pixel ink = doc.settings().ink;
  if (images != nullptr && images->color_selector != nullptr)
    images->color_selector->set_color(QColor(ink.r, ink.g, ink.b));
}

void _gl_widget::edit(const std::function<void(_document_settings&)>& change) {
  _document_settings target = doc.settings();
  change(target);
  doc.apply(target);
  refresh_image();
}

void _gl_widget::refresh() {
  refresh_image();
}

// The picture on screen follows once the work owed is done.
void _gl_widget::refresh_image() {
  if (!doc.loaded()) return;
  if (working()) {
    schedule_work();
    return;
  }
  show_current(false);
}

void _gl_widget::apply_tone(int tone) {
  if (tone < 0 || tone >= TONE_COUNT) return;
  // A tone whose file was missing has no ramp to look colours up in.
  const _texture& ramp = doc.tone_ramp(tone);
  if (ramp.width == 0 || ramp.height == 0) return;
  display.tone(ramp);
}

void _gl_widget::show_current(bool tone_always) {
  if (showing_texture && current_texture >= 0) {
    display = *doc.list_texture(current_texture);
  } else {
    display = *doc.list_image(current_image);
    if (tone_always || doc.settings().tone != 0) apply_tone(doc.settings().tone);
  }
  upload_and_repaint();
}

void _gl_widget::item_clicked(QListWidgetItem* Item) {
  auto* item = dynamic_cast<_list_item*>(Item);
  if (item == nullptr || item->index < 0 || item->index >= LIST_SIZE) return;
  if (const _image* image = doc.list_image(item->index)) {
    current_image = item->index;
    showing_texture = false;
    display = *image;
  } else {
    current_texture = item->index;
    showing_texture = true;
    display = *doc.list_texture(item->index);
  }
  shown = item->index;
  if (shown == list_stippling && doc.settings().tone != 0) apply_tone(doc.settings().tone);
  upload_and_repaint();
}

void _gl_widget::set_color_image(QColor colour) {
  edit([&](_document_settings& s) {
    s.ink = _pixel(colour.red() & 0xff, colour.green() & 0xff, colour.blue() & 0xff,
                   colour.alpha() & 0xff);
  });
}

void _gl_widget::set_stippling_tone(int tone) {
  if (tone < 0 || tone >= TONE_COUNT) return;
  edit([tone](_document_settings& s) { s.tone = tone; });
  if (doc.loaded()) show_current(true);
}

void _gl_widget::set_device(_mode_device d) {
  if (d < device_grayscale || d > device_color_tones) return;
  edit([d](_document_settings& s) { s.device = d; });
  if (d != device_black_white && doc.loaded()) show_current(true);
  if (general != nullptr) general->set_save_resolution(doc.settings().resolution());
}

void _gl_widget::set_merging_function(int value) {
  edit([value](_document_settings& s) {
    s.stipple.merging_function = static_cast<_merging_function>(value);
  });
}

void _gl_widget::set_random_distribution(int value) {
  edit([value](_document_settings& s) {
    s.stipple.random_distribution = static_cast<_random_distribution>(value);
  });
}

void _gl_widget::set_displacement(float value) {
  edit([value](_document_settings& s) { s.stipple.displacement = value; });
}

void _gl_widget::set_contrast_low_density_min(int value) {
  set_dot_size(value, true, doc.settings().stipple.low_density_max,
               images ? images->low_density_min_spin_box : nullptr,
               [](_document_settings& s) -> unsigned short& { return s.stipple.low_density_min; });
}

void _gl_widget::set_contrast_low_density_max(int value) {
  set_dot_size(value, false, doc.settings().stipple.low_density_min,
               images ? images->low_density_max_spin_box : nullptr,
               [](_document_settings& s) -> unsigned short& { return s.stipple.low_density_max; });
}

void _gl_widget::set_contrast_high_density_min(int value) {
  set_dot_size(value, true, doc.settings().stipple.high_density_max,
               images ? images->high_density_min_spin_box : nullptr,
               [](_document_settings& s) -> unsigned short& { return s.stipple.high_density_min; });
}

void _gl_widget::set_contrast_high_density_max(int value) {
  set_dot_size(value, false, doc.settings().stipple.high_density_min,
               images ? images->high_density_max_spin_box : nullptr,
               [](_document_settings& s) -> unsigned short& { return s.stipple.high_density_max; });
}

// A size that would cross the other end of its pair takes that end, and the panel's spin box
// shows the corrected value (which reports it once more).
void _gl_widget::set_dot_size(int value, bool is_min, int other_end, QSpinBox* spin_box,
                              unsigned short& (*field)(_document_settings&)) {
  const bool crosses = is_min ? other_end < value : other_end > value;
  const int wanted = crosses ? other_end : value;
  edit([&](_document_settings& s) { field(s) = static_cast<unsigned short>(wanted); });
  _document_settings now = doc.settings();
  const unsigned short stored = field(now);
  if (spin_box != nullptr && stored != value && spin_box->value() != stored)
    spin_box->setValue(stored);
}

void _gl_widget::set_contrast_threshold(int threshold) {
  edit([threshold](_document_settings& s) { s.stipple.contrast_threshold = threshold; });
}

void _gl_widget::set_borders_threshold(int threshold) {
  edit([threshold](_document_settings& s) {
    s.borders_threshold = threshold / BORDERS_SLIDER_STEPS;
  });
}

void _gl_widget::set_black_level(int threshold) {
  edit([threshold](_document_settings& s) { s.stipple.black_level = threshold; });
}

void _gl_widget::active_color_stippling(int /*threshold*/) {
  edit([](_document_settings& s) { s.colour_stippling = !s.colour_stippling; });
}

void _gl_widget::new_dots_distribution() {
  doc.new_seeds();
  refresh_image();
}

// The General panel's own controls back to their defaults; the new grid it always made starts
// over in the default ink.
void _gl_widget::reset_general_parameters() {
  const _document_settings defaults;
  edit([&defaults](_document_settings& s) {
    s.output_units = defaults.output_units;
    s.output_size = defaults.output_size;
    s.stipple.scale_factor = defaults.stipple.scale_factor;
    s.stipple.displacement = defaults.stipple.displacement;
    s.stipple.merging_function = defaults.stipple.merging_function;
    s.stipple.random_distribution = defaults.stipple.random_distribution;
    s.stipple.black_level = defaults.stipple.black_level;
    s.tone = defaults.tone;
    s.tone_match = defaults.tone_match;
    s.device = defaults.device;
    std::copy(std::begin(defaults.save_resolution), std::end(defaults.save_resolution),
              std::begin(s.save_resolution));
    s.ink = DEFAULT_INK;
  });
  if (general != nullptr) general->show_settings(doc.settings());
  restart_colour_swatch();
  // The panel may have shown the dimensions of the size it chose on its way here.
  update_dimensions();
}

}  // namespace stippon
