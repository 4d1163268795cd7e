// The controller's work off the GUI thread: the document records what each edit needs, and a
// runner makes it on a copy while the window keeps painting and taking input.
#include "controller/controller.h"

namespace stippon {

namespace {

// Runs shorter than this finish without a progress bar flashing by.
constexpr int PROGRESS_DELAY_MS = 500;
constexpr int PROGRESS_INTERVAL_MS = 100;

// No run starts while the guard lives.
class _work_hold {
 public:
  explicit _work_hold(const std::function<void(bool)>& hold) : hold(hold) { hold(true); }
  ~_work_hold() { hold(false); }
  _work_hold(const _work_hold&) = delete;
  _work_hold& operator=(const _work_hold&) = delete;

 private:
  std::function<void(bool)> hold;
};

}  // namespace

void _controller::schedule_work() {
  if (start_queued || !doc.work_pending()) return;
  start_queued = true;
  QMetaObject::invokeMethod(this, &_controller::start_work, Qt::QueuedConnection);
}

void _controller::start_work() {
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

void _controller::report_progress() {
  if (!runner.busy()) return;
  if (run_clock.elapsed() < PROGRESS_DELAY_MS) return;
  emit work_progress(int(runner.done()), shown_valid);
}

void _controller::work_ended(bool complete) {
  progress_timer.stop();
  std::unique_ptr<_stipple_document> done = runner.take_result();
  const _document_work work = runner.work();
  // A photograph read since the run started owes a whole new grid: the run is of no use.
  const bool current_photo = run_photo == photo_number;
  const bool went_back = current_photo && !complete && cancel_asked && shown_valid;
  if (current_photo && complete) {
    doc.adopt_work(std::move(*done), work);
    take_run();
  } else if (went_back) {
    doc.drop_work(shown_settings);
    emit settings_changed();
  } else if (current_photo) {
    doc.put_back_work(work);
  }
  cancel_asked = false;
  emit work_finished(went_back);
  schedule_work();
}

void _controller::take_run() {
  shown_settings = run_settings;
  shown_valid = true;
  if (doc.loaded()) show_picture();
}

void _controller::finish_work() {
  runner.wait();
  if (!doc.work_pending()) return;
  run_settings = doc.settings();
  _work_control control;
  doc.run_work(doc.take_work(), control);
  take_run();
}

void _controller::cancel_work() {
  if (!runner.busy()) return;
  cancel_asked = true;
  runner.cancel();
}

void _controller::hold_work(bool on) {
  held = on;
  if (!held) schedule_work();
}

_print_result _controller::write_print(const std::string& file, _resolution_position resolution,
                                       int position, bool toned, const _band_progress& progress) {
  finish_work();
  const _work_hold hold([this](bool on) { hold_work(on); });
  return doc.write_print(file, resolution, position, toned, progress);
}

_svg_result _controller::write_svg(const std::string& file, const _svg_options& options,
                                   const _band_progress& progress) {
  finish_work();
  const _work_hold hold([this](bool on) { hold_work(on); });
  return doc.write_svg(file, options, progress);
}

}  // namespace stippon
