// Deferred work: changes recorded while a front end stays responsive, then made once on a copy
// on another thread, must give the very images the same changes give one at a time.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "document/stipple_document.h"
#include "document/test_pictures.h"

namespace stippon::testing {
namespace {

constexpr uint32_t SEED = 1234;

using _change = std::function<void(_stipple_document&)>;

// A change of settings as a front end hands it over: the whole value, edited.
_change edit(std::function<void(_document_settings&)> change) {
  return [change](_stipple_document& doc) {
    _document_settings settings = doc.settings();
    change(settings);
    doc.apply(settings);
  };
}

class DeferredWork : public ::testing::Test {
 protected:
  _stipple_document eager, deferred;

  void SetUp() override {
    for (_stipple_document* doc : {&eager, &deferred}) {
      ASSERT_TRUE(doc->load_dots(STIPPON_DATA_DIR));
      _document_settings settings;
      settings.output_size = size_a9;
      doc->apply(settings);
    }
    deferred.defer_work(true);
    for (_stipple_document* doc : {&eager, &deferred}) {
      ASSERT_TRUE(doc->read(STIPPON_DATA_DIR "/images/camera.pgm"));
      doc->set_seed(SEED);
    }
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
     {edit([](_document_settings& s) { s.output_size = size_a8; }),
      edit([](_document_settings& s) { s.stipple.displacement = 0.3f; }),
      edit([](_document_settings& s) { s.stipple.high_density_max = 9; })}},
    {"borders, colour stippling and an ink",
     {edit([](_document_settings& s) { s.borders_threshold = 3.0f; }),
      edit([](_document_settings& s) { s.colour_stippling = true; }),
      edit([](_document_settings& s) { s.ink = _pixel(0, 128, 255, 255); })}},
    {"an ink, then a new packing that keeps it",
     {edit([](_document_settings& s) { s.colour_stippling = true; }),
      edit([](_document_settings& s) { s.ink = _pixel(0, 200, 0, 255); }),
      edit([](_document_settings& s) { s.stipple.scale_factor = 2.5f; })}},
    {"tone matching, then dots that it is measured for",
     {edit([](_document_settings& s) { s.tone_match.matching = tone_matching_grey; }),
      edit([](_document_settings& s) { s.stipple.contrast_threshold = 90; }),
      edit([](_document_settings& s) { s.device = device_black_white; })}},
    {"a typed width, then new seeds",
     {edit([](_document_settings& s) { s.width = 354.0f; }),
      [](_stipple_document& d) { d.set_seed(SEED + 1); }}},
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
  const _change a8 = edit([](_document_settings& s) { s.output_size = size_a8; });
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
  const _change displacement = edit([](_document_settings& s) { s.stipple.displacement = 0.2f; });
  displacement(eager);
  displacement(deferred);
  deferred.put_back_work(work);
  EXPECT_TRUE(same_samples(deferred.preview(), before));
  run_on_thread(deferred);
  expect_same_images();
}

}  // namespace
}  // namespace stippon::testing
