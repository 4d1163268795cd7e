// The pool's two ways of working in order: items made on any number of threads and taken in
// order, and blocks of rows encoded on them and emitted in order; both stop cleanly. Also run
// under ThreadSanitizer by scripts/test.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "parallel/block_pipeline.h"
#include "parallel/ordered_run.h"
#include "parallel/thread_pool.h"

namespace stippon {
namespace {

// Work of uneven length, so that items finish out of order on several threads.
unsigned long long uneven_work(size_t i) {
  unsigned long long sum = 0;
  for (size_t k = 0; k < (i * 7919) % 5 * 20000; ++k) sum += k ^ i;
  return sum;
}

std::string threads_of(const _thread_pool* pool) {
  return std::to_string(pool ? pool->threads() : 1) + " threads";
}

TEST(Parallel, ItemsAreTakenInOrderAndStopCleanly) {
  _thread_pool one(1), two(2), three(3);
  for (_thread_pool* pool : {(_thread_pool*)nullptr, &one, &two, &three}) {
    SCOPED_TRACE(threads_of(pool));
    struct _slot {
      size_t item = 0;
      unsigned long long sum = 0;
    };
    std::vector<_slot> slots(items_ahead(pool));
    std::atomic<size_t> made{0};
    const auto make = [&](size_t i, _slot& slot) {
      slot.item = i;
      slot.sum = uneven_work(i);
      ++made;
    };
    std::vector<size_t> taken;
    EXPECT_TRUE(run_in_order(pool, 40, slots, make, [&](size_t i, const _slot& slot) {
      EXPECT_EQ(slot.sum, uneven_work(i));
      taken.push_back(slot.item);
      return true;
    }));
    ASSERT_EQ(taken.size(), 40u);
    for (size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i);

    // A taker that stops after item 3: nothing more is taken, nothing beyond the slots is made.
    made = 0;
    taken.clear();
    EXPECT_FALSE(run_in_order(pool, 40, slots, make, [&](size_t i, const _slot&) {
      taken.push_back(i);
      return i < 3;
    }));
    EXPECT_EQ(taken, (std::vector<size_t>{0, 1, 2, 3}));
    EXPECT_LE(made.load(), 4 + slots.size());

    // A maker that throws: the exception comes out once the items begun have finished.
    EXPECT_THROW(run_in_order(
                     pool, 40, slots,
                     [&](size_t i, _slot& slot) {
                       if (i == 5) throw std::runtime_error("item 5");
                       make(i, slot);
                     },
                     [](size_t, const _slot&) { return true; }),
                 std::runtime_error);
  }
}

// Rows of three bytes stored as two, in blocks of four rows: every block is emitted once, in
// order, the last one short; an emit that fails stops the pipeline.
TEST(Parallel, BlocksAreEmittedInOrderAndStopCleanly) {
  _thread_pool two(2), three(3);
  for (_thread_pool* pool : {(_thread_pool*)nullptr, &two, &three}) {
    SCOPED_TRACE(threads_of(pool));
    for (int failing_block : {-1, 2}) {
      std::vector<uint8_t> emitted;
      int blocks = 0;
      _block_pipeline<std::vector<uint8_t>> pipeline(
          pool, 2, 4,
          [](const uint8_t* row, uint8_t* stored) {  // the first and the last byte
            stored[0] = row[0];
            stored[1] = row[2];
          },
          [](const uint8_t* rows, unsigned count, std::vector<uint8_t>& encoded) {
            uneven_work(rows[0]);
            encoded.assign(rows, rows + 2 * count);
            encoded.push_back(uint8_t(count));
          },
          [&](const std::vector<uint8_t>& encoded) {
            if (blocks++ == failing_block) return false;
            emitted.insert(emitted.end(), encoded.begin(), encoded.end());
            return true;
          });
      bool added = true;
      for (uint8_t row = 0; row < 30; ++row) {
        const uint8_t bytes[] = {row, uint8_t(row + 100), uint8_t(row + 200)};
        added = pipeline.add(bytes) && added;
      }
      const bool finished = pipeline.finish();
      if (failing_block >= 0) {
        EXPECT_FALSE(finished) << "whether the adding saw the failure depends on the threads";
        EXPECT_EQ(blocks, failing_block + 1) << "nothing is emitted after the failure";
        continue;
      }
      EXPECT_TRUE(added && finished);
      EXPECT_EQ(blocks, 8);
      std::vector<uint8_t> expected;
      for (uint8_t row = 0; row < 30; ++row) {
        expected.insert(expected.end(), {row, uint8_t(row + 200)});
        if (row % 4 == 3 || row == 29) expected.push_back(row == 29 ? 2 : 4);
      }
      EXPECT_EQ(emitted, expected);
    }
  }
}

}  // namespace
}  // namespace stippon
