// Deferred work: changes recorded while a front end stays responsive, then made once on a copy
// on another thread, must give the very images the same changes give one at a time.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "document/stipple_document.h"

namespace stippon::testing {
namespace {

constexpr uint32_t SEED = 1234;

using _change = std::function<void(_stipple_document&)>;

bool same_samples(const _image& a, const _image& b) {
  return a.width == b.width && a.height == b.height && a.samples == b.samples;
}

bool same_texels(const _texture& a, const _texture& b) {
  return a.width == b.width && a.height == b.height && a.texels == b.texels;
}

class DeferredWork : public ::testing::Test {
 protected:
  _stipple_document eager, deferred;

  void SetUp() override {
    for (_stipple_document* doc : {&eager, &deferred}) {
      ASSERT_TRUE(doc->load_dots(STIPPON_DATA_DIR));
      _document_settings settings;
      settings.output_size = size_a9;
      doc->set_settings(settings);
    }
    deferred.defer_work(true);
    for (_stipple_document* doc : {&eager, &deferred}) {
      ASSERT_TRUE(doc->read(STIPPON_DATA_DIR "/images/camera.pgm"));
      doc->set_seed(SEED);
      doc->refresh();
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
    doc.adopt_work(std::move(*copy), work);
  }

  void expect_same_images() {
    EXPECT_FALSE(deferred.work_pending());
    EXPECT_EQ(deferred.settings(), eager.settings());
    EXPECT_EQ(deferred.output_width(), eager.output_width());
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
     {[](_stipple_document& d) { d.set_size(size_a8); },
      [](_stipple_document& d) { d.set_displacement(0.3f); },
      [](_stipple_document& d) { d.set_dot_size(dot_high_density_max, 9); }}},
    {"borders, colour stippling and an ink",
     {[](_stipple_document& d) { d.set_borders_slider(30); },
      [](_stipple_document& d) { d.set_colour_stippling(true); },
      [](_stipple_document& d) { d.set_ink(_pixel(0, 128, 255, 255)); }}},
    {"an ink, then a new packing that starts over in the default ink",
     {[](_stipple_document& d) { d.set_colour_stippling(true); },
      [](_stipple_document& d) { d.set_ink(_pixel(0, 200, 0, 255)); },
      [](_stipple_document& d) { d.set_scale_factor(2.5f); }}},
    {"tone matching, then dots that it is measured for",
     {[](_stipple_document& d) {
        _tone_settings tones;
        tones.matching = tone_matching_grey;
        d.set_tone_match(tones);
      },
      [](_stipple_document& d) { d.set_contrast_threshold(90); },
      [](_stipple_document& d) { d.set_black_white(true); }}},
    {"a typed width, then new seeds",
     {[](_stipple_document& d) { d.set_width(30.0f); },
      [](_stipple_document& d) {
        d.set_seed(SEED + 1);
        d.refresh();
      }}},
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
// change's, and the images on the front stay whole meanwhile.
TEST_F(DeferredWork, ASupersededRunIsOwedAgain) {
  run_on_thread(deferred);
  const _image before = deferred.preview();
  eager.set_size(size_a8);
  deferred.set_size(size_a8);
  const _document_work work = deferred.take_work();
  std::unique_ptr<_stipple_document> copy = deferred.worker_copy(work);
  _work_control control;
  control.cancel();
  EXPECT_FALSE(copy->run_work(work, control));
  eager.set_displacement(0.2f);
  deferred.set_displacement(0.2f);
  deferred.put_back_work(work);
  EXPECT_TRUE(same_samples(deferred.preview(), before));
  run_on_thread(deferred);
  expect_same_images();
}

// A cancelled change goes back to the settings and width of the images that exist.
TEST_F(DeferredWork, DroppedWorkKeepsTheImages) {
  run_on_thread(deferred);
  const _document_settings settings = deferred.settings();
  const float width = deferred.output_width();
  const _preview_size size = deferred.planned_preview();
  deferred.set_size(size_a7);
  EXPECT_GT(deferred.planned_preview().width, size.width);
  deferred.drop_work(settings, width);
  EXPECT_FALSE(deferred.work_pending());
  EXPECT_EQ(deferred.planned_preview().width, size.width);
  expect_same_images();
}

}  // namespace
}  // namespace stippon::testing
