// Bad usage must exit 2 with a message naming the problem and must write nothing.
#include <gtest/gtest.h>

#include "batch_runner.h"

namespace stippon::testing {
namespace {

const std::string CAMERA = STIPPON_DATA_DIR "/images/camera.pgm";

struct _usage_case {
  const char* name;
  std::vector<std::string> options;  // put after INPUT and OUTPUT
  const char* message;               // part of the message on standard error
};

const _usage_case USAGE_CASES[] = {
    {"unknown option", {"--frobnicate"}, "unknown option --frobnicate"},
    {"single dash option", {"-x"}, "unknown option -x"},
    {"value missing at the end", {"--size"}, "--size needs a value"},
    {"flag given a value", {"--verbose=1"}, "--verbose takes no value"},
    {"unknown sheet", {"--size", "A3"}, "--size must be one of"},
    {"sheet in lower case", {"--size=a4"}, "--size must be one of"},
    {"resolution", {"--ppi", "450"}, "--ppi must be one of"},
    {"packing below", {"--packing", "0.99"}, "--packing 0.99 is out of range"},
    {"packing above", {"--packing=6.01"}, "--packing 6.01 is out of range"},
    {"packing with a comma", {"--packing", "2,5"}, "--packing needs a number"},
    {"packing with trailing text", {"--packing", "2x"}, "--packing needs a number"},
    {"packing with a blank", {"--packing", " 2"}, "--packing needs a number"},
    {"packing empty", {"--packing="}, "--packing needs a number"},
    {"packing not a number", {"--packing", "nan"}, "--packing needs a number"},
    {"packing infinite", {"--packing", "inf"}, "--packing needs a number"},
    {"randomness above", {"--randomness", "1.5"}, "--randomness 1.5 is out of range"},
    {"randomness below", {"--randomness", "-0.1"}, "--randomness -0.1 is out of range"},
    {"merging", {"--merging", "max"}, "--merging must be one of product, minimum"},
    {"distribution", {"--distribution", "gauss"}, "--distribution must be one of"},
    {"mode", {"--mode", "colour"}, "--mode must be one of gray, bw, tones"},
    {"black level above", {"--black-level", "256"}, "--black-level 256 is out of range"},
    {"black level below", {"--black-level", "-1"}, "--black-level -1 is out of range"},
    {"black level fraction", {"--black-level", "12.5"}, "--black-level needs a number"},
    {"tone unknown", {"--mode", "tones", "--tone", "sepia"}, "--tone must be one of"},
    {"tone label case", {"--mode", "tones", "--tone", "Sepia_1"}, "--tone must be one of"},
    {"tone in grey mode", {"--tone", "sepia_1"}, "--tone needs --mode tones"},
    {"density below", {"--density-low", "3-8"}, "--density-low 3-8 is out of range"},
    {"density above", {"--density-high", "4-9"}, "--density-high 4-9 is out of range"},
    {"density reversed", {"--density-low", "8-4"}, "--density-low 8-4 is out of range"},
    {"density single", {"--density-low", "5"}, "--density-low needs MIN-MAX"},
    {"density open", {"--density-high", "4-"}, "--density-high needs MIN-MAX"},
    {"contrast threshold", {"--contrast-threshold", "300"}, "--contrast-threshold 300 is out"},
    {"borders threshold", {"--borders-threshold", "7"}, "--borders-threshold 7 is out of range"},
    {"colour channel", {"--color", "256,0,0"}, "--color 256,0,0 is out of range"},
    {"colour two channels", {"--color", "1,2"}, "--color needs R,G,B or R,G,B,A"},
    {"colour five channels", {"--color", "1,2,3,4,5"}, "--color needs R,G,B or R,G,B,A"},
    {"colour words", {"--color", "red"}, "--color needs R,G,B or R,G,B,A"},
    {"image", {"--image", "sketch"}, "--image must be one of"},
    {"seed negative", {"--seed", "-1"}, "--seed -1 is out of range"},
    {"seed too large", {"--seed", "4294967296"}, "--seed 4294967296 is out of range"},
    {"seed with text", {"--seed", "12abc"}, "--seed needs a number"},
    {"width without unit", {"--width", "180"}, "--width needs a number and a unit"},
    {"width in centimetres", {"--width", "18cm"}, "--width needs a number and a unit"},
    {"width zero", {"--width", "0mm"}, "--width must be above zero"},
    {"height negative", {"--height", "-5px"}, "--height must be above zero"},
    {"unit alone", {"--width", "mm"}, "--width needs a number and a unit"},
    {"width and height", {"--width", "100mm", "--height", "50mm"}, "either --width or --height"},
    {"size and width", {"--size", "A4", "--width", "100mm"}, "--size excludes --width"},
    {"verbose and quiet", {"--verbose", "--quiet"}, "--verbose and --quiet exclude each other"},
    {"colour image as PGM", {"--image", "color-stippling"}, "write them as .png"},
    {"other image at 600 ppi", {"--ppi", "600", "--image", "halftoning"}, "only the stippling"},
    // Known only once the input is read, and still bad usage.
    {"under one halftone cell", {"--width", "2px"}, "narrower than one halftone cell"},
    {"preview above the limit", {"--width", "16385px"}, "each edge may be at most 16384"},
};

TEST(BatchUsage, BadUsageExitsTwoAndWritesNothing) {
  for (const _usage_case& usage : USAGE_CASES) {
    SCOPED_TRACE(usage.name);
    _scratch scratch;
    std::vector<std::string> arguments = {CAMERA, scratch / "out.pgm"};
    arguments.insert(arguments.end(), usage.options.begin(), usage.options.end());
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(usage.message), std::string::npos) << result.err;
    EXPECT_TRUE(scratch.files().empty());
  }
}

TEST(BatchUsage, FileNames) {
  const struct {
    const char* name;
    std::vector<std::string> files;
    const char* message;
  } cases[] = {
      {"no file", {}, "expected INPUT and OUTPUT"},
      {"one file", {CAMERA}, "expected INPUT and OUTPUT"},
      {"three files", {CAMERA, "a.pgm", "b.pgm"}, "expected INPUT and OUTPUT"},
      {"standard input", {"-", "out.pgm"}, "'-' is not accepted"},
      {"standard output", {CAMERA, "-"}, "'-' is not accepted"},
      {"other format", {CAMERA, "out.jpg"}, "OUTPUT must end in .pgm or .png"},
      {"extension not last", {CAMERA, "out.pgm.bak"}, "OUTPUT must end in .pgm or .png"},
  };
  for (const auto& usage : cases) {
    SCOPED_TRACE(usage.name);
    _scratch scratch;
    std::vector<std::string> arguments;
    for (const std::string& file : usage.files)
      arguments.push_back(file.find('/') == std::string::npos && file != "-" ? scratch / file
                                                                             : file);
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(usage.message), std::string::npos) << result.err;
    EXPECT_TRUE(scratch.files().empty());
  }
}

TEST(BatchUsage, ShapeLimitsNeedTheInput) {
  _scratch scratch;
  // 10 x 40, portrait: a width of 5000 px makes a preview 20000 px high.
  write_file(scratch / "tall.pgm", "P5\n10 40\n255\n" + std::string(400, '\x80'));
  // 400 x 1: three pixels wide is one halftone cell but less than one pixel high.
  write_file(scratch / "wide.pgm", "P5\n400 1\n255\n" + std::string(400, '\x80'));
  const struct {
    const char* input;
    const char* width;
    const char* message;
  } cases[] = {
      {"tall.pgm", "5000px", "each edge may be at most 16384"},
      {"wide.pgm", "3px", "less than one pixel high"},
  };
  for (const auto& shape : cases) {
    SCOPED_TRACE(shape.input);
    const _batch_result result =
        run_batch({scratch / shape.input, scratch / "out.pgm", "--width", shape.width}, scratch);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(shape.message), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(scratch / "out.pgm"));
  }
}

TEST(BatchUsage, ExistingOutputIsKeptOnBadUsage) {
  _scratch scratch;
  write_file(scratch / "out.pgm", "an older print");
  const _batch_result result = run_batch({CAMERA, scratch / "out.pgm", "--ppi", "900"}, scratch);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(read_file(scratch / "out.pgm"), "an older print");
  EXPECT_EQ(scratch.files().size(), 1u);
}

TEST(BatchUsage, HelpAndVersion) {
  _scratch scratch;
  const _batch_result help = run_batch({"--help"}, scratch);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: stippon-batch [options] INPUT OUTPUT", 0), 0u);
  EXPECT_NE(help.out.find("platinum_palladium"), std::string::npos);
  const _batch_result version = run_batch({"--version"}, scratch);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "stippon-batch " STIPPON_VERSION "\n");
  // A usage error points at --help.
  const _batch_result error = run_batch({"--ppi"}, scratch);
  EXPECT_EQ(error.status, 2);
  EXPECT_NE(error.err.find("Try 'stippon-batch --help'."), std::string::npos);
}

}  // namespace
}  // namespace stippon::testing
