#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <deque>
#include <future>
#include <vector>

#include "parallel/thread_pool.h"

namespace stippon {

// How many items a pool may make ahead of the one taken: enough to keep every thread busy while
// the calling thread takes one; 1 without a pool.
inline size_t items_ahead(const _thread_pool* pool) {
  return pool == nullptr || pool->threads() == 1 ? 1 : 2 * size_t(pool->threads());
}

// Makes items 0 .. count - 1 on the pool and takes them in order on the calling thread:
// make(i, slot) fills slot i % slots.size() on a worker, take(i, slot) uses it here, in the order
// of i, and returns false to stop. Items are made at most slots.size() ahead of the one taken, so
// whatever the pool, take sees the same items in the same order. Once take stops (or make or take
// throws), items not yet begun are skipped and the call returns when the others have finished.
template <class Slot, class Make, class Take>
bool run_in_order(_thread_pool* pool, size_t count, std::vector<Slot>& slots, const Make& make,
                  const Take& take) {
  if (slots.empty()) return count == 0;
  if (pool == nullptr || pool->threads() == 1 || slots.size() == 1) {
    for (size_t i = 0; i < count; ++i) {
      make(i, slots[0]);
      if (!take(i, slots[0])) return false;
    }
    return true;
  }
  std::atomic<bool> stopped{false};
  std::deque<std::future<void>> ahead;
  // Whatever ends the run, the items begun finish before their slots can go.
  struct _finisher {
    std::atomic<bool>& stopped;
    std::deque<std::future<void>>& ahead;
    ~_finisher() {
      stopped.store(true, std::memory_order_relaxed);
      for (std::future<void>& item : ahead) item.wait();
    }
  } finisher{stopped, ahead};
  size_t submitted = 0;
  const auto submit_next = [&] {
    const size_t i = submitted++;
    Slot& slot = slots[i % slots.size()];
    ahead.push_back(pool->submit([&make, &slot, &stopped, i] {
      if (!stopped.load(std::memory_order_relaxed)) make(i, slot);
    }));
  };
  while (submitted < std::min(count, slots.size())) submit_next();
  for (size_t i = 0; i < count; ++i) {
    std::future<void> made = std::move(ahead.front());
    ahead.pop_front();
    made.get();
    if (!take(i, slots[i % slots.size()])) return false;
    if (submitted < count) submit_next();
  }
  return true;
}

}  // namespace stippon
