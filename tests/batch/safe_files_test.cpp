// stippon-batch and the files users type: the input given as the output, read-only outputs, bad
// samples, pipes, and inputs refused from their header. How a replaced, linked or long output is
// written is the atomic file's, tested in the image tests.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "batch/batch_runner.h"

namespace stippon::testing {
namespace {

namespace fs = std::filesystem;

const std::string CAMERA = STIPPON_DATA_DIR "/images/camera.pgm";
const std::vector<std::string> SMALL = {"--size", "A10", "--seed", "5", "--data", STIPPON_DATA_DIR};

std::vector<std::string> with_small(std::vector<std::string> arguments) {
  arguments.insert(arguments.end(), SMALL.begin(), SMALL.end());
  return arguments;
}

// Each case: the exit status, a part of the message, and what must not have changed.
TEST(BatchFiles, RefusedOutputsChangeNothing) {
  _scratch scratch;
  const std::string photo = scratch / "photo.pgm", locked = scratch / "locked.pgm";
  fs::copy_file(CAMERA, photo);
  fs::create_symlink(photo, scratch / "link.pgm");
  write_file(locked, "an older print");
  ::chmod(locked.c_str(), 0444);
  write_file(scratch / "bad.pgm", "P2 3 2 255 0 -1000 7 1 2 3");
  // A header that promises 16384 x 16384 pixels in a file of a few bytes.
  write_file(scratch / "huge.pgm", "P5\n16384 16384\n255\n\x80\x80");
  const std::string before = read_file(photo);
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{photo, photo}, 2, "is the input"},
      {{photo, scratch / "link.pgm"}, 2, "is the input"},
      {{photo, locked}, 4, locked + ": is read-only"},
      {{scratch / "bad.pgm", scratch / "out.pgm"}, 3, "-1000 at row 1, column 2"},
      {{scratch / "huge.pgm", scratch / "out.pgm", "--size", "optimal"}, 2, "--size optimal"},
  };
  for (auto [arguments, status, message] : cases) {
    if (std::find(arguments.begin(), arguments.end(), "--size") == arguments.end())
      arguments = with_small(arguments);
    const _batch_result result = run_batch(arguments, scratch);
    EXPECT_EQ(result.status, status) << message << "\n" << result.err;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(read_file(photo), before);
    EXPECT_EQ(read_file(locked), "an older print");
    EXPECT_FALSE(fs::exists(scratch / "out.pgm"));
    for (const auto& entry : fs::directory_iterator(scratch.dir))
      EXPECT_FALSE(entry.path().filename().string().starts_with(".stippon-")) << "temporary left";
  }
}

// "-" reads standard input and writes a PGM to standard output, the same bytes as the files.
TEST(BatchFiles, StandardInputAndOutput) {
  _scratch scratch;
  ASSERT_EQ(run_batch(with_small({CAMERA, scratch / "file.pgm"}), scratch).status, 0);
  const _batch_result result =
      run_program(STIPPON_BATCH_EXE, with_small({"-", "-", "--quiet"}), scratch, {}, CAMERA);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(result.out == read_file(scratch / "file.pgm")) << "standard output differs";
}

}  // namespace
}  // namespace stippon::testing
