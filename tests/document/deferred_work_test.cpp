// Deferred work: changes recorded while a front end stays responsive, then made once on a copy
// on another thread, must give the very images the same changes give one at a time.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "document/document_fixtures.h"

namespace stippon::testing {
namespace {

constexpr uint32_t SEED = 1234;

class DeferredWork : public ::testing::Test {
 protected:
  _stipple_document eager, deferred;

  void SetUp() override {
    deferred.defer_work(true);
    prepare(eager, SEED, a9());
    prepare(deferred, SEED, a9());
  }

  // What the window does: the owed work made on a copy on another thread, then taken back.
  static void run_on_thread(_stipple_document& doc) {
    const _document_work work = doc.take_work();
    std::unique_ptr<_stipple_document> copy = doc.worker_copy(work);
    _work_control control;
    bool complete = false;
    std::thread([&] { complete = copy->run_work(work, control); }).join();
    ASSERT_TRUE(complete);
    EXPECT_EQ(control.done(), _work_control::WHOLE);
    doc.adopt_work(std::move(*copy), work);
  }

  void expect_same_images() {
    EXPECT_FALSE(deferred.work_pending());
    EXPECT_EQ(deferred.settings(), eager.settings());
    EXPECT_TRUE(same_samples(deferred.original(), eager.original()));
    EXPECT_TRUE(same_samples(deferred.borders(), eager.borders()));
    EXPECT_TRUE(same_samples(deferred.halftone(), eager.halftone()));
    EXPECT_TRUE(same_samples(deferred.preview(), eager.preview()));
    EXPECT_TRUE(same_texels(deferred.colour_field(), eager.colour_field()));
    EXPECT_TRUE(same_texels(deferred.colour_stippled(), eager.colour_stippled()));
  }
};

const struct {
  const char* name;
  std::vector<_change> changes;
} BURSTS[] = {
    {"a new size, then dot parameters",
     {changed([](_document_settings& s) { s.output_size = size_a8; }),
      changed([](_document_settings& s) { s.stipple.displacement = 0.3f; }),
      changed([](_document_settings& s) { s.stipple.high_density_max = 9; })}},
    {"borders, colour stippling and an ink",
     {changed([](_document_settings& s) { s.borders_threshold = 3.0f; }),
      changed([](_document_settings& s) { s.colour_stippling = true; }),
      changed([](_document_settings& s) { s.ink = _pixel(0, 128, 255, 255); })}},
    {"an ink, then a new packing that keeps it",
     {changed([](_document_settings& s) { s.colour_stippling = true; }),
      changed([](_document_settings& s) { s.ink = _pixel(0, 200, 0, 255); }),
      changed([](_document_settings& s) { s.stipple.scale_factor = 2.5f; })}},
    {"tone matching, then dots that it is measured for",
     {changed([](_document_settings& s) { s.tone_match.matching = tone_matching_grey; }),
      changed([](_document_settings& s) { s.stipple.contrast_threshold = 90; }),
      changed([](_document_settings& s) { s.device = device_black_white; })}},
    {"a typed width, then new seeds",
     {changed([](_document_settings& s) { s.width = 354.0f; }),
      [](_stipple_document& d) { d.set_seed(SEED + 1); }}},
    {"relaxed placement, smaller dots and a new seed",
     {changed([](_document_settings& s) { s.stipple.placement = placement_relaxed; }),
      changed([](_document_settings& s) { s.stipple.low_density_min = 5; }),
      [](_stipple_document& d) { d.set_seed(SEED + 2); }}},
    {"a new packing of relaxed dots, colour-stippled",
     {changed([](_document_settings& s) { s.stipple.scale_factor = 3.0f; })}},
};

// A burst of changes costs one run, and every change's work is in it.
TEST_F(DeferredWork, ABurstRunsOnceForTheLastValues) {
  run_on_thread(deferred);
  for (const auto& burst : BURSTS) {
    SCOPED_TRACE(burst.name);
    for (const _change& change : burst.changes) {
      change(eager);
      change(deferred);
    }
    EXPECT_TRUE(deferred.work_pending());
    run_on_thread(deferred);
    expect_same_images();
  }
}

// A run superseded by a change stops unfinished; its work is owed again together with the
// change's, and the images on the front stay whole meanwhile. A run's progress counts the
// grid's work as well as the dots'.
TEST_F(DeferredWork, ASupersededRunIsOwedAgain) {
  run_on_thread(deferred);
  const _image before = deferred.preview();
  const _change a8 = changed([](_document_settings& s) { s.output_size = size_a8; });
  a8(eager);
  a8(deferred);
  const _document_work work = deferred.take_work();
  std::unique_ptr<_stipple_document> copy = deferred.worker_copy(work);
  _work_control control;
  control.cancel();
  EXPECT_FALSE(copy->run_work(work, control));
  // No cancel stops a grid half made: the run counted its share, and drew no dot.
  EXPECT_GT(control.done(), 0u);
  EXPECT_LT(control.done(), _work_control::WHOLE);
  const _change displacement =
      changed([](_document_settings& s) { s.stipple.displacement = 0.2f; });
  displacement(eager);
  displacement(deferred);
  deferred.put_back_work(work);
  EXPECT_TRUE(same_samples(deferred.preview(), before));
  run_on_thread(deferred);
  expect_same_images();
}

}  // namespace
}  // namespace stippon::testing
