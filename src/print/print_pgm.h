#pragma once

#include "print/print_writer.h"

namespace stippon {

// Raw 8-bit PGM (P5), the one PGM writer: prints, dot sheets and whole rasters. Black and white
// prints are written as 8-bit samples 0 and 255, as PGM has no one-bit form, and the format has no
// place for a resolution.
class _print_pgm : public _print_writer {
 public:
  bool holds(_print_kind kind) const override {
    return kind == _print_kind::grey || kind == _print_kind::bilevel;
  }
  bool needs_resolution() const override { return false; }

 protected:
  bool start() override;
  bool put(const uint8_t* row) override;
  bool finish() override { return true; }  // the atomic file flushes and syncs on commit
  void release() override {}
};

}  // namespace stippon
