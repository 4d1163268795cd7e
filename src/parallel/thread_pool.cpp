#include "parallel/thread_pool.h"

#include <sched.h>

#include <algorithm>

namespace stippon {

_thread_pool::_thread_pool(unsigned threads)
    : threads_(threads == 0 ? available_cores() : threads) {
  if (threads_ == 1) return;
  workers_.reserve(threads_);
  for (unsigned i = 0; i < threads_; ++i) workers_.emplace_back([this] { work(); });
}

_thread_pool::~_thread_pool() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

std::future<void> _thread_pool::submit(std::function<void()> task) {
  std::packaged_task<void()> packaged(std::move(task));
  std::future<void> done = packaged.get_future();
  if (workers_.empty()) {
    packaged();
    return done;
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(packaged));
  }
  queued_.notify_one();
  return done;
}

unsigned _thread_pool::available_cores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return unsigned(std::max(CPU_COUNT(&set), 1));
  return std::max(std::thread::hardware_concurrency(), 1u);
}

void _thread_pool::work() {
  for (;;) {
    std::packaged_task<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, and nothing left to run
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
  }
}

}  // namespace stippon
