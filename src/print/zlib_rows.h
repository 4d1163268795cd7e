#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "parallel/block_pipeline.h"
#include "print/zlib_blocks.h"

namespace stippon {

// A print's image data as one zlib stream: rows stored as the format keeps them, deflated a block
// at a time on the pool's threads, and handed in order to the format as pieces of the stream, the
// header within the first piece and the trailer as the last.
class _zlib_rows {
 public:
  using _pipeline = _block_pipeline<_deflated_block>;
  // Writes a piece of the stream; false stops the rows.
  using _writer = std::function<bool(const uint8_t* data, size_t size)>;

  _zlib_rows(_thread_pool* pool, size_t stored_row_bytes, unsigned block_rows,
             _pipeline::storer store, _pipeline::encoder deflate, _writer write);
  // False once a piece could not be written.
  bool add(const uint8_t* row) { return blocks.add(row); }
  // The blocks still owed, then the trailer.
  bool finish();

 private:
  _zlib_join join;
  bool begun = false;
  _writer write;
  _pipeline blocks;  // last, so that its blocks in flight settle before the rest goes

  bool write_block(const _deflated_block& block);
};

}  // namespace stippon
