// The batch and the desktop program make the same print: for the same file, choices and seed,
// stippon-batch writes the bytes the window's save writes.
#include "batch/batch_runner.h"
#include "controller_fixture.h"
#include "photo/photo_reader.h"

#include <set>

namespace stippon::testing {
namespace {

const std::string CHELSEA = STIPPON_DATA_DIR "/images/chelsea_gray.pgm";  // 451 x 300
const std::string CHELSEA_COLOUR = STIPPON_DATA_DIR "/images/chelsea.png";

class BatchEquivalence : public ControllerFixture {
 protected:
  // Opens a photograph on a sheet, as the window does once the size is chosen.
  void open_on_sheet(_output_size size, const std::string& photo = CHELSEA) {
    change([size](_document_settings& s) { s.output_size = size; });
    load(photo);
  }

  // "New dots distribution": the batch's --seed takes the seed the window drew from the clock.
  std::string new_dots() {
    controller.new_dots();
    return std::to_string(static_cast<uint32_t>(doc().pattern_seed()));
  }

  // Runs the batch on Chelsea and returns the bytes it wrote to `name`.
  std::string batch_output(const std::string& name, std::vector<std::string> arguments,
                           const std::string& photo = CHELSEA) {
    arguments.insert(arguments.begin(), {photo, scratch / name});
    arguments.insert(arguments.end(), {"--data", STIPPON_DATA_DIR});
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, 0) << result.err;
    return read_file(scratch / name);
  }

  // The print as the window's save writes it.
  std::string window_output(const std::string& name, _resolution_position resolution, int position,
                            bool toned) {
    EXPECT_TRUE(controller.write_print(scratch / name, resolution, position, toned, {}).written);
    return read_file(scratch / name);
  }
};

TEST_F(BatchEquivalence, StippledPrintsAt300600And1200ppi) {
  open_on_sheet(size_a8);
  const struct {
    const char* name;
    std::vector<std::string> options;                 // the batch's spelling of the choices
    std::function<void(_document_settings&)> choose;  // the same choices as the panels make them
  } prints[] = {
      {"defaults", {}, [](_document_settings&) {}},
      {"every stippling choice changed",
       {"--packing", "2.5", "--randomness", "0.5", "--merging", "minimum", "--distribution",
        "normal", "--mode", "bw", "--black-level", "100", "--density-low", "5-7"},
       [](_document_settings& s) {
         s.stipple.scale_factor = packing_to_scale(25 / 10.0f);  // the sliders at 25 and 16
         s.stipple.displacement = 16 / 32.0f;
         s.stipple.merging_function = merging_minimum;
         s.stipple.random_distribution = distribution_normal;
         s.device = device_black_white;
         s.stipple.black_level = 100;
         s.stipple.low_density_min = 5;
         s.stipple.low_density_max = 7;
       }},
      // On top of the choices above, which the window keeps.
      {"tone matching with levels",
       {"--tone-match", "grey", "--gamma", "1.4"},
       [](_document_settings& s) {
         s.tone_match.matching = tone_matching_grey;
         s.tone_match.levels = _levels(0.0f, 255.0f, 1.4f);
       }},
      {"relaxed placement",
       {"--placement", "relaxed"},
       [](_document_settings& s) { s.stipple.placement = placement_relaxed; }},
  };
  const std::pair<_resolution_position, const char*> resolutions[] = {
      {resolution_300, "300"}, {resolution_600, "600"}, {resolution_1200, "1200"}};
  std::vector<std::string> options;  // the choices so far
  for (const auto& print : prints) {
    SCOPED_TRACE(print.name);
    edit(print.name, print.choose);
    options.insert(options.end(), print.options.begin(), print.options.end());
    const std::string seed = new_dots();
    for (const auto& [position, ppi] : resolutions) {
      SCOPED_TRACE(ppi);
      std::vector<std::string> arguments = {"--size", "A8", "--ppi", ppi, "--seed", seed};
      arguments.insert(arguments.end(), options.begin(), options.end());
      EXPECT_TRUE(batch_output("batch.pgm", arguments) ==
                  window_output("window.pgm", position, list_stippling, false))
          << "the two prints differ";
    }
  }
}

// The PNG pictures: the toned print and the colour-stippled one.
TEST_F(BatchEquivalence, ColourStipplingAndTonedPicture) {
  open_on_sheet(size_a9);
  edit("Borders", [](_document_settings& s) { s.borders_threshold = 30 / 10.0f; });
  edit("Threshold", [](_document_settings& s) { s.stipple.contrast_threshold = 90; });
  edit("High Density Min", [](_document_settings& s) { s.stipple.high_density_min = 5; });
  edit("High Density Max", [](_document_settings& s) { s.stipple.high_density_max = 6; });
  edit("Colour Stippling", [](_document_settings& s) { s.colour_stippling = true; });
  edit("Ink", [](_document_settings& s) { s.ink = _pixel(0, 128, 255, 255); });
  edit("Colours", [](_document_settings& s) { s.device = device_color_tones; });
  edit("Tone", [](_document_settings& s) { s.tone = 6; });  // "Platinum Palladium"
  std::vector<std::string> options({"--size", "A9", "--mode", "tones", "--tone",
                                    "platinum_palladium", "--borders-threshold", "3",
                                    "--contrast-threshold", "90", "--density-high", "5-6",
                                    "--color", "0,128,255", "--seed", new_dots()});
  EXPECT_TRUE(batch_output("batch.png", options) ==
              window_output("window.png", resolution_300, list_stippling, true));
  // The picture on screen is the one saved.
  _texture saved;
  ASSERT_TRUE(_photo_reader().read_colour(scratch / "window.png", saved));
  EXPECT_TRUE(same_texels(saved, picture));
  options.insert(options.end(), {"--image", "color-stippling"});
  EXPECT_TRUE(batch_output("batch.png", options) ==
              window_output("window.png", resolution_300, list_color_stippling, false));
}

// Dots in the photograph's colours, at 300 and 600 ppi: the same bytes, and many colours.
TEST_F(BatchEquivalence, DotsInThePhotographsColours) {
  open_on_sheet(size_a9, CHELSEA_COLOUR);
  edit("Colour Stippling", [](_document_settings& s) { s.colour_stippling = true; });
  edit("Color Source", [](_document_settings& s) { s.colour_source = colour_photo; });
  const std::string seed = new_dots();
  for (const auto& [position, ppi] :
       {std::pair{resolution_300, "300"}, std::pair{resolution_600, "600"}}) {
    SCOPED_TRACE(ppi);
    const std::vector<std::string> options = {
        "--size",          "A9",    "--color", "photo",  "--image",
        "color-stippling", "--ppi", ppi,       "--seed", seed};
    EXPECT_TRUE(batch_output("batch.png", options, CHELSEA_COLOUR) ==
                window_output("window.png", position, list_color_stippling, false));
  }
  _texture saved;
  ASSERT_TRUE(_photo_reader().read_colour(scratch / "window.png", saved));
  std::set<uint32_t> colours;
  for (const _pixel& p : saved.texels) colours.insert(uint32_t(p.r) << 16 | p.g << 8 | p.b);
  EXPECT_GT(colours.size(), 1000u);
}

// "CMYK inks" in the window is --inks cmyk: the same inks in a TIFF, the same colour in a PNG,
// which is the picture on screen.
TEST_F(BatchEquivalence, CmykInks) {
  const std::string photo = STIPPON_TEST_DATA_DIR "/photos/jpeg_baseline.jpg";  // 40 x 24, colour
  open_on_sheet(size_a9, photo);
  edit("Colours", [](_document_settings& s) { s.inks = inks_cmyk; });
  std::vector<std::string> options = {"--size", "A9",       "--inks", "cmyk",
                                      "--seed", new_dots(), "--ppi",  "600"};
  EXPECT_TRUE(batch_output("batch.tif", options, photo) ==
              window_output("window.tif", resolution_600, list_stippling, false));
  options.back() = "300";
  EXPECT_TRUE(batch_output("batch.png", options, photo) ==
              window_output("window.png", resolution_300, list_stippling, false));
  _texture saved;
  ASSERT_TRUE(_photo_reader().read_colour(scratch / "window.png", saved));
  EXPECT_TRUE(same_texels(saved, picture));
  // Relaxed, the window's inks keep the places its picture was drawn at; the batch makes them for
  // the print.
  edit("Placement", [](_document_settings& s) { s.stipple.placement = placement_relaxed; });
  options.insert(options.end(), {"--placement", "relaxed"});
  EXPECT_TRUE(batch_output("batch.tif", options, photo) ==
              window_output("window.tif", resolution_300, list_stippling, false));
}

}  // namespace
}  // namespace stippon::testing
