// The batch and the desktop controller make the same print: for the same file, choices and seed,
// stippon-batch writes the bytes the save command writes.
#include <QColor>
#include <functional>

#include "batch/batch_runner.h"
#include "controller_fixture.h"
#include "image/file_png.h"

namespace stippon::testing {
namespace {

const std::string CHELSEA = STIPPON_DATA_DIR "/images/chelsea_gray.pgm";  // 451 x 300
const uint32_t SEED = 1234567;

// A controller as the window leaves it after opening Chelsea with the size already on the sheet
// and making the choices, then "New dots distribution" with a chosen seed instead of the clock's.
std::unique_ptr<_gl_widget> open_in_controller(_output_size size,
                                               const std::function<void(_gl_widget&)>& choose) {
  auto widget = std::make_unique<_gl_widget>(nullptr, nullptr);
  widget->show_message = [](QMessageBox::Icon, const QString&, const QString&) {};
  widget->read_dots();
  widget->read_tones();
  widget->output_size = size;
  EXPECT_TRUE(widget->read_image(CHELSEA));
  widget->set_size(size);
  if (choose) choose(*widget);
  // The colour dots continue the random sequence of the grey ones, so both are made afresh.
  for (_uniform_random& generator : widget->stippling_image.random_generators)
    generator.seed = SEED;
  widget->refresh();
  return widget;
}

// Runs the batch on Chelsea with the seed and returns the bytes it wrote to `name`.
std::string batch_output(const _scratch& scratch, const std::string& name,
                         std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {CHELSEA, scratch / name});
  arguments.insert(arguments.end(), {"--seed", std::to_string(SEED), "--data", STIPPON_DATA_DIR});
  const _batch_result result = run_batch(arguments, scratch);
  EXPECT_EQ(result.status, 0) << result.err;
  return read_file(scratch / name);
}

std::string pgm_bytes(const _scratch& scratch, _image& image) {
  EXPECT_EQ(_file_pgm().write(scratch / "desktop.pgm", image), 1);
  return read_file(scratch / "desktop.pgm");
}

TEST(BatchEquivalence, StippledPrintsAt300600And1200ppi) {
  _scratch scratch;
  const struct {
    const char* name;
    std::vector<std::string> options;         // the batch's spelling of the choices
    std::function<void(_gl_widget&)> choose;  // the same choices made in the panels
  } prints[] = {
      {"defaults", {}, {}},
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
  };
  const struct {
    _resolution_position position;
    const char* ppi;
  } resolutions[] = {{resolution_300, "300"}, {resolution_600, "600"}, {resolution_1200, "1200"}};
  for (const auto& print : prints) {
    SCOPED_TRACE(print.name);
    std::unique_ptr<_gl_widget> widget = open_in_controller(size_a8, print.choose);
    for (const auto& resolution : resolutions) {
      SCOPED_TRACE(resolution.ppi);
      _image* image = widget->selected_image(resolution.position);
      ASSERT_NE(image, nullptr);
      const std::string desktop = pgm_bytes(scratch, *image);
      widget->release_image(resolution.position);
      std::vector<std::string> arguments = {"--size", "A8", "--ppi", resolution.ppi};
      arguments.insert(arguments.end(), print.options.begin(), print.options.end());
      EXPECT_TRUE(batch_output(scratch, "batch.pgm", arguments) == desktop)
          << "the two prints differ";
    }
  }
}

// The PNG pictures: colour stippling and a toned print.
TEST(BatchEquivalence, ColourPictures) {
  _scratch scratch;
  const struct {
    const char* name;
    std::vector<std::string> options;
    std::function<void(_gl_widget&)> choose;
    _texture _gl_widget::*picture;
  } pictures[] = {
      {"colour stippling",
       {"--size", "A9", "--image", "color-stippling", "--borders-threshold", "3",
        "--contrast-threshold", "90", "--density-high", "5-6", "--color", "0,128,255"},
       [](_gl_widget& w) {
         // Only this picture's borders follow the slider; the batch computes them so at once.
         w.set_borders_threshold(30);
         w.set_contrast_threshold(90);
         w.set_contrast_high_density_min(5);
         w.set_contrast_high_density_max(6);
         w.active_color_stippling(0);
         w.set_color_image(QColor(0, 128, 255));
       },
       &_gl_widget::color_stippling},
      {"platinum palladium tone",
       {"--size", "A9", "--mode", "tones", "--tone", "platinum_palladium"},
       [](_gl_widget& w) {
         w.set_device(device_color_tones);
         w.set_stippling_tone(6);
       },
       &_gl_widget::display_texture},  // what the save command writes at 300 ppi
  };
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.name);
    std::unique_ptr<_gl_widget> widget = open_in_controller(size_a9, picture.choose);
    batch_output(scratch, "batch.png", picture.options);
    _texture batch;
    ASSERT_EQ(_file_png().read(scratch / "batch.png", batch), 1);
    EXPECT_TRUE(same_texels(batch, (*widget).*picture.picture)) << "the two pictures differ";
  }
}

}  // namespace
}  // namespace stippon::testing
