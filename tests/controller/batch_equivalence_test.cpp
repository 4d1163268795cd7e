// The batch and the desktop controller make the same print: for the same file, choices and seed,
// stippon-batch writes the bytes the save command writes.
#include <QColor>
#include <functional>

#include "batch/batch_runner.h"
#include "photo/photo_reader.h"
#include "window_fixture.h"

namespace stippon::testing {
namespace {

const std::string CHELSEA = STIPPON_DATA_DIR "/images/chelsea_gray.pgm";  // 451 x 300
const uint32_t SEED = 1234567;

class BatchEquivalence : public WindowFixture {
 protected:
  _scratch scratch;

  // Opens Chelsea with the size already on the sheet, as the window leaves it.
  void open_chelsea(_output_size size) {
    change([size](_document_settings& s) { s.output_size = size; });
    ASSERT_TRUE(gl->read_image(CHELSEA));
    gl->set_size(size);
  }

  // "New dots distribution" with a chosen seed instead of the clock's. The colour dots continue
  // the random sequence of the grey ones, so both are made afresh.
  void seed() {
    doc().set_seed(SEED);
    gl->refresh();
  }

  // Runs the batch on Chelsea with the seed and returns the bytes it wrote to `name`.
  std::string batch_output(const std::string& name, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {CHELSEA, scratch / name});
    arguments.insert(arguments.end(), {"--seed", std::to_string(SEED), "--data", STIPPON_DATA_DIR});
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, 0) << result.err;
    return read_file(scratch / name);
  }

  void expect_same_png(const std::vector<std::string>& arguments, const _texture& desktop) {
    batch_output("batch.png", arguments);
    _texture batch;
    ASSERT_TRUE(_photo_reader().read_colour(scratch / "batch.png", batch));
    EXPECT_TRUE(same_texels(batch, desktop)) << "the two pictures differ";
  }
};

TEST_F(BatchEquivalence, StippledPrintsAt300600And1200ppi) {
  open_chelsea(size_a8);
  const struct {
    const char* name;
    std::vector<std::string> options;         // the batch's spelling of the choices
    std::function<void(_gl_widget&)> choose;  // the same choices made in the panels
  } prints[] = {
      {"defaults", {}, [](_gl_widget&) {}},
      {"every stippling choice changed",
       {"--packing", "2.5", "--randomness", "0.5", "--merging", "minimum", "--distribution",
        "normal", "--mode", "bw", "--black-level", "100", "--density-low", "5-7"},
       [](_gl_widget& widget) {
         widget.set_scale_factor(6.0f / (25 / 10.0f));  // the panel's slider positions 25, 16
         widget.set_displacement(16 * 0.03125f);
         widget.set_merging_function(merging_minimum);
         widget.set_random_distribution(distribution_normal);
         widget.set_device(device_black_white);
         widget.set_black_level(100);
         widget.set_contrast_low_density_min(5);
         widget.set_contrast_low_density_max(7);
       }},
      // On top of the choices above, which the window keeps.
      {"tone matching with levels",
       {"--packing", "2.5", "--randomness", "0.5", "--merging", "minimum", "--distribution",
        "normal", "--mode", "bw", "--black-level", "100", "--density-low", "5-7", "--tone-match",
        "grey", "--gamma", "1.4"},
       [](_gl_widget& widget) {
         _tone_settings tones;
         tones.matching = tone_matching_grey;
         tones.levels = _levels(0.0f, 255.0f, 1.4f);
         widget.set_tone_match(tones);
       }},
  };
  const std::pair<_resolution_position, const char*> resolutions[] = {
      {resolution_300, "300"}, {resolution_600, "600"}, {resolution_1200, "1200"}};
  for (const auto& print : prints) {
    SCOPED_TRACE(print.name);
    print.choose(*gl);
    seed();
    for (const auto& [position, ppi] : resolutions) {
      SCOPED_TRACE(ppi);
      // As the window's save writes it.
      ASSERT_TRUE(
          doc().write_print(scratch / "desktop.pgm", position, list_stippling, false).written);
      std::vector<std::string> arguments = {"--size", "A8", "--ppi", ppi};
      arguments.insert(arguments.end(), print.options.begin(), print.options.end());
      EXPECT_TRUE(batch_output("batch.pgm", arguments) == read_file(scratch / "desktop.pgm"))
          << "the two prints differ";
    }
  }
}

// The PNG pictures: the colour-stippled one and the toned print.
TEST_F(BatchEquivalence, ColourStipplingAndTonedPicture) {
  open_chelsea(size_a9);
  // Only this picture's borders follow the slider; the batch computes them so at once.
  gl->set_borders_threshold(30);
  gl->set_contrast_threshold(90);
  gl->set_contrast_high_density_min(5);
  gl->set_contrast_high_density_max(6);
  gl->active_color_stippling(0);
  gl->set_color_image(QColor(0, 128, 255));
  gl->set_device(device_color_tones);
  gl->set_stippling_tone(6);  // "Platinum Palladium"
  seed();
  std::vector<std::string> options(
      {"--size", "A9", "--mode", "tones", "--tone", "platinum_palladium", "--borders-threshold",
       "3", "--contrast-threshold", "90", "--density-high", "5-6", "--color", "0,128,255"});
  gl->finish_work();
  expect_same_png(options, gl->display_texture());
  options.insert(options.end(), {"--image", "color-stippling"});
  expect_same_png(options, doc().colour_stippled());
}

}  // namespace
}  // namespace stippon::testing
