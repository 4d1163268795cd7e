// stippon-batch --output-dir: every photograph printed as its own run prints it, a bad one named
// while the others print, a resumed run, names that collide; and the README's GNU parallel
// recipe, run on this machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "batch_runner.h"

namespace stippon::testing {
namespace {

namespace fs = std::filesystem;

const std::string DATA = STIPPON_DATA_DIR;
const std::string PHOTOS = STIPPON_TEST_DATA_DIR "/photos/";
const std::vector<std::string> SMALL = {"--size", "A10", "--seed", "11", "--data", DATA};

std::vector<std::string> joined(std::vector<std::string> first,
                                const std::vector<std::string>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

// A PDF holds its time of writing: what is compared is its image, as pdfimages extracts it.
std::string content(const std::string& file, const _scratch& scratch) {
  if (!file.ends_with(".pdf")) return read_file(file);
  const _batch_result images = run_program("pdfimages", {"-png", file, scratch / "image"}, scratch);
  EXPECT_EQ(images.status, 0) << images.err;
  const std::string png = read_file(scratch / "image-000.png");
  fs::remove(scratch / "image-000.png");
  EXPECT_FALSE(png.empty()) << file;
  return png;
}

// Each format with options that reach the shared parts of a print (tone matching's measurement,
// the tone ramps, the ink): a photograph of each kind the folder holds, and one that cannot be
// read, which is named with its reason while the others print as single runs print them.
TEST(BatchFolder, PrintsEachPhotographAsItsOwnRunDoes) {
  _scratch scratch;
  write_file(scratch / "short.pgm", "P5\n20 20\n255\n" + std::string(30, 'x'));
  // Each photograph that prints, by the name of its print.
  const std::map<std::string, std::string> good = {
      {"camera", DATA + "/images/camera.pgm"},
      {"chelsea_gray", DATA + "/images/chelsea_gray.pgm"},
      {"jpeg_baseline", PHOTOS + "jpeg_baseline.jpg"},
      {"webp_lossy", PHOTOS + "webp_lossy.webp"}};
  const std::vector<std::string> inputs = {good.at("camera"), scratch / "short.pgm",
                                           good.at("jpeg_baseline"), good.at("webp_lossy"),
                                           good.at("chelsea_gray")};
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"png", {"--tone-match", "grey", "--image", "color-stippling", "--color", "0,0,255"}},
      {"tif", {"--mode", "tones", "--tone", "sepia_2", "--ppi", "600"}},
      {"pdf", {"--mode", "bw"}},
      {"pgm", {"--tone-match", "linear", "--gamma", "1.5"}},
      {"svg", {"--svg-dots", "circles"}},
  };
  for (const auto& [format, options] : cases) {
    SCOPED_TRACE(format);
    const std::string folder = scratch / format;
    const _batch_result run = run_batch(
        joined(joined({"--output-dir", folder, "--format", format}, joined(SMALL, options)),
               inputs),
        scratch);
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("stippon-batch: Cannot read " + scratch / "short.pgm" + ": truncated\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(": failed " + scratch / "short.pgm" + "\n"), std::string::npos);
    EXPECT_TRUE(run.err.ends_with("stippon-batch: 1 of 5 photographs failed\n")) << run.err;
    std::set<std::string> printed, expected;
    for (const auto& entry : fs::directory_iterator(folder))
      printed.insert(entry.path().filename().string());
    for (const auto& [name, input] : good) expected.insert(name + "." + format);
    EXPECT_EQ(printed, expected);
    for (const auto& [name, input] : good) {
      const std::string single = scratch / ("single." + std::string(format));
      ASSERT_EQ(run_batch(joined({input, single}, joined(SMALL, options)), scratch).status, 0);
      EXPECT_TRUE(content(folder + "/" + name + "." + format, scratch) == content(single, scratch))
          << name;
    }
  }
}

// --skip-existing keeps the prints there are, which an interrupted run never leaves half
// written; two photographs of one name are refused before anything is printed.
TEST(BatchFolder, ResumesAndRefusesCollidingNames) {
  _scratch scratch;
  const std::string camera = DATA + "/images/camera.pgm",
                    chelsea = DATA + "/images/chelsea_gray.pgm";
  const std::string prints = scratch / "prints";
  fs::create_directory(prints);
  write_file(prints + "/camera.png", "an older print");
  const _batch_result resumed = run_batch(
      joined({"--output-dir", prints, "--skip-existing", camera, chelsea}, SMALL), scratch);
  EXPECT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_EQ(read_file(prints + "/camera.png"), "an older print");
  EXPECT_NE(resumed.err.find(" of 2: kept " + prints + "/camera.png\n"), std::string::npos);
  EXPECT_NE(resumed.err.find(" of 2: wrote " + prints + "/chelsea_gray.png\n"), std::string::npos);
  ASSERT_EQ(run_batch(joined({chelsea, scratch / "single.png"}, SMALL), scratch).status, 0);
  EXPECT_TRUE(read_file(prints + "/chelsea_gray.png") == read_file(scratch / "single.png"));

  fs::create_directory(scratch / "other");
  fs::copy_file(chelsea, scratch / "other/camera.jpg");
  const std::string clashing = scratch / "clashing";
  const _batch_result clash = run_batch(
      joined({"--output-dir", clashing, chelsea, camera, scratch / "other/camera.jpg"}, SMALL),
      scratch);
  EXPECT_EQ(clash.status, 2);
  EXPECT_EQ(clash.err, "stippon-batch: " + camera + " and " + scratch / "other/camera.jpg" +
                           " would both print to " + clashing +
                           "/camera.png; rename one or print them in separate calls\n");
  EXPECT_FALSE(fs::exists(clashing));
}

// The recipe as the README gives it, on this machine: parallel exits 0, as it does when no job
// failed, and each print is the one a single run makes.
TEST(BatchFolder, GnuParallelRecipeOfTheReadme) {
  std::ifstream readme(DATA + "/../README.md");
  std::vector<std::string> recipes;
  for (std::string line; std::getline(readme, line);)
    if (line.starts_with("    parallel ")) recipes.push_back(line.substr(4));
  ASSERT_EQ(recipes.size(), 2u);
  _scratch scratch;
  fs::create_directories(scratch / "photos");
  for (const char* name : {"camera", "chelsea_gray", "gravel"})
    fs::copy_file(DATA + "/images/" + name + ".pgm",
                  scratch / ("photos/" + std::string(name) + ".pgm"));
  const std::string path =
      fs::path(STIPPON_BATCH_EXE).parent_path().string() + ":" + getenv("PATH");
  for (std::string recipe : recipes) {
    SCOPED_TRACE(recipe);
    // This machine for the remote hosts, the data here, and a small sheet.
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"host1,host2", ":"},
                                   {"/path/to/stippon/data", DATA},
                                   {"--size A4", "--size A10"},
                                   {"parallel ", "parallel --will-cite "}})
      if (const size_t at = recipe.find(from); at != std::string::npos)
        recipe.replace(at, from.size(), to);
    fs::remove_all(scratch / "prints");
    fs::create_directory(scratch / "prints");
    const _batch_result run =
        run_program("sh", {"-c", recipe}, scratch,
                    {scratch.dir.string(), {{"PATH", path}, {"STIPPON_DATA", DATA}}});
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* name : {"camera", "chelsea_gray", "gravel"}) {
      ASSERT_EQ(run_batch({DATA + "/images/" + name + ".pgm", scratch / "single.pgm", "--size",
                           "A10", "--seed", "7", "--data", DATA},
                          scratch)
                    .status,
                0);
      EXPECT_TRUE(read_file(scratch / ("prints/" + std::string(name) + ".pgm")) ==
                  read_file(scratch / "single.pgm"))
          << name;
    }
  }
}

}  // namespace
}  // namespace stippon::testing
