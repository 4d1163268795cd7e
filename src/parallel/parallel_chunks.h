#pragma once

#include <cstddef>
#include <functional>

#include "parallel/thread_pool.h"

namespace stippon {

// Runs work(begin, end) over [0, count) in chunks of a fixed size on the pool's threads, or on the
// calling thread without a pool, and returns once every chunk is done (throwing what a chunk
// threw). The chunks do not depend on the pool, so work whose chunks are independent of each
// other gives the same result for any number of threads. Like any wait on a pool, never called
// from one of its tasks.
void for_each_chunk(_thread_pool* pool, size_t count, size_t chunk,
                    const std::function<void(size_t begin, size_t end)>& work);

}  // namespace stippon
