#pragma once

#include <QObject>
#include <memory>
#include <thread>

#include "document/document_work.h"
#include "document/stipple_document.h"
#include "document/work_control.h"

namespace stippon {

// Runs one document's owed work on a thread of its own, on a copy, so that the window keeps
// painting and taking input. One run at a time; finished() arrives on the owner's thread.
class _document_runner : public QObject {
  Q_OBJECT

 public:
  explicit _document_runner(QObject* parent = nullptr) : QObject(parent) {}
  ~_document_runner() override;

  bool busy() const { return worker.joinable(); }
  // Starts `work` on `copy`, made by the document's worker_copy.
  void start(std::unique_ptr<_stipple_document> copy, const _document_work& work);
  void cancel();
  // Waits for the run in flight, and reports it before returning.
  void wait();
  // The share done of the run in flight, in thousandths.
  unsigned done() const { return control ? control->done() : 0; }
  const _document_work& work() const { return running; }
  // The finished copy, once finished() reported it complete.
  std::unique_ptr<_stipple_document> take_result() { return std::move(copy_); }

 signals:
  // complete is false when the run was cancelled: its images are unfinished.
  void finished(bool complete);

 private:
  std::thread worker;
  std::unique_ptr<_stipple_document> copy_;
  std::unique_ptr<_work_control> control;
  _document_work running;
  bool complete = false;
  // Counts runs, so that the notice of one already reported by wait() is ignored.
  unsigned run_number = 0;

  void report(unsigned number);
};

}  // namespace stippon
