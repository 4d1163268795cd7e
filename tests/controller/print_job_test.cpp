// A print job as a front end sees it: the stages of one print and the share written, the data
// read once for every print, messages naming the photograph when it is one of many, and a cancel
// that ends the print with nothing left behind.
#include <gtest/gtest.h>

#include <mutex>

#include "controller/print_job.h"
#include "image/scratch.h"

namespace stippon::testing {
namespace {

const std::string CAMERA = STIPPON_DATA_DIR "/images/camera.pgm";
const std::string CHELSEA = STIPPON_DATA_DIR "/images/chelsea_gray.pgm";

// What the job told, in order; it can cancel the print at its first share written.
class _recorded : public _print_messages {
 public:
  std::vector<std::string> said, stages;
  std::vector<std::pair<unsigned, unsigned>> shares;
  std::string share_text;
  bool cancel_when_writing = false;

  void say(const std::string& message) override {
    const std::lock_guard<std::mutex> lock(mutex);
    said.push_back(message);
  }
  void show(const std::string& text) override {
    const std::lock_guard<std::mutex> lock(mutex);
    stages.push_back(text);
  }
  void show(const std::string& text, unsigned done, unsigned total) override {
    const std::lock_guard<std::mutex> lock(mutex);
    share_text = text;
    shares.emplace_back(done, total);
  }
  bool shows_progress() const override { return true; }
  bool cancelled() {
    const std::lock_guard<std::mutex> lock(mutex);
    return cancel_when_writing && !shares.empty();
  }

 private:
  std::mutex mutex;
};

_print_request small_print() {
  _print_request request;
  request.settings.output_size = size_a10;
  request.seed = 7;
  request.data_dir = STIPPON_DATA_DIR;
  return request;
}

TEST(PrintJob, StagesSharesAndDataReadOnce) {
  scratch_dir scratch;
  _print_request request = small_print();
  request.settings.device = device_color_tones;
  request.settings.tone = 3;  // Palladium 2
  _recorded told;
  _print_job job(request, told, false, [&told] { return told.cancelled(); });
  const std::string first = scratch / "first.png", second = scratch / "second.png";
  ASSERT_EQ(job.print(CAMERA, first), print_done);
  EXPECT_EQ(told.stages, (std::vector<std::string>{
                             "reading " + CAMERA + "...", "reading the tones...",
                             "resampling, borders and halftone...", "writing " + first + "..."}));
  ASSERT_FALSE(told.shares.empty());
  EXPECT_EQ(told.share_text, "writing " + first);
  for (size_t i = 1; i < told.shares.size(); ++i)
    EXPECT_GT(told.shares[i].first, told.shares[i - 1].first);
  EXPECT_EQ(told.shares.back().first, told.shares.back().second);
  // The tones are read for the first print only.
  told.stages.clear();
  ASSERT_EQ(job.print(CHELSEA, second), print_done);
  EXPECT_EQ(told.stages, (std::vector<std::string>{"reading " + CHELSEA + "...",
                                                   "resampling, borders and halftone...",
                                                   "writing " + second + "..."}));
  EXPECT_TRUE(told.said.empty());
  // Toned prints of each photograph's own size, as netpbm reads them.
  EXPECT_EQ(output_of("pngtopnm " + first + " | pamfile"),
            "stdin:\tPPM raw, 310 by 310  maxval 255\n");
  EXPECT_EQ(output_of("pngtopnm " + second + " | pamfile"),
            "stdin:\tPPM raw, 438 by 291  maxval 255\n");
}

TEST(PrintJob, OneOfManyAndCancelled) {
  scratch_dir scratch;
  const std::string missing = scratch / "missing/print.pgm", print = scratch / "print.pgm";
  {
    SCOPED_TRACE("one of many: no stages, the photograph named");
    _recorded told;
    _print_job job(small_print(), told, true, [] { return false; });
    EXPECT_EQ(job.print(CAMERA, missing), print_unwritable);
    EXPECT_EQ(told.said,
              std::vector<std::string>{CAMERA + ": " + missing + ": No such file or directory"});
    EXPECT_TRUE(told.stages.empty());
    EXPECT_TRUE(told.shares.empty());
  }
  {
    // Alone, a message is said as it is (the batch's failures show it).
    SCOPED_TRACE("alone: cancelled at the first share, no file left");
    _recorded told;
    told.cancel_when_writing = true;
    _print_job job(small_print(), told, false, [&told] { return told.cancelled(); });
    EXPECT_EQ(job.print(CAMERA, print), print_unwritable);
    EXPECT_EQ(told.said, std::vector<std::string>{"Cancelled"});
    EXPECT_EQ(told.shares.size(), 1u);
    EXPECT_TRUE(scratch.files().empty());
    // Cancelled before it begins, a print reads nothing.
    told.stages.clear();
    EXPECT_EQ(job.print(CHELSEA, print), print_failed);
    EXPECT_TRUE(told.stages.empty());
  }
}

}  // namespace
}  // namespace stippon::testing
