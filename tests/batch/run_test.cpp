// Runs of stippon-batch that succeed or fail on files: sizes, seeds, the kinds of output, and
// what is left on disk after a failure.
#include <gtest/gtest.h>

#include <algorithm>

#include "batch_runner.h"
#include "image/file_pgm.h"
#include "image/file_png.h"
#include "image/image.h"
#include "image/texture.h"

namespace stippon::testing {
namespace {

const std::string DATA = STIPPON_DATA_DIR;
const std::string CAMERA = DATA + "/images/camera.pgm";         // 512 x 512
const std::string CHELSEA = DATA + "/images/chelsea_gray.pgm";  // 451 x 300

_image read_pgm(const std::string& name) {
  _image image;
  EXPECT_EQ(_file_pgm().read(name, image, 1 << 16), 1) << name;
  return image;
}

_texture read_png(const std::string& name) {
  _texture texture;
  EXPECT_EQ(_file_png().read(name, texture), 1) << name;
  return texture;
}

// The pixels per metre of the pHYs chunk, 0 without one.
unsigned png_pixels_per_metre(const std::string& name) {
  const std::string bytes = read_file(name);
  const size_t chunk = bytes.find("pHYs");
  if (chunk == std::string::npos || chunk + 13 > bytes.size()) return 0;
  unsigned value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[chunk + 4 + i]);
  return value;
}

_batch_result run_ok(const std::vector<std::string>& arguments, const _scratch& scratch) {
  _batch_result result = run_batch(arguments, scratch);
  EXPECT_EQ(result.status, 0) << result.err;
  return result;
}

TEST(BatchRun, OutputSizes) {
  _scratch scratch;
  // Portrait: a sheet gives its short side as the width.
  write_file(scratch / "portrait.pgm", "P5\n40 60\n255\n" + std::string(2400, '\x60'));
  const struct {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    unsigned width, height;
  } cases[] = {
      {"square is landscape", CAMERA, {"--size", "A9"}, 620, 620},
      {"landscape sheet", CHELSEA, {"--size=A9"}, 620, 412},
      {"portrait sheet", scratch / "portrait.pgm", {"--size", "A10"}, 310, 465},
      {"optimal", CHELSEA, {"--size", "optimal"}, 1353, 900},
      {"width in millimetres", CAMERA, {"--width", "50mm"}, 590, 590},
      {"width in inches", CAMERA, {"--width=2in"}, 600, 600},
      {"height in pixels", CHELSEA, {"--height", "300px"}, 451, 300},
      {"height in millimetres", CHELSEA, {"--height", "30mm"}, 532, 354},
      {"600 ppi", CAMERA, {"--size", "A10", "--ppi", "600"}, 876, 876},
      {"1200 ppi", CAMERA, {"--size", "A10", "--ppi", "1200"}, 1752, 1752},
  };
  for (const auto& size : cases) {
    SCOPED_TRACE(size.name);
    std::vector<std::string> arguments = {size.input, scratch / "out.pgm", "--seed", "1"};
    arguments.insert(arguments.end(), size.options.begin(), size.options.end());
    run_ok(arguments, scratch);
    const _image output = read_pgm(scratch / "out.pgm");
    EXPECT_EQ(output.width, size.width);
    EXPECT_EQ(output.height, size.height);
  }
}

TEST(BatchRun, SeedFixesThePattern) {
  _scratch scratch;
  auto run = [&](const std::string& output, std::vector<std::string> options) {
    std::vector<std::string> arguments = {CHELSEA, scratch / output, "--size", "A10"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    run_ok(arguments, scratch);
    return read_file(scratch / output);
  };
  const std::string first = run("a.pgm", {"--seed", "7"});
  EXPECT_EQ(run("b.pgm", {"--seed=7"}), first);
  EXPECT_NE(run("c.pgm", {"--seed", "8"}), first);

  // Without --seed the clock gives one; --verbose prints it and --seed repeats the pattern.
  const _batch_result clocked =
      run_ok({CHELSEA, scratch / "d.pgm", "--size", "A10", "--verbose"}, scratch);
  const std::string marker = "seed ";
  const size_t at = clocked.err.find(marker);
  ASSERT_NE(at, std::string::npos) << clocked.err;
  const size_t end = clocked.err.find(" (from the clock)", at);
  ASSERT_NE(end, std::string::npos) << clocked.err;
  const std::string seed = clocked.err.substr(at + marker.size(), end - at - marker.size());
  EXPECT_EQ(run("e.pgm", {"--seed", seed}), read_file(scratch / "d.pgm"));
}

TEST(BatchRun, UnresampledOriginalIsTheInput) {
  // 512 pixels x scale factor 3 = 1536: every input pixel is one halftone cell, no resampling.
  _scratch scratch;
  run_ok({CAMERA, scratch / "original.pgm", "--width", "1536px", "--image", "original"}, scratch);
  const _image input = read_pgm(CAMERA);
  const _image original = read_pgm(scratch / "original.pgm");
  EXPECT_EQ(original.width, input.width);
  EXPECT_EQ(original.height, input.height);
  EXPECT_TRUE(original.samples == input.samples);
}

TEST(BatchRun, GreyImagesOfThePipeline) {
  _scratch scratch;
  const struct {
    const char* image;
    unsigned width, height;  // the halftone grid: 620 / 3 = 206.7 cells, 205 to keep the aspect
    bool binary;
  } cases[] = {
      {"halftoning", 205, 137, true},
      {"borders", 205, 137, true},
      {"original", 205, 137, false},
      {"stippling", 620, 412, false},
  };
  for (const auto& kind : cases) {
    SCOPED_TRACE(kind.image);
    run_ok({CHELSEA, scratch / "out.pgm", "--size", "A9", "--image", kind.image, "--seed", "3"},
           scratch);
    const _image output = read_pgm(scratch / "out.pgm");
    EXPECT_EQ(output.width, kind.width);
    EXPECT_EQ(output.height, kind.height);
    const bool binary = std::all_of(output.samples.begin(), output.samples.end(),
                                    [](float v) { return v == 0.0f || v == 255.0f; });
    EXPECT_EQ(binary, kind.binary);
  }
}

TEST(BatchRun, PngIsTheGreyImageWithItsResolution) {
  _scratch scratch;
  const struct {
    const char* ppi;
    unsigned per_metre;  // ppi / 0.0254, rounded
  } cases[] = {{"300", 11811}, {"600", 23622}, {"1200", 47244}};
  for (const auto& resolution : cases) {
    SCOPED_TRACE(resolution.ppi);
    const std::vector<std::string> options = {"--size", "A10",   "--seed",
                                              "11",     "--ppi", resolution.ppi};
    std::vector<std::string> pgm = {CHELSEA, scratch / "out.pgm"};
    std::vector<std::string> png = {CHELSEA, scratch / "out.PNG"};
    pgm.insert(pgm.end(), options.begin(), options.end());
    png.insert(png.end(), options.begin(), options.end());
    run_ok(pgm, scratch);
    run_ok(png, scratch);
    const _image grey = read_pgm(scratch / "out.pgm");
    const _texture picture = read_png(scratch / "out.PNG");
    ASSERT_EQ(picture.width, grey.width);
    ASSERT_EQ(picture.height, grey.height);
    size_t mismatches = 0;
    for (size_t i = 0; i < grey.samples.size(); ++i) {
      const auto v = static_cast<unsigned char>(grey.samples[i]);
      mismatches += !(picture.texels[i] == _pixel(v, v, v, 255));
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(png_pixels_per_metre(scratch / "out.PNG"), resolution.per_metre);
  }
}

// A data folder with the real dot sheets and one tone whose colours are easy to predict.
struct _toned_data {
  explicit _toned_data(const _scratch& scratch) {
    std::filesystem::create_directories(scratch.dir / "data" / "tones");
    std::filesystem::create_directory_symlink(DATA + "/dots", scratch.dir / "data" / "dots");
    ramp.dimensions(1, 256);
    ramp.create();
    for (unsigned g = 0; g < 256; ++g)
      ramp.texels[g] = _pixel(static_cast<unsigned char>(g), static_cast<unsigned char>(255 - g),
                              static_cast<unsigned char>(g / 2), 255);
    EXPECT_EQ(_file_png().write(scratch / "data/tones/sepia_02.png", ramp), 1);
    dir = scratch / "data";
  }
  _texture ramp;
  std::string dir;
};

TEST(BatchRun, TonedPngMapsEveryGreyLevel) {
  _scratch scratch;
  const _toned_data data(scratch);
  for (const char* mode : {"tones", "bw"}) {
    SCOPED_TRACE(mode);
    const std::vector<std::string> options = {"--size", "A10", "--seed", "5",
                                              "--mode", mode,  "--data", data.dir};
    std::vector<std::string> pgm = {CHELSEA, scratch / "grey.pgm"};
    std::vector<std::string> png = {CHELSEA, scratch / "toned.png", "--tone", "sepia_2"};
    pgm.insert(pgm.end(), options.begin(), options.end());
    png.insert(png.end(), options.begin(), options.end());
    run_ok(pgm, scratch);
    run_ok(png, scratch);
    const _image grey = read_pgm(scratch / "grey.pgm");
    const _texture toned = read_png(scratch / "toned.png");
    ASSERT_EQ(toned.texels.size(), grey.samples.size());
    size_t mismatches = 0;
    for (size_t i = 0; i < grey.samples.size(); ++i)
      mismatches += !(toned.texels[i] == data.ramp.texels[static_cast<unsigned>(grey.samples[i])]);
    EXPECT_EQ(mismatches, 0u);
  }
}

TEST(BatchRun, ColourImages) {
  _scratch scratch;
  run_ok({CHELSEA, scratch / "field.png", "--size", "A10", "--image", "color-original", "--color",
          "10,20,30"},
         scratch);
  const _texture field = read_png(scratch / "field.png");
  EXPECT_EQ(field.width, 145u);  // the halftone grid: 438 / 3, less one to keep the aspect
  EXPECT_EQ(field.height, 97u);
  EXPECT_TRUE(std::all_of(field.texels.begin(), field.texels.end(),
                          [](_pixel p) { return p == _pixel(10, 20, 30, 255); }));

  auto stippled = [&](const std::string& name) {
    run_ok({CHELSEA, scratch / name, "--size", "A10", "--image", "color-stippling", "--color",
            "0,0,255", "--seed", "9"},
           scratch);
    return read_png(scratch / name);
  };
  const _texture colour = stippled("colour.png");
  EXPECT_EQ(colour.width, 438u);
  EXPECT_EQ(colour.height, 291u);
  // Blue ink on white paper: red and green fall together, blue stays full.
  size_t inked = 0;
  for (const _pixel& p : colour.texels) {
    EXPECT_EQ(p.r, p.g);
    EXPECT_EQ(p.b, 255);
    inked += p.r < 128;
  }
  EXPECT_GT(inked, colour.texels.size() / 20);
  EXPECT_TRUE(stippled("again.png").texels == colour.texels);
}

TEST(BatchRun, UnreadableInputOrDataExitsThree) {
  _scratch scratch;
  write_file(scratch / "out.pgm", "an older print");
  write_file(scratch / "text.pgm", "this is no image");
  write_file(scratch / "short.pgm", "P5\n20 20\n255\n" + std::string(30, 'x'));
  std::filesystem::create_directory(scratch.dir / "toneless");
  std::filesystem::create_directory_symlink(DATA + "/dots", scratch.dir / "toneless" / "dots");
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {"missing input", {scratch / "none.pgm"}, "cannot read the PGM image"},
      {"not a PGM", {scratch / "text.pgm"}, "cannot read the PGM image"},
      {"truncated samples", {scratch / "short.pgm"}, "cannot read the PGM image"},
      {"no dot sheets", {CAMERA, "--data", scratch / "nowhere"}, "cannot read the dot sheets"},
      {"tone missing",
       {CAMERA, "--mode", "tones", "--tone", "cyanotype", "--data", scratch / "toneless"},
       "cannot read the tone"},
  };
  for (const auto& failure : cases) {
    SCOPED_TRACE(failure.name);
    std::vector<std::string> arguments = failure.arguments;
    const bool png = std::string(failure.name) == "tone missing";
    arguments.insert(arguments.begin() + 1, png ? scratch / "out.png" : scratch / "out.pgm");
    arguments.insert(arguments.end(), {"--size", "A10"});
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find(failure.message), std::string::npos) << result.err;
    EXPECT_EQ(read_file(scratch / "out.pgm"), "an older print");
    EXPECT_FALSE(std::filesystem::exists(scratch / "out.png"));
    EXPECT_EQ(scratch.files().size(), 4u);  // out.pgm, the two inputs and the data folder
  }
}

TEST(BatchRun, UnwritableOutputExitsFour) {
  _scratch scratch;
  std::filesystem::create_directory(scratch.dir / "folder.pgm");
  const std::string cases[] = {scratch / "missing/out.pgm", scratch / "folder.pgm",
                               "/proc/stippon-batch-test.png"};
  for (const std::string& output : cases) {
    SCOPED_TRACE(output);
    const _batch_result result = run_batch({CAMERA, output, "--size", "A10"}, scratch);
    EXPECT_EQ(result.status, 4);
    EXPECT_NE(result.err.find(output), std::string::npos) << result.err;
    EXPECT_EQ(scratch.files().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.dir / "folder.pgm"));
  }
}

TEST(BatchRun, NamesOutsideAscii) {
  _scratch scratch;
  const std::string input = scratch / "caf\u00e9 \u00f1.pgm";
  const std::string output = scratch / "r\u00e9sultat \u00fc.PGM";
  std::filesystem::copy_file(CAMERA, input);
  run_ok({input, output, "--size", "A10", "--seed", "2"}, scratch);
  EXPECT_EQ(read_pgm(output).width, 438u);
}

TEST(BatchRun, MessagesOnlyWhenAsked) {
  _scratch scratch;
  // Standard error is no terminal here: no progress line, and nothing else on success.
  const _batch_result plain = run_ok({CHELSEA, scratch / "a.pgm", "--size", "A10"}, scratch);
  EXPECT_EQ(plain.err, "");
  const _batch_result verbose =
      run_ok({CHELSEA, scratch / "a.pgm", "--size", "A10", "--verbose", "--seed", "4"}, scratch);
  EXPECT_NE(verbose.err.find("input " + CHELSEA + ": 451 x 300; output 438 x 291 at 300 ppi"),
            std::string::npos)
      << verbose.err;
  EXPECT_NE(verbose.err.find("seed 4\n"), std::string::npos) << verbose.err;
  EXPECT_EQ(verbose.err.find('\r'), std::string::npos);
  // An enlarged input is worth a warning, which --quiet silences: 620 cells for 451 pixels.
  const std::vector<std::string> enlarged = {CHELSEA, scratch / "b.pgm", "--size",
                                             "A9",    "--packing",       "6"};
  EXPECT_NE(run_ok(enlarged, scratch).err.find("warning: the input is enlarged"),
            std::string::npos);
  std::vector<std::string> quiet = enlarged;
  quiet.push_back("--quiet");
  EXPECT_EQ(run_ok(quiet, scratch).err, "");
}

}  // namespace
}  // namespace stippon::testing
