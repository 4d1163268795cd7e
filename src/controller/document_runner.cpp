#include "controller/document_runner.h"

namespace stippon {

_document_runner::~_document_runner() {
  cancel();
  if (worker.joinable()) worker.join();
}

void _document_runner::start(std::unique_ptr<_stipple_document> copy, const _document_work& work) {
  copy_ = std::move(copy);
  control = std::make_unique<_work_control>();
  running = work;
  complete = false;
  const unsigned number = ++run_number;
  worker = std::thread([this, number] {
    complete = copy_->run_work(running, *control);
    QMetaObject::invokeMethod(
        this, [this, number] { report(number); }, Qt::QueuedConnection);
  });
}

void _document_runner::cancel() {
  if (control) control->cancel();
}

void _document_runner::wait() {
  if (busy()) report(run_number);
}

void _document_runner::report(unsigned number) {
  if (number != run_number || !worker.joinable()) return;
  worker.join();
  control.reset();
  emit finished(complete);
}

}  // namespace stippon
