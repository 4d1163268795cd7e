#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUndoStack>
#include <string>

#include "controller/document_runner.h"
#include "document/stipple_document.h"
#include "image/texture.h"

namespace stippon {

struct _failure;

// Between the document and the window, without a widget of its own. It owns the document, the
// runner that makes the images off the GUI thread, the undo history of the settings and the
// cancel of a run. Edits come in as whole settings values; what follows goes out as signals:
// the settings to show, the picture to show, the progress of the work and messages for the
// user. The work is in work.cpp, the data files in data_files.cpp.
class _controller : public QObject {
  Q_OBJECT

 public:
  explicit _controller(QObject* parent = nullptr);
  ~_controller() override;

  const _stipple_document& document() const { return doc; }
  const _document_settings& settings() const { return doc.settings(); }
  bool loaded() const { return doc.loaded(); }
  // The settings' undo history, for the Edit menu's actions.
  QUndoStack* history() { return &steps; }

  // --- data files (data_files.cpp) ---
  // False, once a message has named what is missing, when the dot sheets or the first tone
  // cannot be read: the program cannot work without them. A missing later tone is only named.
  bool read_dots(const std::string& folder);
  bool read_tones(const std::string& folder);
  // The largest picture the display takes, read from it once it exists.
  void set_texture_limit(int size);

  // --- the photograph and the settings ---
  // True when the file was read; on failure every image stays as it was and
  // document().read_failure() says why. The stippling is shown first.
  bool read(const std::string& file_name);
  // A user's change of the settings, handed to the document and recorded as an undo step named
  // `step` when it changed anything. Steps of one continuous control (a slider, a spin box)
  // merge while they follow each other. Before a picture nothing is taken: the settings are
  // shown again.
  void edit(const _document_settings& settings, const QString& step, bool continuous = false);
  // Brings everything to a settings value without a step: undo, redo and the choices kept from
  // the last run.
  void restore(const _document_settings& settings);
  // New seeds from the clock: the same settings with another pattern of dots.
  void new_dots();

  // --- the picture on screen ---
  // Shows an entry of the image list (a _list_position).
  void show_image(int position);
  int shown_image() const { return shown; }
  // The entry whose picture is shown, and saved, for the one chosen: "Color stippling" while
  // colour stippling is off has no picture of its own and shows the grey stippling.
  int picture_image() const;
  // The grey image chosen last, for a file that holds grey samples only.
  int grey_image() const { return grey_shown; }
  // Pixels per inch of the picture shown when printed: the preview is 300 ppi, the halftone grid
  // images as many fewer as they have fewer pixels.
  double picture_ppi() const;

  // --- work off the GUI thread (work.cpp) ---
  // Edits only record their work; it runs on another thread, once for a burst of edits, and an
  // edit made meanwhile supersedes the run. The picture follows when a run finishes.
  bool working() const { return runner.busy() || doc.work_pending(); }
  // Brings every image up to date before returning.
  void finish_work();
  // Stops the run in flight; the settings go back to those of the picture on screen.
  void cancel_work();
  // Write the document's print or drawing (see _stipple_document) once every image is up to
  // date; no run replaces the images while the progress lets events through.
  _print_result write_print(const std::string& file, _resolution_position resolution, int position,
                            bool toned, const _band_progress& progress);
  _svg_result write_svg(const std::string& file, const _svg_options& options,
                        const _band_progress& progress);

 signals:
  // The settings changed, or an edit was refused: the panels show settings() again.
  void settings_changed();
  // The picture to show for an entry of the image list.
  void picture_ready(const _texture& picture, int position);
  // A run started; runs longer than a moment report progress in thousandths and whether they can
  // be cancelled (the first run of a new photograph cannot: there is nothing to go back to).
  void work_started();
  void work_progress(int thousandths, bool cancellable);
  // A run ended, `cancelled` when a cancel put the settings back to those of the picture on
  // screen; the picture is up to date when nothing more is owed.
  void work_finished(bool cancelled);
  // Something the user should be told in a box.
  void message(const QString& title, const QString& text);

 private:
  _stipple_document doc;
  _document_runner runner;
  QUndoStack steps;
  // The settings of the picture on screen, which a cancelled run goes back to; none until the
  // first run of a photograph ends.
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
  int shown = list_stippling;
  int grey_shown = list_stippling;

  void warn(const QString& text);
  void report(const _failure& failure);
  // The picture of the entry shown, now or once the work owed is done.
  void refresh_picture();
  void show_picture();
  // Work runs from the event loop, so that a burst of edits already queued costs one run.
  void schedule_work();
  void start_work();
  void work_ended(bool complete);
  // The picture on screen now shows the settings the run started with.
  void take_run();
  void report_progress();
  // While held, no run starts.
  void hold_work(bool on);
};

}  // namespace stippon
