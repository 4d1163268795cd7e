#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "image/file_pgm.h"
#include "image/scratch.h"

namespace stippon {
namespace {

using testing::read_file;
using testing::scratch_dir;
using testing::write_file;

// 3 x 2, file rows 10 20 30 / 40 50 60; the first file row is the image's top (last) row.
const std::string RASTER = "\x0a\x14\x1e\x28\x32\x3c";
const std::vector<float> BOTTOM_UP = {40, 50, 60, 10, 20, 30};

// A raster that a failed read must leave exactly as it was, generators included.
_image sentinel() {
  _image image;
  std::vector<float> values = {1, 2};
  image.set(1, 2, values);
  image.random_generators[3].set_range(2.0f, 3.0f);
  return image;
}

void expect_untouched(const _image& image) {
  EXPECT_EQ(image.width, 2u);
  EXPECT_EQ(image.height, 1u);
  EXPECT_EQ(image.samples, (std::vector<float>{1, 2}));
  EXPECT_EQ(image.random_generators[3].low, 2.0f);
}

TEST(Pgm, HeaderLayouts) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<float> expected;
    uint32_t width, height;
  };
  const Case cases[] = {
      {"comments before size and maxval", "P5\n# one\n# two\n3 2\n# three\n255\n" + RASTER,
       BOTTOM_UP, 3, 2},
      {"one-line header", "P5 3 2 255\n" + RASTER, BOTTOM_UP, 3, 2},
      {"fields over several lines", "P5\n3\n#c\n2\n\n255\n" + RASTER, BOTTOM_UP, 3, 2},
      {"comment right after fields", "P5#m\n3#w\n2 255#x\n" + RASTER, BOTTOM_UP, 3, 2},
      {"tabs and carriage returns", "P5\t3\r\n2\t255\n" + RASTER, BOTTOM_UP, 3, 2},
      {"one separator after maxval", std::string("P5\n2 1\n255\n\n ", 13), {10, 32}, 2, 1},
      {"plain, maxval 15 unscaled", "P2\n3 2\n15\n0 7 15\n1 2\n3\n", {1, 2, 3, 0, 7, 15}, 3, 2},
      {"plain values kept as written", "P2 2 1 255 -5 +300", {-5, 300}, 2, 1},
  };
  scratch_dir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir.file("in.pgm"), c.bytes);
    _image image = sentinel();
    ASSERT_EQ(_file_pgm().read(dir.file("in.pgm"), image, 100), 1);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.samples, c.expected);
    EXPECT_EQ(image.random_generators[3].low, 2.0f);  // assignment keeps the generators
  }
}

TEST(Pgm, FailuresLeaveTheImageAlone) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string out, err;  // exact messages on standard output and standard error
  };
  const std::string incomplete = "read_PGM: incomplete or malformed header in ";
  const Case cases[] = {
      {"other magic", "P6\n3 2\n255\n", "read_PGM: unknown file type P6\n\n", ""},
      {"magic not separated", "P55\n", "read_PGM: unknown file type P55\n\n", ""},
      {"empty file", "", "read_PGM: unknown file type \n", ""},
      {"magic only", "P5", "", incomplete},
      {"no height", "P5\n3\n", "", incomplete},
      {"comment to the end", "P5\n3 2\n# 255\n", "", incomplete},
      {"no maxval", "P5\n3 2\n", "", incomplete},
      {"letters in size", "P5\n3 x\n255\n", "", incomplete},
      {"size beyond 32 bits", "P5\n99999999999 2\n255\n", "", incomplete},
      {"zero width", "P5\n0 2\n255\n", "", "read_PGM: "},
      {"zero height", "P5\n3 0\n255\n", "", "read_PGM: "},
      {"maxval 0", "P5\n3 2\n0\n" + RASTER, "", "read_PGM: "},
      {"16-bit maxval", "P5\n3 2\n65535\n" + RASTER + RASTER, "", "read_PGM: "},
      {"binary one byte short", "P5\n3 2\n255\n" + RASTER.substr(1), "",
       "Error during reading BINARY PGM Input file\n"},
      {"plain one number short", "P2\n3 2\n255\n1 2 3\n4 5\n", "",
       "Error during reading ASCII PGM Input file\n"},
      {"plain word", "P2\n3 2\n255\n1 2 3\n4 five 6\n", "",
       "Error during reading ASCII PGM Input file\n"},
      {"huge binary in tiny file", "P5\n60000 60000\n255\nabc", "",
       "Error during reading BINARY PGM Input file\n"},
      {"huge plain in tiny file", "P2\n60000 60000\n255\n1 2 3", "",
       "Error during reading ASCII PGM Input file\n"},
  };
  scratch_dir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir.file("bad.pgm"), c.bytes);
    _image image = sentinel();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(_file_pgm().read(dir.file("bad.pgm"), image, 60000), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.out);
    if (c.err.empty() || c.err.ends_with('\n'))
      EXPECT_EQ(err, c.err);
    else
      EXPECT_TRUE(err.starts_with(c.err) && err.ends_with("\n")) << err;
    expect_untouched(image);
  }

  _image image = sentinel();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(_file_pgm().read(dir.file("missing.pgm"), image, 100), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file " + dir.file("missing.pgm") + "\n");
  expect_untouched(image);
}

TEST(Pgm, OversizeCallsTheHookAndFails) {
  scratch_dir dir;
  _file_pgm pgm;
  std::vector<int> reported;
  pgm.on_oversize = [&](int max_size) { reported.push_back(max_size); };
  const std::string message =
      "The size is greather than the maximum texture size supported with this card=3 pixels\n";
  struct Case {
    const char* name;
    std::string header;
    int result;
  };
  const Case cases[] = {{"width and height equal to the limit", "P5\n3 3\n255\n", 1},
                        {"width one more", "P5\n4 3\n255\n", 0},
                        {"height one more", "P5\n3 4\n255\n", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir.file("big.pgm"), c.header + std::string(16, '\x7f'));
    _image image = sentinel();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(pgm.read(dir.file("big.pgm"), image, 3), c.result);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.result ? "" : message);
    if (!c.result) expect_untouched(image);
  }
  EXPECT_EQ(reported, (std::vector<int>{3, 3}));
}

TEST(Pgm, WriteExactBytesAndRoundTrip) {
  scratch_dir dir;
  _image image;
  std::vector<float> values = {40, 50, 60, 10, 20, 30};
  image.set(2, 3, values);
  _file_pgm pgm;
  std::vector<std::pair<unsigned, unsigned>> progress;
  pgm.on_progress = [&](unsigned done, unsigned total) {
    progress.emplace_back(done, total);
    return true;
  };
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(pgm.write(dir.file("out.pgm"), image), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File written.\n");
  EXPECT_EQ(read_file(dir.file("out.pgm")), "P5\n3 2\n255\n" + RASTER);
  EXPECT_EQ(progress, (std::vector<std::pair<unsigned, unsigned>>{{0, 2}, {1, 2}, {2, 2}}));

  // Samples are truncated and wrap modulo 256.
  std::vector<float> edges = {255.9f, 256.0f, -1.0f, 0.99f, 511.0f};
  image.set(1, 5, edges);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(_file_pgm().write(dir.file("edges.pgm"), image), 1);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(read_file(dir.file("edges.pgm")),
            std::string("P5\n5 1\n255\n\xff\x00\xff\x00\xff", 16));

  // The sample photographs come back byte for byte.
  for (const char* name : {"camera.pgm", "chelsea_gray.pgm"}) {
    SCOPED_TRACE(name);
    const std::string source = std::string(STIPPON_DATA_DIR) + "/images/" + name;
    _image photo;
    ASSERT_EQ(_file_pgm().read(source, photo, 4096), 1);
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(_file_pgm().write(dir.file(name), photo), 1);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(read_file(dir.file(name)) == read_file(source));
  }
}

TEST(Pgm, FailedWritesKeepTheOlderFile) {
  scratch_dir dir;
  const std::string target = dir.file("keep.pgm");
  write_file(target, "older contents");
  _image image;
  image.dimensions(4, 4);
  image.create(false);

  _file_pgm cancelling;
  cancelling.on_progress = [](unsigned done, unsigned) { return done < 2; };
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(cancelling.write(target, image), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(read_file(target), "older contents");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.pgm"});

  // A folder that does not exist, and a "folder" that is a file.
  for (const std::string& name : {dir.file("missing/out.pgm"), target + "/out.pgm"}) {
    SCOPED_TRACE(name);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(_file_pgm().write(name, image), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Cannot create image file " + name + "\n");
  }
  EXPECT_EQ(read_file(target), "older contents");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.pgm"});
}

TEST(Pgm, NonAsciiNameAndOrdinaryMode) {
  scratch_dir dir;
  const std::string name = dir.file("gr\xc3\xa5_\xe5\x9b\xbe.pgm");  // UTF-8 bytes
  _image image;
  std::vector<float> values = {1, 2, 3};
  image.set(1, 3, values);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(_file_pgm().write(name, image), 1);
  ::testing::internal::GetCapturedStdout();
  _image back;
  ASSERT_EQ(_file_pgm().read(name, back, 100), 1);
  EXPECT_EQ(back.samples, values);

  // The renamed temporary gets the mode any newly created file gets, not a private one.
  write_file(dir.file("plain"), "");
  struct stat written {
  }, plain{};
  ASSERT_EQ(::stat(name.c_str(), &written), 0);
  ASSERT_EQ(::stat(dir.file("plain").c_str(), &plain), 0);
  EXPECT_EQ(written.st_mode & 0777, plain.st_mode & 0777);
}

}  // namespace
}  // namespace stippon
