#pragma once

#include <cstddef>
#include <functional>

namespace stippon {

// Runs work(begin, end) over [0, count) in chunks of a fixed size, on up to `threads` threads (0
// for as many as the machine has cores). The chunks do not depend on the number of threads, so
// work whose chunks are independent of each other gives the same result for any number.
void for_each_chunk(size_t count, size_t chunk, unsigned threads,
                    const std::function<void(size_t begin, size_t end)>& work);

}  // namespace stippon
