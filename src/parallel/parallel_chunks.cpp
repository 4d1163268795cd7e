#include "parallel/parallel_chunks.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <vector>

namespace stippon {

void for_each_chunk(_thread_pool* pool, size_t count, size_t chunk,
                    const std::function<void(size_t begin, size_t end)>& work) {
  chunk = std::max<size_t>(chunk, 1);
  const size_t chunks = (count + chunk - 1) / chunk;
  std::atomic<size_t> next{0};
  const auto run = [&] {
    for (size_t c = next++; c < chunks; c = next++)
      work(c * chunk, std::min(count, (c + 1) * chunk));
  };
  const size_t tasks = pool == nullptr ? 1 : std::min<size_t>(pool->threads(), chunks);
  if (tasks <= 1) return run();
  std::vector<std::future<void>> running;
  running.reserve(tasks);
  for (size_t i = 0; i < tasks; ++i) running.push_back(pool->submit(run));
  // Every task ends before run and next go out of scope, whichever threw.
  for (std::future<void>& task : running) task.wait();
  for (std::future<void>& task : running) task.get();
}

}  // namespace stippon
