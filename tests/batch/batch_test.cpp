// stippon-batch as a user runs it: bad usage exits 2, unreadable input or data 3, an unwritable
// output 4, each writing nothing and keeping an older output; successful runs give the asked
// size, repeat the pattern of a seed through files or the standard streams and say only what
// they are asked to; an SVG print is the document's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <functional>
#include <regex>
#include <sstream>

#include "batch_runner.h"
#include "document/stipple_document.h"

namespace stippon::testing {
namespace {

const std::string DATA = STIPPON_DATA_DIR;
const std::string CAMERA = DATA + "/images/camera.pgm";                       // 512 x 512
const std::string CHELSEA = DATA + "/images/chelsea_gray.pgm";                // 451 x 300
const std::string PHOTO = STIPPON_TEST_DATA_DIR "/photos/jpeg_baseline.jpg";  // colour

size_t count(const std::string& text, const std::string& what) {
  size_t found = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
  return found;
}

// Runs the batch, which must succeed, and returns what it printed on standard error.
std::string run_ok(const std::vector<std::string>& arguments, const _scratch& scratch) {
  const _batch_result result = run_batch(arguments, scratch);
  EXPECT_EQ(result.status, 0) << result.err;
  return result.err;
}

// Every misuse exits 2 naming it, before anything is written or an older output touched.
TEST(BatchUsage, BadUsageExitsTwoWritingNothingHelpAndVersion) {
  _scratch inputs;  // 10 x 40, portrait: a width of 5000 px makes a preview 20000 px high
  // '@': in the scratch folder
  const std::string tall = inputs / "tall.pgm", OUT = "@out.pgm", SVG = "@out.svg";
  write_file(tall, "P5\n10 40\n255\n" + std::string(400, '\x80'));
  // A header that promises 16384 x 16384 pixels in a file of a few bytes.
  write_file(inputs / "huge.pgm", "P5\n16384 16384\n255\n\x80\x80");
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{CAMERA, OUT, "--frobnicate"}, "unknown option --frobnicate"},
      {{CAMERA, OUT, "--size"}, "--size needs a value"},
      {{CAMERA, OUT, "--verbose=1"}, "--verbose takes no value"},
      {{CAMERA, OUT, "--ppi", "900"}, "--ppi must be one of"},
      {{CAMERA, OUT, "--packing=6.01"}, "--packing 6.01 is out of range"},
      {{CAMERA, OUT, "--packing", "2,5"}, "--packing needs a number"},
      {{CAMERA, OUT, "--randomness", "inf"}, "--randomness needs a number"},
      {{CAMERA, OUT, "--tone", "sepia_1"}, "--tone needs --mode tones"},
      {{CAMERA, OUT, "--density-high", "8-4"}, "--density-high 8-4 is out of range"},
      {{CAMERA, OUT, "--color", "1,2,3,4,5"},
       "--color needs R,G,B, R,G,B,A (e.g. 255,0,0) or photo"},
      {{CAMERA, OUT, "--seed", "4294967296"}, "--seed 4294967296 is out of range"},
      {{CAMERA, OUT, "--threads", "0"}, "--threads 0 is out of range (1 to 256)"},
      {{CAMERA, OUT, "--width", "18cm"}, "--width needs a number and a unit"},
      {{CAMERA, OUT, "--width", "0mm"}, "--width must be above zero"},
      {{CAMERA, OUT, "--width", "100mm", "--height", "50mm"}, "either --width or --height"},
      {{CAMERA, OUT, "--size", "A4", "--height", "100mm"}, "--size excludes --width"},
      {{CAMERA, OUT, "--verbose", "--quiet"}, "--verbose and --quiet exclude each other"},
      {{CAMERA, OUT, "--image", "color-stippling"}, "write them as .png"},
      {{CAMERA, OUT, "--ppi", "600", "--image", "halftoning"}, "only the stippled images"},
      {{CAMERA, "@a.pgm", "@b.pgm"}, "expected INPUT and OUTPUT"},
      {{CAMERA, "@out.pgm.bak"}, "OUTPUT must end in .pgm, .png, .tif, .tiff, .pdf or .svg"},
      {{CAMERA, OUT, "--white-point", "20", "--black-point", "30"}, "--white-point must be above"},
      {{CAMERA, OUT, "--gamma", "0"}, "--gamma 0 is out of range"},
      {{CAMERA, OUT, "--tone-match", "sepia"}, "--tone-match must be one of none, grey, linear"},
      {{CAMERA, OUT, "--placement", "even"},
       "--placement must be one of grid, relaxed, not 'even'"},
      {{CAMERA, OUT, "--svg-dots", "circles"}, "--svg-dots and --pen-width need an .svg OUTPUT"},
      {{CAMERA, SVG, "--svg-dots", "lines"}, "--svg-dots must be one of shapes, circles, points"},
      {{CAMERA, SVG, "--pen-width", "0"}, "--pen-width 0 is out of range (0.01 to 10 mm)"},
      {{CAMERA, SVG, "--pen-width", "0.3mm"}, "--pen-width needs a number"},
      {{CAMERA, SVG, "--ppi", "1200"}, "an .svg OUTPUT has no pixels: leave out --ppi"},
      {{CAMERA, SVG, "--image", "halftoning"},
       "an .svg OUTPUT holds the dots of --image stippling"},
      {{CAMERA, SVG, "--image", "color-stippling", "--color", "photo"},
       "--color photo: an SVG print draws each ink with a pen"},
      {{"--output-dir", "@d"}, "--output-dir needs at least one INPUT"},
      {{"--output-dir", "@d", CAMERA, "-"}, "standard input (-) has no name to print under"},
      {{"--output-dir", "@d", CAMERA, "--format", "jpg"},
       "--format must be one of png, tif, pdf, pgm, svg, not 'jpg'"},
      {{CAMERA, OUT, "--skip-existing"}, "--format and --skip-existing need --output-dir"},
      // The print would replace the photograph: refused before anything is read.
      {{"@out.pgm", "@./out.pgm"}, "is the input"},
      // Known only once the input is read, and still bad usage.
      {{CAMERA, OUT, "--width", "2px"}, "narrower than one halftone cell"},
      {{CAMERA, OUT, "--width", "16385px"}, "each edge may be at most 16384"},
      {{tall, OUT, "--width", "5000px"}, "each edge may be at most 16384"},
      {{CHELSEA, OUT, "--width", "1px", "--packing", "6"}, "less than one pixel high"},
      {{inputs / "huge.pgm", OUT, "--size", "optimal"}, "--size optimal"},
  };
  for (const auto& [arguments, message] : cases) {
    _scratch scratch;
    write_file(scratch / "out.pgm", "an older print");
    std::vector<std::string> resolved = arguments;
    for (std::string& argument : resolved)
      if (argument.starts_with("@")) argument = scratch / argument.substr(1);
    const _batch_result result = run_batch(resolved, scratch);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(read_file(scratch / "out.pgm"), "an older print");
    EXPECT_EQ(scratch.files(), std::vector<std::string>{"out.pgm"}) << message;
  }
  const _batch_result help = run_batch({"--help"}, inputs),
                      version = run_batch({"--version"}, inputs),
                      error = run_batch({"--ppi"}, inputs);
  EXPECT_TRUE(help.status == 0 && version.status == 0);
  EXPECT_TRUE(help.out.starts_with("Usage: stippon-batch [options] INPUT OUTPUT"));
  EXPECT_EQ(version.out, "stippon-batch " STIPPON_VERSION "\n");
  EXPECT_TRUE(error.err.ends_with("\nTry 'stippon-batch --help'.\n")) << error.err;
  // The summary lists every option the manual describes (the install test checks the converse).
  std::istringstream manual(read_file(DATA + "/../dist/stippon-batch.1.in"));
  const std::regex option("--[a-z][a-z-]*");
  size_t described = 0;
  bool item = false;
  for (std::string line; std::getline(manual, line); item = line == ".TP") {
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    for (std::sregex_iterator at(line.begin(), line.end(), option), end; item && at != end; ++at) {
      ++described;
      EXPECT_TRUE(std::regex_search(help.out, std::regex("\n  (-h,)?" + at->str() + "[ \n]")))
          << at->str() << " is not in --help";
    }
  }
  EXPECT_EQ(described, 35u);
}

// Sizes from the photograph, a typed edge in each unit, the resolution, and a sheet that holds
// the whole print in each orientation, a square photograph on the landscape sheet (A4 is 3506 x
// 2480 pixels at 300 ppi); netpbm reads the sizes.
TEST(BatchRun, OutputSizes) {
  _scratch scratch;
  write_file(scratch / "landscape.pgm", "P5\n80 60\n255\n" + std::string(4800, '\x60'));
  write_file(scratch / "portrait.pgm", "P5\n40 60\n255\n" + std::string(2400, '\x60'));
  const std::tuple<std::string, std::vector<std::string>, const char*> cases[] = {
      {CHELSEA, {"--size", "optimal"}, "1353 by 900"},
      {CAMERA, {"--width=2in"}, "600 by 600"},
      {CHELSEA, {"--height", "30mm"}, "532 by 354"},
      {CAMERA, {"--size", "A10", "--ppi", "1200"}, "1240 by 1240"},
      {CAMERA, {"--size", "A4"}, "2480 by 2480"},
      {scratch / "landscape.pgm", {"--size", "A4"}, "3307 by 2480"},
      {scratch / "portrait.pgm", {"--size", "A4"}, "2337 by 3506"},
  };
  const std::string out = scratch / "out.pgm";
  for (const auto& [input, options, size] : cases) {
    std::vector<std::string> arguments = {input, out, "--seed", "1"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    run_ok(arguments, scratch);
    EXPECT_EQ(run_program("pamfile", {out}, scratch).out,
              out + ":\tPGM raw, " + size + "  maxval 255\n");
  }
  // A PNG carries the resolution in its pHYs chunk: 1200 ppi is 47244 (0xb88c) pixels per metre.
  run_ok({CHELSEA, scratch / "out.png", "--size", "A10", "--ppi", "1200"}, scratch);
  const std::string phys("pHYs\0\0\xb8\x8c\0\0\xb8\x8c\x01", 13);
  EXPECT_NE(read_file(scratch / "out.png").find(phys), std::string::npos);
  // 512 pixels x scale factor 3 = 1536: every input pixel is one halftone cell, no resampling.
  run_ok({CAMERA, scratch / "original.pgm", "--width", "1536px", "--image", "original"}, scratch);
  EXPECT_TRUE(read_file(scratch / "original.pgm") == read_file(CAMERA));
}

// A seed fixes the dot pattern. Standard error is no terminal here: without --verbose a
// successful run prints nothing, no progress line either.
TEST(BatchRun, SeedsAndMessages) {
  _scratch scratch;
  const std::string input = scratch / "caf\u00e9 \u00f1.pgm";  // names outside ASCII
  std::filesystem::copy_file(CHELSEA, input);
  const auto print = [&](const std::string& output, std::vector<std::string> options) {
    options.insert(options.begin(), {input, scratch / output, "--size", "A10"});
    const std::string err = run_ok(options, scratch);
    return std::pair(read_file(scratch / output), err);
  };
  const auto [first, quiet] = print("a.pgm", {"--seed", "7"});
  EXPECT_EQ(quiet, "");
  EXPECT_EQ(print("r\u00e9sultat \u00fc.PGM", {"--seed=7"}).first, first);
  // "-" reads standard input and writes the PGM to standard output.
  const _batch_result piped = run_program(
      STIPPON_BATCH_EXE, {"-", "-", "--size", "A10", "--seed", "7"}, scratch, {}, input);
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_TRUE(piped.out == first) << "standard output differs";
  EXPECT_EQ(print("f.png", {"--seed", "7", "--ppi", "1200", "--threads", "1"}).first,
            print("g.png", {"--seed", "7", "--ppi", "1200", "--threads", "3"}).first);
  EXPECT_NE(print("c.pgm", {"--seed", "8"}).first, first);
  // Without --seed the clock gives one; --verbose prints it and --seed repeats the pattern.
  const auto [clocked, err] = print("d.pgm", {"--verbose"});
  EXPECT_NE(err.find("input " + input + ": 451 x 300; output 438 x 291 at 300 ppi\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find('\r'), std::string::npos);
  const size_t at = err.find("seed "), end = err.find(" (from the clock)");
  ASSERT_TRUE(at != std::string::npos && end != std::string::npos) << err;
  const std::string seed = err.substr(at + 5, end - at - 5);
  const auto [again, said] = print("e.pgm", {"--seed", seed, "--verbose"});
  EXPECT_EQ(again, clocked);
  EXPECT_NE(said.find("seed " + seed + "\n"), std::string::npos) << said;
  // An SVG print's --verbose tells the dots and the pen's travel in metres: row by row, in
  // strips, improved (how much shorter each is is the document's, tested with the SVG print).
  const auto [points, told] =
      print("p.svg", {"--seed", "4", "--svg-dots", "points", "--pen-width", "0.4", "--verbose"});
  EXPECT_NE(points.find("stroke-width=\"0.4\""), std::string::npos);
  EXPECT_NE(told.find(std::to_string(count(points, "<path d=\"M")) + " dots in 1 layer\n"),
            std::string::npos)
      << told;
  double drawn = 0.0, strips = 0.0, improved = 0.0;
  const size_t travel = told.find("pen-up travel ");
  ASSERT_NE(travel, std::string::npos) << told;
  ASSERT_EQ(std::sscanf(told.c_str() + travel,
                        "pen-up travel %lf m row by row, %lf m in strips, %lf m improved\n", &drawn,
                        &strips, &improved),
            3)
      << told;
  EXPECT_LT(improved, strips);
  // An enlarged input is worth a warning, which --quiet silences: 620 cells for 451 pixels.
  std::vector<std::string> enlarged = {CHELSEA, scratch / "b.pgm", "--size",
                                       "A9",    "--packing",       "6"};
  EXPECT_NE(run_ok(enlarged, scratch).find("warning: the input is enlarged"), std::string::npos);
  enlarged.push_back("--quiet");
  EXPECT_EQ(run_ok(enlarged, scratch), "");
  // So is a damaged colour profile, which is read as sRGB.
  const std::string tagged = scratch / "tagged.tif";
  TIFF* tiff = TIFFOpen(tagged.c_str(), "w");
  const uint8_t pixels[12] = {200, 30, 30, 30, 200, 30, 30, 30, 200, 90, 90, 90};
  const std::string garbage(300, 'x');
  for (const auto& [tag, value] : {std::pair{TIFFTAG_IMAGEWIDTH, 2},
                                   {TIFFTAG_IMAGELENGTH, 2},
                                   {TIFFTAG_BITSPERSAMPLE, 8},
                                   {TIFFTAG_SAMPLESPERPIXEL, 3},
                                   {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB}})
    TIFFSetField(tiff, tag, value);
  TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(garbage.size()), garbage.data());
  TIFFWriteEncodedStrip(tiff, 0, const_cast<uint8_t*>(pixels), sizeof pixels);
  TIFFClose(tiff);
  EXPECT_NE(run_ok({tagged, scratch / "t.pgm", "--size", "A10"}, scratch)
                .find("warning: " + tagged +
                      ": the colour profile is damaged; the colours are read as sRGB"),
            std::string::npos);
}

// The batch's file is the document's, dot for dot, for the same choices and seed: black dots, an
// ink's second pen, and a pen for each process ink, whose layers are in the inks' colours and
// which Inkscape finds on the page.
TEST(BatchSvg, WritesTheDocumentsFile) {
  _scratch scratch;
  const std::tuple<std::string, std::vector<std::string>, std::function<void(_document_settings&)>>
      cases[] = {
          {CAMERA, {}, [](_document_settings&) {}},
          {CAMERA,
           {"--image", "color-stippling", "--color", "0,0,255"},
           [](_document_settings& s) {
             s.colour_stippling = true;
             s.ink = _pixel(0, 0, 255, 255);
           }},
          {PHOTO, {"--inks", "cmyk"}, [](_document_settings& s) { s.inks = inks_cmyk; }},
      };
  const std::string batch = scratch / "batch.svg", document = scratch / "document.svg";
  for (const auto& [photo, options, choose] : cases) {
    std::vector<std::string> arguments = {photo,    batch, "--data", DATA,
                                          "--size", "A10", "--seed", "21"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const _batch_result result = run_batch(arguments, scratch);
    ASSERT_EQ(result.status, 0) << result.err;
    _stipple_document doc;
    ASSERT_TRUE(doc.load_dots(DATA));
    _document_settings settings = doc.settings();
    settings.output_size = size_a10;
    choose(settings);
    doc.apply(settings);
    ASSERT_TRUE(doc.read(photo));
    doc.set_seed(21);
    ASSERT_TRUE(doc.write_svg(document, {}).written);
    EXPECT_TRUE(read_file(batch) == read_file(document)) << photo << " " << options.size();
  }
  // The separated print, the last written.
  const std::string file = read_file(batch);
  _cmyk_separation separation;
  ASSERT_TRUE(separation.load(_cmyk_separation::DEFAULT_PROFILE));
  const char* const names[] = {"cyan", "magenta", "yellow", "black"};
  size_t at = 0;
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    const std::string pen = std::to_string(ink + 1);
    at = file.find("<g inkscape:groupmode=\"layer\" id=\"pen-" + pen + "\"", at);
    ASSERT_NE(at, std::string::npos) << pen;
    const std::string head = file.substr(at, file.find('>', at) - at);
    const _pixel c = separation.ink_colour(ink);
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c.r, c.g, c.b);
    for (const std::string& attribute :
         {"inkscape:label=\"Pen " + pen + " " + names[ink] + "\"",
          "fill=\"" + std::string(colour) + "\"", std::string("mix-blend-mode:multiply")})
      EXPECT_NE(head.find(attribute), std::string::npos) << head;
  }
  EXPECT_EQ(count(file, "<g "), 4u);
  const _batch_result query = run_program("inkscape", {"--query-all", batch}, scratch);
  ASSERT_EQ(query.status, 0) << query.err;
  for (int ink = 1; ink <= INK_COUNT; ++ink)
    EXPECT_NE(query.out.find("\npen-" + std::to_string(ink) + ","), std::string::npos) << query.out;
}

// Unreadable input or data exit 3, an output that cannot be written 4; the older outputs stay
// and nothing is left behind. How a refused output is found is the atomic file's, tested in the
// file tests; where the data is looked for, the install tests'.
TEST(BatchRun, FailuresOnFiles) {
  _scratch scratch;
  const std::string out = scratch / "out.pgm", locked = scratch / "locked.pgm",
                    data = scratch / "toneless", folder = data + "/a.pgm";
  write_file(out, "an older print");
  write_file(locked, "an older print");
  ::chmod(locked.c_str(), 0444);
  write_file(scratch / "short.pgm", "P5\n20 20\n255\n" + std::string(30, 'x'));
  std::filesystem::create_directories(folder);
  std::filesystem::create_directories(data + "/tones");
  std::filesystem::create_directory_symlink(DATA + "/dots", data + "/dots");
  const std::string sheetless = data + "/sheetless";  // empty dots/ and tones/
  std::filesystem::create_directories(sheetless + "/dots");
  std::filesystem::create_directories(sheetless + "/tones");
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{scratch / "none.pgm", out},
       3,
       "Cannot read " + scratch / "none.pgm" + ": cannot open it (No such file or directory)"},
      {{scratch / "short.pgm", out}, 3, "Cannot read " + scratch / "short.pgm" + ": truncated"},
      {{CAMERA, out, "--data", sheetless}, 3, "cannot read the dot sheets in " + sheetless},
      {{CAMERA, scratch / "out.png", "--mode", "tones", "--tone", "cyanotype", "--data", data},
       3,
       "cannot read the tone"},
      {{CAMERA, scratch / "no/out.pgm"}, 4, scratch / "no/out.pgm: No such file or directory"},
      {{CAMERA, folder}, 4, folder},
      {{CAMERA, "/proc/stippon.png"}, 4, "/proc/stippon.png"},
      {{CAMERA, locked}, 4, locked + ": is read-only"},
  };
  for (auto [arguments, status, message] : cases) {
    arguments.insert(arguments.end(), {"--size", "A10"});
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, status) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(read_file(out), "an older print");
    EXPECT_EQ(read_file(locked), "an older print");
    EXPECT_EQ(scratch.files().size(), 4u);  // the two outputs, the input and the data folder
    EXPECT_TRUE(std::filesystem::is_empty(folder));
  }
}

}  // namespace
}  // namespace stippon::testing
