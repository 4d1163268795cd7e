#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct isal_zstream;

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

// Deflates one block, fed in pieces, on the thread that owns it. ISA-L's level 1 deflates
// stippled rows, grey or colour, three to four times as fast as zlib's fastest settings, and a
// little smaller; like zlib it flushes a block to a byte boundary, which libdeflate cannot.
class _block_deflater {
 public:
  // Empties `block` and starts it.
  explicit _block_deflater(_deflated_block& block);
  ~_block_deflater();
  _block_deflater(const _block_deflater&) = delete;
  _block_deflater& operator=(const _block_deflater&) = delete;

  void add(const uint8_t* data, size_t size);
  // Flushes the block to a byte boundary; nothing may be added after.
  void finish();

 private:
  void pump(bool flushing);

  std::unique_ptr<isal_zstream> z_;  // 80 KiB of state, kept off the worker's stack
  std::unique_ptr<uint8_t[]> level_buffer_;
  _deflated_block& block_;
  size_t used_ = 0;  // bytes of block_.bytes written so far
};

// The stream around the blocks, on the thread that writes them in order.
class _zlib_join {
 public:
  // The stream's first bytes, before the first block.
  static std::array<uint8_t, 2> header();
  // Counts a block's source into the checksum; blocks come in the stream's order.
  void add(const _deflated_block& block);
  // An empty final block and the checksum: the stream's last bytes, after the last block.
  std::array<uint8_t, 6> trailer() const;

 private:
  uint32_t adler_ = 1;  // of nothing
};

}  // namespace stippon
