#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace stippon {

// A fixed set of worker threads taking tasks from one queue, first in, first out. A task must
// never wait for another task of the same pool. With one thread there is no worker at all: each
// task runs on the thread that submits it, before submit() returns, exactly as a plain call.
class _thread_pool {
 public:
  // threads 0 takes the cores available.
  explicit _thread_pool(unsigned threads = 0);
  // Runs the tasks still queued, then joins the workers.
  ~_thread_pool();
  _thread_pool(const _thread_pool&) = delete;
  _thread_pool& operator=(const _thread_pool&) = delete;

  // How many tasks may run at once; at least 1.
  unsigned threads() const { return threads_; }
  // The future holds the task's exception, if it threw.
  std::future<void> submit(std::function<void()> task);

  // The cores this process may run on (its CPU affinity); at least 1.
  static unsigned available_cores();

 private:
  void work();

  unsigned threads_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::packaged_task<void()>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace stippon
