#pragma once

#include <atomic>

namespace stippon {

// Shared between a run on another thread and its owner: the owner may cancel at any time, and
// reads how far the run has got.
class _work_control {
 public:
  static constexpr unsigned WHOLE = 1000;

  void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
  // The share of the run done, in thousandths.
  unsigned done() const { return done_.load(std::memory_order_relaxed); }
  void set_done(unsigned thousandths) { done_.store(thousandths, std::memory_order_relaxed); }

 private:
  std::atomic<bool> cancelled_{false};
  std::atomic<unsigned> done_{0};
};

}  // namespace stippon
