#include "print/zlib_blocks.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <new>

namespace stippon {

namespace {

constexpr int LEVEL = 1;
constexpr size_t LEVEL_BUFFER = ISAL_DEF_LVL1_DEFAULT;
constexpr size_t OUTPUT_STEP = size_t{1} << 16;
// The zlib header: deflate with a 32 KiB window (CMF), then FLG with the fastest level's hint
// (0) and the check bits that make CMF x 256 + FLG a multiple of 31.
constexpr uint8_t DEFLATE_32K = 0x78;
constexpr uint8_t FASTEST_CHECKED = 0x01;
// A final block of fixed codes holding only its end: BFINAL 1, BTYPE 01, then seven zero bits.
constexpr uint8_t FINAL_EMPTY_BLOCK[] = {0x03, 0x00};

}  // namespace

_block_deflater::_block_deflater(_deflated_block& block)
    : z_(std::make_unique<isal_zstream>()),
      // Zeroed, so that nothing of a block's bytes can depend on what the memory held before.
      level_buffer_(std::make_unique<uint8_t[]>(LEVEL_BUFFER)),
      block_(block) {
  block_.bytes.clear();
  block_.adler = 1;
  block_.source_bytes = 0;
  isal_deflate_init(z_.get());
  z_->level = LEVEL;
  z_->level_buf = level_buffer_.get();
  z_->level_buf_size = LEVEL_BUFFER;
  z_->gzip_flag = IGZIP_DEFLATE;
  z_->end_of_stream = 0;
}

_block_deflater::~_block_deflater() = default;

void _block_deflater::add(const uint8_t* data, size_t size) {
  block_.adler = isal_adler32(block_.adler, data, size);
  block_.source_bytes += size;
  z_->next_in = const_cast<uint8_t*>(data);
  z_->avail_in = static_cast<uint32_t>(size);
  z_->flush = NO_FLUSH;
  pump(false);
}

void _block_deflater::finish() {
  z_->avail_in = 0;
  z_->flush = SYNC_FLUSH;
  pump(true);
  block_.bytes.resize(used_);
}

// isal_deflate returns once the input is taken or the output full; a flush is complete once it
// returns with room left.
void _block_deflater::pump(bool flushing) {
  do {
    if (block_.bytes.size() - used_ < OUTPUT_STEP)
      block_.bytes.resize(std::max(2 * block_.bytes.size(), used_ + OUTPUT_STEP));
    z_->next_out = block_.bytes.data() + used_;
    z_->avail_out = static_cast<uint32_t>(block_.bytes.size() - used_);
    if (isal_deflate(z_.get()) != COMP_OK) throw std::bad_alloc();
    used_ = block_.bytes.size() - z_->avail_out;
  } while (z_->avail_in > 0 || (flushing && z_->avail_out == 0));
}

std::array<uint8_t, 2> _zlib_join::header() {
  return {DEFLATE_32K, FASTEST_CHECKED};
}

void _zlib_join::add(const _deflated_block& block) {
  adler_ = uint32_t(adler32_combine(adler_, block.adler, z_off_t(block.source_bytes)));
}

std::array<uint8_t, 6> _zlib_join::trailer() const {
  return {FINAL_EMPTY_BLOCK[0],  FINAL_EMPTY_BLOCK[1], uint8_t(adler_ >> 24),
          uint8_t(adler_ >> 16), uint8_t(adler_ >> 8), uint8_t(adler_)};
}

}  // namespace stippon
