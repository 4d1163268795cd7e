#include "print/zlib_rows.h"

#include <array>
#include <utility>
#include <vector>

namespace stippon {

_zlib_rows::_zlib_rows(_thread_pool* pool, size_t stored_row_bytes, unsigned block_rows,
                       _pipeline::storer store, _pipeline::encoder deflate, _writer write)
    : write(std::move(write)),
      blocks(pool, stored_row_bytes, block_rows, std::move(store), std::move(deflate),
             [this](const _deflated_block& block) { return write_block(block); }) {}

// Runs inside the pipeline, on the thread that adds the rows.
bool _zlib_rows::write_block(const _deflated_block& block) {
  join.add(block);
  if (begun) return write(block.bytes.data(), block.bytes.size());
  begun = true;
  const std::array<uint8_t, 2> header = _zlib_join::header();
  std::vector<uint8_t> first(header.begin(), header.end());
  first.insert(first.end(), block.bytes.begin(), block.bytes.end());
  return write(first.data(), first.size());
}

bool _zlib_rows::finish() {
  if (!blocks.finish()) return false;
  const std::array<uint8_t, 6> end = join.trailer();
  return write(end.data(), end.size());
}

}  // namespace stippon
