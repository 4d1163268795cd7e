#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <vector>

#include "parallel/ordered_run.h"
#include "parallel/thread_pool.h"

namespace stippon {

// Gathers the rows of a file into blocks of a fixed number of rows, encodes each block on a
// pool and hands the encoded blocks back in order, on the thread that adds the rows. Blocks
// start every block_rows rows whatever the pool, so the file is the same on any number of
// threads; without a pool each block is encoded and emitted as soon as it is full.
//
//   _block_pipeline<std::vector<uint8_t>> blocks(pool, stored_row_bytes, rows_per_block, store,
//                                                encode, emit);
//   blocks.add(row);    // for every row, top to bottom
//   blocks.finish();    // the last block, and everything still in flight
template <class Encoded>
class _block_pipeline {
 public:
  // Runs on the adding thread: puts a row into the block as stored_row_bytes bytes (packed, for
  // instance, so that blocks stay small).
  using storer = std::function<void(const uint8_t* row, uint8_t* stored)>;
  // Runs on any thread, several at once: must read nothing but its rows, and replaces what
  // `encoded` held (a block's buffers are used again).
  using encoder = std::function<void(const uint8_t* rows, unsigned count, Encoded& encoded)>;
  // Runs on the adding thread, block after block; false stops the pipeline.
  using emitter = std::function<bool(const Encoded& encoded)>;

  _block_pipeline(_thread_pool* pool, size_t stored_row_bytes, unsigned block_rows, storer store,
                  encoder encode, emitter emit)
      : pool_(pool),
        row_bytes_(stored_row_bytes),
        block_rows_(block_rows == 0 ? 1 : block_rows),
        ahead_(items_ahead(pool)),
        store_(std::move(store)),
        encode_(std::move(encode)),
        emit_(std::move(emit)) {}
  // Blocks in flight are finished and dropped.
  ~_block_pipeline() { settle(); }
  _block_pipeline(const _block_pipeline&) = delete;
  _block_pipeline& operator=(const _block_pipeline&) = delete;

  // Stores one row; false once an emit has failed.
  bool add(const uint8_t* row) {
    if (failed_) return false;
    if (!filling_) filling_ = spare_block();
    store_(row, filling_->rows.data() + filling_->count * row_bytes_);
    return ++filling_->count < block_rows_ || submit();
  }
  // Encodes the last rows and emits every block still owed.
  bool finish() {
    if (failed_) return false;
    if (filling_ && filling_->count > 0 && !submit()) return false;
    while (!flight_.empty())
      if (!emit_oldest()) return false;
    return true;
  }

 private:
  struct _block {
    std::vector<uint8_t> rows;
    unsigned count = 0;
    Encoded encoded;
    std::future<void> done;
  };

  std::unique_ptr<_block> spare_block() {
    if (spare_.empty()) {
      auto block = std::make_unique<_block>();
      block->rows.resize(row_bytes_ * block_rows_);
      return block;
    }
    std::unique_ptr<_block> block = std::move(spare_.back());
    spare_.pop_back();
    return block;
  }

  // Emits the blocks finished in order, and waits for the oldest while too many are in flight.
  bool submit() {
    _block* block = filling_.get();
    const auto encode = [this, block] {
      encode_(block->rows.data(), block->count, block->encoded);
    };
    if (pool_ == nullptr)
      encode();
    else
      block->done = pool_->submit(encode);
    flight_.push_back(std::move(filling_));
    while (!flight_.empty() && (flight_.size() >= ahead_ || finished(*flight_.front())))
      if (!emit_oldest()) return false;
    return true;
  }

  static bool finished(const _block& block) {
    return !block.done.valid() ||
           block.done.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  }

  bool emit_oldest() {
    std::unique_ptr<_block> block = std::move(flight_.front());
    flight_.pop_front();
    if (block->done.valid()) block->done.get();
    failed_ = !emit_(block->encoded);
    block->count = 0;
    spare_.push_back(std::move(block));
    if (failed_) settle();
    return !failed_;
  }

  void settle() {
    for (const std::unique_ptr<_block>& block : flight_)
      if (block->done.valid()) block->done.wait();
    flight_.clear();
  }

  _thread_pool* pool_;
  size_t row_bytes_;
  unsigned block_rows_;
  size_t ahead_;
  storer store_;
  encoder encode_;
  emitter emit_;
  bool failed_ = false;
  std::unique_ptr<_block> filling_;
  std::deque<std::unique_ptr<_block>> flight_;
  std::vector<std::unique_ptr<_block>> spare_;
};

}  // namespace stippon
