#include "encode/zlib_blocks.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

namespace stippon {

namespace {

constexpr int RAW_DEFLATE = -15;  // window bits of a 32 KiB window, without zlib's wrapping
constexpr int MEMORY_LEVEL = 8;   // zlib's default
constexpr size_t OUTPUT_STEP = size_t{1} << 16;
// The zlib header: deflate with a 32 KiB window (CMF), then the level's hint in FLG, whose check
// bits make CMF x 256 + FLG a multiple of 31.
constexpr unsigned DEFLATE_32K = 0x78;
constexpr unsigned HEADER_CHECK = 31;
// A final block of fixed codes holding only its end: BFINAL 1, BTYPE 01, then seven zero bits.
constexpr uint8_t FINAL_EMPTY_BLOCK[] = {0x03, 0x00};

// The FLG level hint as zlib's deflate sets it.
unsigned level_hint(_deflate_mode mode) {
  if (mode.strategy >= Z_HUFFMAN_ONLY || mode.level < 2) return 0;
  if (mode.level < 6) return 1;
  return mode.level == 6 ? 2 : 3;
}

}  // namespace

_deflate_mode _deflate_mode::for_pixels(unsigned bytes_per_pixel) {
  if (bytes_per_pixel <= 1) return {1, Z_RLE};
  return {1, Z_DEFAULT_STRATEGY};
}

_block_deflater::_block_deflater(_deflate_mode mode, _deflated_block& block) : block_(block) {
  block_.bytes.clear();
  block_.adler = 1;
  block_.source_bytes = 0;
  if (deflateInit2(&z_, mode.level, Z_DEFLATED, RAW_DEFLATE, MEMORY_LEVEL, mode.strategy) != Z_OK)
    throw std::bad_alloc();
}

_block_deflater::~_block_deflater() {
  deflateEnd(&z_);
}

void _block_deflater::add(const uint8_t* data, size_t size) {
  block_.adler = libdeflate_adler32(block_.adler, data, size);
  block_.source_bytes += size;
  z_.next_in = const_cast<Bytef*>(data);
  z_.avail_in = static_cast<uInt>(size);
  pump(Z_NO_FLUSH);
}

void _block_deflater::finish() {
  z_.avail_in = 0;
  pump(Z_SYNC_FLUSH);
  block_.bytes.resize(used_);
}

// deflate() has taken all the input (and, flushing, written all the output) once it returns
// with room left.
void _block_deflater::pump(int flush) {
  do {
    if (block_.bytes.size() - used_ < OUTPUT_STEP)
      block_.bytes.resize(std::max(2 * block_.bytes.size(), used_ + OUTPUT_STEP));
    z_.next_out = block_.bytes.data() + used_;
    z_.avail_out = static_cast<uInt>(block_.bytes.size() - used_);
    if (deflate(&z_, flush) == Z_STREAM_ERROR) throw std::bad_alloc();
    used_ = block_.bytes.size() - z_.avail_out;
  } while (z_.avail_out == 0);
}

std::array<uint8_t, 2> _zlib_join::header() const {
  unsigned flags = level_hint(mode_) << 6;
  flags += HEADER_CHECK - (DEFLATE_32K * 256 + flags) % HEADER_CHECK;
  return {uint8_t(DEFLATE_32K), uint8_t(flags)};
}

void _zlib_join::add(const _deflated_block& block) {
  adler_ = uint32_t(adler32_combine(adler_, block.adler, z_off_t(block.source_bytes)));
}

std::array<uint8_t, 6> _zlib_join::trailer() const {
  return {FINAL_EMPTY_BLOCK[0],  FINAL_EMPTY_BLOCK[1], uint8_t(adler_ >> 24),
          uint8_t(adler_ >> 16), uint8_t(adler_ >> 8), uint8_t(adler_)};
}

}  // namespace stippon
