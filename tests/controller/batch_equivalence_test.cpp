// The batch and the desktop controller make the same print: for the same file, choices and seed,
// stippon-batch writes the bytes the save command writes at 300, 600 and 1200 ppi.
#include <gtest/gtest.h>

#include <QColor>
#include <functional>
#include <memory>

#include "batch/batch_runner.h"
#include "controller/gl_widget.h"
#include "image/file_pgm.h"
#include "image/file_png.h"

namespace stippon::testing {
namespace {

const std::string CHELSEA = STIPPON_DATA_DIR "/images/chelsea_gray.pgm";  // 451 x 300
const uint32_t SEED = 1234567;

struct _resolution {
  _resolution_position position;
  const char* ppi;
};
const _resolution PPI_300 = {resolution_300, "300"};
const _resolution PPI_600 = {resolution_600, "600"};
const _resolution PPI_1200 = {resolution_1200, "1200"};

// A controller as the window leaves it after opening a file with the size already on the sheet,
// its message boxes silenced.
std::unique_ptr<_gl_widget> open_in_controller(const std::string& input, _output_size size) {
  auto widget = std::make_unique<_gl_widget>(nullptr, nullptr);
  widget->show_message = [](QMessageBox::Icon, const QString&, const QString&) {};
  widget->read_dots();
  widget->read_tones();
  widget->output_size = size;
  EXPECT_TRUE(widget->read_image(input));
  // As the panel does when the sheet is picked: a portrait input gets the short side.
  widget->set_size(size);
  return widget;
}

// "New dots distribution" with a chosen seed instead of the clock's.
void seed_controller(_gl_widget& widget) {
  for (_uniform_random& generator : widget.stippling_image.random_generators) generator.seed = SEED;
  widget.refresh();
}

std::string run_batch_to(const _scratch& scratch, const std::string& output,
                         std::vector<std::string> arguments) {
  arguments.insert(arguments.end(), {"--seed", std::to_string(SEED), "--data", STIPPON_DATA_DIR});
  const _batch_result result = run_batch(arguments, scratch);
  EXPECT_EQ(result.status, 0) << result.err;
  return read_file(output);
}

std::string desktop_pgm(const _scratch& scratch, _image& image) {
  const std::string name = scratch / "desktop.pgm";
  EXPECT_EQ(_file_pgm().write(name, image), 1);
  return read_file(name);
}

struct _equivalence_case {
  const char* name;
  std::string input;
  _output_size size;
  std::vector<std::string> options;         // the batch's spelling of the choices
  std::function<void(_gl_widget&)> choose;  // the same choices made in the panels
  std::vector<_resolution> resolutions;
};

void expect_same_prints(const _equivalence_case& print, const _scratch& scratch) {
  SCOPED_TRACE(print.name);
  std::unique_ptr<_gl_widget> widget = open_in_controller(print.input, print.size);
  print.choose(*widget);
  seed_controller(*widget);
  for (const _resolution& resolution : print.resolutions) {
    SCOPED_TRACE(resolution.ppi);
    _image* image = widget->selected_image(resolution.position);
    ASSERT_NE(image, nullptr);
    const std::string desktop = desktop_pgm(scratch, *image);
    widget->release_image(resolution.position);

    std::vector<std::string> arguments = {print.input, scratch / "batch.pgm", "--ppi",
                                          resolution.ppi};
    arguments.insert(arguments.end(), print.options.begin(), print.options.end());
    const std::string batch = run_batch_to(scratch, scratch / "batch.pgm", arguments);
    EXPECT_EQ(batch.size(), desktop.size());
    EXPECT_TRUE(batch == desktop) << "the two prints differ";
  }
}

// Chelsea turned on its side, 300 x 451.
std::string portrait_input(const _scratch& scratch) {
  _image landscape;
  EXPECT_EQ(_file_pgm().read(CHELSEA, landscape, 16384), 1);
  _image portrait;
  portrait.dimensions(landscape.width, landscape.height);
  portrait.create(true);
  for (unsigned r = 0; r < portrait.height; ++r)
    for (unsigned c = 0; c < portrait.width; ++c) portrait.put(r, c, landscape.get(c, r));
  const std::string name = scratch / "portrait.pgm";
  EXPECT_EQ(_file_pgm().write(name, portrait), 1);
  return name;
}

TEST(BatchEquivalence, StippledPrintsAtEveryResolution) {
  _scratch scratch;
  const std::string portrait = portrait_input(scratch);
  const _equivalence_case cases[] = {
      {"defaults on A8",
       CHELSEA,
       size_a8,
       {"--size", "A8"},
       [](_gl_widget&) {},
       {PPI_300, PPI_600, PPI_1200}},
      {"portrait on A8",
       portrait,
       size_a8,
       {"--size", "A8"},
       [](_gl_widget&) {},
       {PPI_300, PPI_600}},
      {"packing, randomness, merging, distribution",
       CHELSEA,
       size_a8,
       {"--size", "A8", "--packing", "2.5", "--randomness", "0.5", "--merging", "minimum",
        "--distribution", "normal"},
       [](_gl_widget& widget) {
         // The panel's slider positions 25 and 16.
         widget.set_scale_factor(6.0f / (25 / 10.0f));
         widget.set_displacement(16 * 0.03125f);
         widget.set_merging_function(merging_minimum);
         widget.set_random_distribution(distribution_normal);
       },
       {PPI_300, PPI_600}},
      {"black and white with smaller dots",
       CHELSEA,
       size_a8,
       {"--size", "A8", "--mode", "bw", "--black-level", "100", "--density-low", "5-7"},
       [](_gl_widget& widget) {
         widget.set_device(device_black_white);
         widget.set_black_level(100);
         widget.set_contrast_low_density_min(5);
         widget.set_contrast_low_density_max(7);
       },
       {PPI_300, PPI_600}},
      {"custom width in millimetres",
       CHELSEA,
       size_a9,
       {"--width", "60mm"},
       [](_gl_widget& widget) {
         widget.set_size(size_custom);
         widget.set_units(units_millimeters);
         widget.set_width(60.0f);
       },
       {PPI_300, PPI_600}},
      {"custom height in inches",
       CHELSEA,
       size_a9,
       {"--height", "1.5in"},
       [](_gl_widget& widget) {
         widget.set_size(size_custom);
         widget.set_units(units_inches);
         widget.set_height(1.5f);
       },
       {PPI_300}},
  };
  for (const _equivalence_case& print : cases) expect_same_prints(print, scratch);
}

TEST(BatchEquivalence, ImagesOfThePipeline) {
  _scratch scratch;
  std::unique_ptr<_gl_widget> widget = open_in_controller(CHELSEA, size_a9);
  // Only this picture's borders follow the slider; the batch computes them so from the start.
  widget->set_borders_threshold(30);
  const struct {
    const char* image;
    _image* desktop;
  } images[] = {{"original", &widget->original_image},
                {"borders", &widget->borders_image},
                {"halftoning", &widget->halftoning_image}};
  for (const auto& kind : images) {
    SCOPED_TRACE(kind.image);
    const std::string desktop = desktop_pgm(scratch, *kind.desktop);
    const std::string batch = run_batch_to(scratch, scratch / "batch.pgm",
                                           {CHELSEA, scratch / "batch.pgm", "--size", "A9",
                                            "--image", kind.image, "--borders-threshold", "3"});
    EXPECT_TRUE(batch == desktop) << "the two images differ";
  }
}

TEST(BatchEquivalence, ColourStippling) {
  _scratch scratch;
  std::unique_ptr<_gl_widget> widget = open_in_controller(CHELSEA, size_a9);
  widget->set_borders_threshold(30);
  widget->set_contrast_threshold(90);
  widget->set_contrast_high_density_min(5);
  widget->set_contrast_high_density_max(6);
  widget->active_color_stippling(0);
  widget->set_color_image(QColor(0, 128, 255));
  // The colour dots continue the random sequence of the grey ones, so both are made afresh.
  seed_controller(*widget);

  run_batch_to(scratch, scratch / "batch.png",
               {CHELSEA, scratch / "batch.png", "--size", "A9", "--image", "color-stippling",
                "--borders-threshold", "3", "--contrast-threshold", "90", "--density-high", "5-6",
                "--color", "0,128,255"});
  _texture batch;
  ASSERT_EQ(_file_png().read(scratch / "batch.png", batch), 1);
  EXPECT_EQ(batch.width, widget->color_stippling.width);
  EXPECT_EQ(batch.height, widget->color_stippling.height);
  EXPECT_TRUE(batch.texels == widget->color_stippling.texels) << "the two pictures differ";
}

TEST(BatchEquivalence, TonedPicture) {
  _scratch scratch;
  std::unique_ptr<_gl_widget> widget = open_in_controller(CHELSEA, size_a9);
  widget->set_device(device_color_tones);
  widget->set_stippling_tone(6);  // "Platinum Palladium"
  seed_controller(*widget);

  run_batch_to(scratch, scratch / "batch.png",
               {CHELSEA, scratch / "batch.png", "--size", "A9", "--mode", "tones", "--tone",
                "platinum_palladium"});
  _texture batch;
  ASSERT_EQ(_file_png().read(scratch / "batch.png", batch), 1);
  _texture* desktop = widget->texture(resolution_300);
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(batch.width, desktop->width);
  EXPECT_EQ(batch.height, desktop->height);
  EXPECT_TRUE(batch.texels == desktop->texels) << "the two pictures differ";
}

}  // namespace
}  // namespace stippon::testing
