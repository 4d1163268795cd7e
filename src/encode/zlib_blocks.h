#pragma once

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace stippon {

// A zlib stream made as parallel gzip tools make theirs: blocks of the source deflated apart, on
// any threads, each ending on a byte boundary (a sync flush) with the Adler-32 of its source,
// then joined in order after the zlib header and closed by an empty final block and the
// checksum of the whole source.

// One block deflated: raw deflate data and what the join needs of its source.
struct _deflated_block {
  std::vector<uint8_t> bytes;
  uint32_t adler = 1;
  size_t source_bytes = 0;
};

// The fast settings for print rows: grey and black and white rows are runs of one byte, which
// run-length matching finds at a fraction of the cost of level 1; colour rows repeat pixels of
// several bytes, which need level 1's matching.
struct _deflate_mode {
  int level = 1;
  int strategy = Z_DEFAULT_STRATEGY;

  static _deflate_mode for_pixels(unsigned bytes_per_pixel);
};

// Deflates one block, fed in pieces, on the thread that owns it.
class _block_deflater {
 public:
  // Empties `block` and starts it; throws std::bad_alloc when zlib finds no memory.
  _block_deflater(_deflate_mode mode, _deflated_block& block);
  ~_block_deflater();
  _block_deflater(const _block_deflater&) = delete;
  _block_deflater& operator=(const _block_deflater&) = delete;

  void add(const uint8_t* data, size_t size);
  // Flushes the block to a byte boundary; nothing may be added after.
  void finish();

 private:
  void pump(int flush);

  z_stream z_{};
  _deflated_block& block_;
  size_t used_ = 0;  // bytes of block_.bytes written so far
};

// The stream around the blocks, on the thread that writes them in order.
class _zlib_join {
 public:
  explicit _zlib_join(_deflate_mode mode) : mode_(mode) {}

  // The stream's first bytes, before the first block.
  std::array<uint8_t, 2> header() const;
  // Counts a block's source into the checksum; blocks come in the stream's order.
  void add(const _deflated_block& block);
  // An empty final block and the checksum: the stream's last bytes, after the last block.
  std::array<uint8_t, 6> trailer() const;

 private:
  _deflate_mode mode_;
  uint32_t adler_ = 1;  // of nothing
};

}  // namespace stippon
