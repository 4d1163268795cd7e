// The processing side of the controller: the pipeline from the input to the preview, the
// parameter setters, the image list and the images handed to the save command.
#include <QApplication>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "controller/gl_widget.h"
#include "stipple/dot_library.h"
#include "tones/tone_table.h"
#include "ui/busy_cursor.h"
#include "ui/color_selector.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/list_item.h"
#include "ui/window.h"

namespace stippon {

namespace {

const char* const UPSCALE_TEXT =
    "Due to your high setting of the output size and/or packing factor, the halftoned image "
    "needs to be larger than the image you originally loaded.\nTherefore, the image will be "
    "upscaled which may lead to lower quality results.\nTo avoid this effect, either choose a "
    "lower target size or load a higher-resolution original image\nThe upscaling is warned with "
    "a red frame surrounding the image";

const _pixel WHITE(255, 255, 255, 255);

unsigned short dot_size(int value) {
  // The stippler indexes the dot sheet row with the size: only loaded sizes may reach it.
  return static_cast<unsigned short>(std::clamp(value, DOT_SIZE_MIN, DOT_SIZE_MAX));
}

}  // namespace

_gl_widget::_gl_widget(_window* window, QWidget* parent) : QOpenGLWidget(parent), window(window) {
  show_message = [this](QMessageBox::Icon icon, const QString& title, const QString& text) {
    show_default_message(icon, title, text);
  };
  // The panels read the parameters above while they are built.
  general_tab = new _general_tab(this, nullptr);
  images_tab = new _images_tab(this, nullptr);
  general_tab_guard = general_tab;
  images_tab_guard = images_tab;
}

void _gl_widget::show_default_message(QMessageBox::Icon icon, const QString& title,
                                      const QString& text) {
  // The box must not wear the busy cursor of the recomputation that waits for it.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  if (icon == QMessageBox::NoIcon) {
    QMessageBox box;
    box.setText(text);
    box.exec();
  } else {
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.exec();
  }
  QApplication::restoreOverrideCursor();
}

void _gl_widget::warn(const QString& text) {
  show_message(QMessageBox::Warning, tr("Warning"), text);
}

_file_pgm _gl_widget::pgm_reader() {
  _file_pgm reader;
  reader.on_oversize = [this](int max_size) {
    show_message(QMessageBox::Critical, tr("Error"),
                 tr("The size is greather than the maximum texture size supported with this "
                    "card=%1 pixels\n")
                     .arg(max_size));
  };
  return reader;
}

_stipple_settings _gl_widget::stipple_settings() const {
  _stipple_settings settings;
  settings.scale_factor = scale_factor;
  settings.displacement = displacement;
  settings.dot_variant_rows = dot_variant_rows;
  settings.dot_variant_max_column = dot_variant_max_column;
  settings.low_density_min = low_density_min;
  settings.low_density_max = low_density_max;
  settings.high_density_min = high_density_min;
  settings.high_density_max = high_density_max;
  settings.contrast_threshold = contrast_threshold;
  settings.borders_slider_value = borders_slider_value;
  settings.black_white = black_white;
  settings.black_level = black_level;
  settings.merging_function = merging_function;
  settings.random_distribution = random_distribution;
  return settings;
}

bool _gl_widget::read_image(std::string file_name) {
  // Read aside: a failed read must leave every image as it was.
  _image image;
  if (!pgm_reader().read(file_name, image, max_texture_size)) return false;
  input_image = std::move(image);

  update_images(fitted_width(reading_width()));
  current_image = &stippling_image;
  current_texture = nullptr;
  current_kind = 0;

  if (images_tab != nullptr) {
    images_tab->images_list->clear();
    images_tab->set_item("Color original", &color_original);
    images_tab->set_item("Original", &original_image);
    images_tab->set_item("Borders", &borders_image);
    images_tab->set_item("Halftoning", &halftoning_image);
    images_tab->set_item("Stippling", &stippling_image);
    images_tab->set_item("Color stippling", &color_stippling);
    images_tab->set_selected_item(4);
  }
  image_loaded = true;
  update_dimensions();
  // The kept tone applies to the new picture at once, as after any other change.
  show_current(false);
  return true;
}

void _gl_widget::update_images(float w) {
  if (input_image.width == 0 || input_image.height == 0) return;
  _busy_cursor busy;
  const float W = static_cast<float>(input_image.width);
  const float r = (w / scale_factor) / W;

  if (r > 1.0f && !upscale_warned) {
    show_message(QMessageBox::NoIcon, QString(), QString::fromUtf8(UPSCALE_TEXT));
    upscale_warned = true;
  }
  if (window != nullptr) window->set_frame_warning(r > 1.0f);
  derive_halftone_grid(input_image, r, borders_threshold, original_image, borders_image,
                       halftoning_image);
  restart_colour();

  const _preview_size size = preview_size(w, input_image.width, input_image.height);
  stippling_image.dimensions(size.height, size.width);
  stippling_image.create(true);
  stipple_preview();
}

// The 300 ppi preview and, while it is on, the colour-stippled picture, whose draws continue the
// random sequence where the grey ones end.
void _gl_widget::stipple_preview() {
  stipple_grey(stippling_image, stipple_settings(), halftoning_image, borders_image,
               dot_sheets[resolution_300], 1);
  if (color_stippling_active) {
    size_colour_stippling();
    stipple_colour(color_stippling, stipple_settings(), halftoning_image, borders_image,
                   color_original, dot_sheets[resolution_300], 1);
  }
}

// Every new input starts over in red. The colour-stippled picture is made further on, from this
// run's halftone and borders, not from those of the previous input.
void _gl_widget::restart_colour() {
  color_original.dimensions(original_image.height, original_image.width);
  color_original.create();
  color_original.fill(_pixel(255, 0, 0, 255));
  if (images_tab != nullptr && images_tab->color_selector != nullptr)
    images_tab->color_selector->set_color(QColor(Qt::red));
}

// The colour-stippled picture always has the preview's size, also when it is switched on after
// the preview was made.
void _gl_widget::size_colour_stippling() {
  if (color_stippling.width != stippling_image.width ||
      color_stippling.height != stippling_image.height) {
    color_stippling.dimensions(stippling_image.height, stippling_image.width);
    color_stippling.create();
  }
  color_stippling.fill(WHITE);
}

void _gl_widget::refresh() {
  if (!image_loaded) return;
  _busy_cursor busy;
  stippling_image.create(true);
  stipple_preview();
  refresh_image();
}

void _gl_widget::refresh_image() {
  if (!image_loaded) return;
  show_current(false);
}

void _gl_widget::apply_tone(int tone) {
  if (tone < 0 || tone >= TONE_COUNT) return;
  // A tone whose file was missing has no ramp to look colours up in.
  if (tones[tone].width == 0 || tones[tone].height == 0) return;
  display_texture.tone(tones[tone]);
}

void _gl_widget::show_current(bool tone_always) {
  if (current_kind == 1 && current_texture != nullptr) {
    display_texture = *current_texture;
  } else if (current_image != nullptr) {
    display_texture = *current_image;
    if (tone_always || stippling_tone != 0) apply_tone(stippling_tone);
  }
  upload_and_repaint();
}

void _gl_widget::item_clicked(QListWidgetItem* Item) {
  auto* item = dynamic_cast<_list_item*>(Item);
  if (item == nullptr) return;
  if (item->image != nullptr) {
    current_image = item->image;
    current_kind = 0;
    display_texture = *current_image;
  } else if (item->texture != nullptr) {
    current_texture = item->texture;
    current_kind = 1;
    display_texture = *current_texture;
  } else {
    return;
  }
  if (item->index >= 0 && item->index < LIST_SIZE) {
    shown_image = item->index;
    if (shown_image == 4 && stippling_tone != 0) apply_tone(stippling_tone);
  }
  upload_and_repaint();
}

void _gl_widget::set_color_image(QColor colour) {
  color_original.fill(_pixel(colour.red() & 0xff, colour.green() & 0xff, colour.blue() & 0xff,
                             colour.alpha() & 0xff));
  // Only a colour-stippled picture that exists is redrawn in the new ink.
  if (image_loaded && (color_stippling_active || color_stippling.width > 0)) {
    size_colour_stippling();
    stipple_colour(color_stippling, stipple_settings(), halftoning_image, borders_image,
                   color_original, dot_sheets[resolution_300], 1);
  }
  if (current_kind == 1 && current_texture != nullptr) display_texture = *current_texture;
  upload_and_repaint();
}

void _gl_widget::set_stippling_tone(int Tone) {
  if (Tone < 0 || Tone >= TONE_COUNT) return;
  stippling_tone = Tone;
  if (image_loaded) show_current(true);
}

void _gl_widget::set_device(_mode_device d) {
  switch (d) {
    case device_grayscale:
      device = d;
      active_black_level(false);
      set_stippling_tone(0);
      break;
    case device_black_white:
      device = d;
      active_black_level(true);
      break;
    case device_color_tones:
      device = d;
      active_black_level(false);
      set_stippling_tone(stippling_tone);
      break;
    default:
      return;
  }
  if (general_tab != nullptr) general_tab->set_save_resolution(save_resolution[device]);
}

void _gl_widget::set_merging_function(int value) {
  merging_function = static_cast<_merging_function>(value);
  refresh();
}

void _gl_widget::set_random_distribution(int value) {
  random_distribution = static_cast<_random_distribution>(value);
  refresh();
}

void _gl_widget::active_black_level(bool value) {
  black_white = value;
  refresh();
}

void _gl_widget::set_displacement(float value) {
  displacement = value;
  refresh();
}

void _gl_widget::set_contrast_low_density_min(int value) {
  keep_ordered(low_density_min, value, low_density_max < value, low_density_max,
               images_tab ? images_tab->low_density_min_spin_box : nullptr);
}

void _gl_widget::set_contrast_low_density_max(int value) {
  keep_ordered(low_density_max, value, low_density_min > value, low_density_min,
               images_tab ? images_tab->low_density_max_spin_box : nullptr);
}

void _gl_widget::set_contrast_high_density_min(int value) {
  keep_ordered(high_density_min, value, high_density_max < value, high_density_max,
               images_tab ? images_tab->high_density_min_spin_box : nullptr);
}

void _gl_widget::set_contrast_high_density_max(int value) {
  keep_ordered(high_density_max, value, high_density_min > value, high_density_min,
               images_tab ? images_tab->high_density_max_spin_box : nullptr);
}

// A size that would cross the other end of its pair takes that end instead, and the panel's spin
// box shows the corrected value (which reports it once more).
void _gl_widget::keep_ordered(unsigned short& size, int value, bool crosses,
                              unsigned short other_end, QSpinBox* spin_box) {
  if (crosses) {
    size = other_end;
    if (spin_box != nullptr) spin_box->setValue(size);
  } else {
    size = dot_size(value);
  }
  refresh();
}

void _gl_widget::set_contrast_threshold(int threshold) {
  contrast_threshold = threshold;
  refresh();
}

void _gl_widget::set_borders_threshold(int threshold) {
  // Only this picture's borders change; the next new size starts from borders_threshold again.
  if (image_loaded) borders_image.getBorders(original_image, threshold / 10.0f);
  refresh();
}

void _gl_widget::set_black_level(int threshold) {
  black_level = threshold;
  refresh();
}

void _gl_widget::active_color_stippling(int /*threshold*/) {
  color_stippling_active = !color_stippling_active;
  if (color_stippling_active && image_loaded) size_colour_stippling();
  refresh();
}

void _gl_widget::new_dots_distribution() {
  stippling_image.save_seeds();
  refresh();
}

void _gl_widget::reset_images_parameters() {
  refresh();
}

void _gl_widget::reset_general_parameters() {
  output_units = units_millimeters;
  output_size = size_a5;
  scale_factor = 3.0f;
  displacement = 0.25f;
  merging_function = merging_product;
  random_distribution = distribution_random;
  black_white = false;
  black_level = 127;
  stippling_tone = 0;
  device = device_grayscale;
  std::fill(std::begin(save_resolution), std::end(save_resolution), resolution_300);

  if (general_tab != nullptr) {
    general_tab->set_units(units_millimeters);
    general_tab->set_size(size_a5);
    general_tab->set_scale_factor(2.0f);
    general_tab->set_displacement(0.25f);
    general_tab->set_merging_function(merging_product);
    general_tab->set_random_distribution(distribution_random);
    general_tab->set_device(device_grayscale);
    general_tab->set_save_resolution(resolution_300);
  }
  update_images(fitted_width(get_AXsize(output_size, 1.0f)));
  refresh_image();
  // The panel may have shown the dimensions of the size it chose on its way here.
  update_dimensions();
}

_image* _gl_widget::selected_image(_resolution_position p) {
  if (p == resolution_300) return current_image;
  if (!image_loaded) return nullptr;
  _busy_cursor busy;
  const int row = p == resolution_600 ? resolution_600 : resolution_1200;
  const int k = output_scale(row);

  release_image(p);
  // The preview's seeds give the same dots, drawn with the larger sheets.
  hires_image = stipple_hires(stippling_image, stipple_settings(), halftoning_image, borders_image,
                              dot_sheets[row], k)
                    .release();
  return hires_image;
}

_texture* _gl_widget::texture(_resolution_position p) {
  if (p == resolution_300) return &display_texture;
  warn(tr("Can not be saved a 1200ppi png file"));
  return nullptr;
}

void _gl_widget::release_image(_resolution_position p) {
  if (p == resolution_300) return;
  delete hires_image;
  hires_image = nullptr;
}

void _gl_widget::read_dots() {
  dot_variant_rows = 1;
  dot_variant_max_column = 10;
  if (!load_dot_sheets(dot_sheets, max_texture_size, ".", pgm_reader())) {
    warn(tr("Can not read dot files"));
    std::exit(-1);
  }
}

void _gl_widget::read_tones() {
  if (!load_tones(tones, ".")) {
    warn(tr("Can not read tone files"));
    std::exit(-1);
  }
}

}  // namespace stippon
