#include "stipple/parallel_chunks.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace stippon {

void for_each_chunk(size_t count, size_t chunk, unsigned threads,
                    const std::function<void(size_t begin, size_t end)>& work) {
  chunk = std::max<size_t>(chunk, 1);
  const size_t chunks = (count + chunk - 1) / chunk;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const size_t helpers = std::min<size_t>(threads, chunks) - (chunks > 0);
  std::atomic<size_t> next{0};
  const auto run = [&] {
    for (size_t c = next++; c < chunks; c = next++)
      work(c * chunk, std::min(count, (c + 1) * chunk));
  };
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (size_t i = 0; i < helpers; ++i) pool.emplace_back(run);
  run();
  for (std::thread& thread : pool) thread.join();
}

}  // namespace stippon
