#include "controller/controller.h"

#include <QHash>

#include "controller/settings_step.h"

namespace stippon {

_controller::_controller(QObject* parent) : QObject(parent) {
  doc.defer_work(true);
  doc.on_texture_fallback = [this] {
    warn(
        tr("The size is greater than the maximum texture size supported\nIt is changed to "
           "default values"));
  };
  connect(&runner, &_document_runner::finished, this, &_controller::work_ended);
  connect(&progress_timer, &QTimer::timeout, this, &_controller::report_progress);
}

_controller::~_controller() = default;

void _controller::warn(const QString& text) {
  emit message(tr("Warning"), text);
}

void _controller::set_texture_limit(int size) {
  if (size > 0) doc.set_texture_limit(size);
}

bool _controller::read(const std::string& file_name) {
  if (!doc.read(file_name)) return false;
  if (!doc.read_warning().empty()) warn(QString::fromStdString(doc.read_warning()));
  ++photo_number;
  shown_valid = false;
  runner.cancel();
  shown = grey_shown = list_stippling;
  emit settings_changed();
  refresh_picture();
  return true;
}

void _controller::edit(const _document_settings& settings, const QString& step, bool continuous) {
  const _document_settings before = doc.settings();
  if (doc.loaded()) doc.apply(settings);
  const _document_settings after = doc.settings();
  if (!(after == before)) {
    // Steps of one control share an id and merge; -1 never merges.
    const int id = continuous ? int(qHash(step) & 0x7fffffff) : -1;
    steps.push(new _settings_step(step, id, before, after,
                                  [this](const _document_settings& s) { restore(s); }));
  }
  emit settings_changed();
  refresh_picture();
}

void _controller::restore(const _document_settings& settings) {
  doc.apply(settings);
  emit settings_changed();
  refresh_picture();
}

void _controller::new_dots() {
  doc.new_seeds();
  refresh_picture();
}

void _controller::show_image(int position) {
  if (position < 0 || position >= LIST_SIZE) return;
  shown = position;
  if (doc.list_image(position) != nullptr) grey_shown = position;
  if (doc.loaded()) show_picture();
}

int _controller::picture_image() const {
  const bool no_colour = shown == list_color_stippling && !doc.settings().colour_stippling;
  return no_colour ? list_stippling : shown;
}

// A grey image as it is saved: through the tone when there is one.
void _controller::show_picture() {
  const int source = picture_image();
  // A CMYK print's stippled pictures are its inks' colour on paper.
  const bool inks = doc.settings().inks == inks_cmyk &&
                    (source == list_stippling || source == list_color_stippling);
  const _texture* colour = inks ? &doc.colour_stippled() : doc.list_texture(source);
  const _texture picture =
      colour != nullptr ? *colour : doc.picture(*doc.list_image(source), doc.settings().tone != 0);
  emit picture_ready(picture, shown);
}

void _controller::refresh_picture() {
  if (!doc.loaded()) return;
  if (working()) {
    schedule_work();
    return;
  }
  show_picture();
}

double _controller::picture_ppi() const {
  const unsigned print_width = doc.preview().width;
  const _image* image = doc.list_image(picture_image());
  const unsigned width = image != nullptr ? image->width : doc.list_texture(picture_image())->width;
  if (print_width == 0 || width == 0) return PREVIEW_PPI;
  return double(PREVIEW_PPI) * width / print_width;
}

}  // namespace stippon
