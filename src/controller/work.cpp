// The controller's work off the GUI thread: the document records what each change needs, and
// a runner makes it on a copy while the window keeps painting and taking input.
#include "controller/gl_widget.h"
#include "ui/busy_cursor.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"

namespace stippon {

namespace {

// Runs shorter than this finish without a progress bar flashing by.
constexpr int PROGRESS_DELAY_MS = 500;
constexpr int PROGRESS_INTERVAL_MS = 100;

}  // namespace

void _gl_widget::schedule_work() {
  if (start_queued || !doc.work_pending()) return;
  start_queued = true;
  QMetaObject::invokeMethod(this, &_gl_widget::start_work, Qt::QueuedConnection);
}

void _gl_widget::start_work() {
  start_queued = false;
  if (held || !doc.work_pending()) return;
  // The run in flight is superseded: its work is owed again once it has stopped.
  if (runner.busy()) {
    runner.cancel();
    return;
  }
  cancel_asked = false;
  run_settings = doc.settings();
  run_photo = photo_number;
  const _document_work work = doc.take_work();
  runner.start(doc.worker_copy(work), work);
  run_clock.start();
  progress_timer.start(PROGRESS_INTERVAL_MS);
  emit work_started();
}

void _gl_widget::report_progress() {
  if (!runner.busy()) return;
  if (run_clock.elapsed() < PROGRESS_DELAY_MS) return;
  emit work_progress(int(runner.done()), shown_valid);
}

void _gl_widget::work_finished(bool complete) {
  progress_timer.stop();
  std::unique_ptr<_stipple_document> done = runner.take_result();
  const _document_work work = runner.work();
  // A photograph read since the run started owes a whole new grid: the run is of no use.
  const bool current_photo = run_photo == photo_number;
  if (current_photo && complete) {
    doc.adopt_work(std::move(*done), work);
    take_run();
  } else if (current_photo && cancel_asked && shown_valid) {
    go_back_to_shown();
  } else if (current_photo) {
    doc.put_back_work(work);
  }
  cancel_asked = false;
  emit work_ended();
  schedule_work();
}

void _gl_widget::go_back_to_shown() {
  doc.drop_work(shown_settings);
  if (general != nullptr) general->show_settings(doc.settings());
  if (images != nullptr) images->show_settings(doc.settings());
  update_dimensions();
  emit settings_restored();
}

// The picture on screen now shows the settings the run started with.
void _gl_widget::take_run() {
  shown_settings = run_settings;
  shown_valid = true;
  show_results();
}

void _gl_widget::show_results() {
  if (!doc.loaded()) return;
  show_current(false);
  update_dimensions();
  emit view_changed();
}

void _gl_widget::finish_work() {
  runner.wait();
  if (!doc.work_pending()) return;
  _busy_cursor busy;
  run_settings = doc.settings();
  _work_control control;
  doc.run_work(doc.take_work(), control);
  take_run();
}

void _gl_widget::cancel_work() {
  if (!runner.busy()) return;
  cancel_asked = true;
  runner.cancel();
}

void _gl_widget::hold_work(bool on) {
  held = on;
  if (!held) schedule_work();
}

}  // namespace stippon
