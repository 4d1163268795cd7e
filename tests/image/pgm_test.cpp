#include <gtest/gtest.h>
#include <sys/stat.h>

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
  EXPECT_EQ(image.height, 1u);
  EXPECT_EQ(image.samples, (std::vector<float>{1, 2}));
  EXPECT_EQ(image.random_generators[3].low, 2.0f);
}

TEST(Pgm, HeaderLayouts) {
  const std::pair<const char*, std::string> cases[] = {
      {"comments before size and maxval", "P5\n# one\n# two\n3 2\n# three\n255\n" + RASTER},
      {"one-line header", "P5 3 2 255\n" + RASTER},
      {"fields over several lines", "P5\n3\n#c\n2\n\n255\n" + RASTER},
      {"comments right after fields", "P5#m\n3#w\n2 255#x\n" + RASTER},
      {"tabs and carriage returns", "P5\t3\r\n2\t255\n" + RASTER},
      {"plain", "P2\n3 2\n255\n10 20 30\n40\n50 60"},
  };
  scratch_dir dir;
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    write_file(dir.file("in.pgm"), bytes);
    _image image = sentinel();
    ASSERT_EQ(_file_pgm().read(dir.file("in.pgm"), image, 100), 1);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.samples, BOTTOM_UP);
    EXPECT_EQ(image.random_generators[3].low, 2.0f);  // assignment keeps the generators
  }
  // Exactly one white space ends the header; values are not rescaled.
  _image image;
  write_file(dir.file("in.pgm"), std::string("P5\n2 1\n255\n\n ", 13));
  ASSERT_EQ(_file_pgm().read(dir.file("in.pgm"), image, 100), 1);
  EXPECT_EQ(image.samples, (std::vector<float>{10, 32}));
  write_file(dir.file("in.pgm"), "P2 3 1 15 0 -5 +300");
  ASSERT_EQ(_file_pgm().read(dir.file("in.pgm"), image, 100), 1);
  EXPECT_EQ(image.samples, (std::vector<float>{0, -5, 300}));
}

TEST(Pgm, FailuresLeaveTheImageAlone) {
  struct Case {
    const char* name;
    std::string bytes, out, err;  // exact stdout; stderr exact when it ends a line, else prefix
  };
  const std::string header = "read_PGM: incomplete or malformed header in ";
  const std::string binary = "Error during reading BINARY PGM Input file\n";
  const std::string ascii = "Error during reading ASCII PGM Input file\n";
  const Case cases[] = {
      {"other magic", "P6\n3 2\n255\n", "read_PGM: unknown file type P6\n\n", ""},
      {"magic not separated", "P55\n", "read_PGM: unknown file type P55\n\n", ""},
      {"empty file", "", "read_PGM: unknown file type \n", ""},
      {"magic only", "P5", "", header},
      {"no height", "P5\n3\n", "", header},
      {"maxval in a comment", "P5\n3 2\n# 255\n", "", header},
      {"letters in size", "P5\n3 x\n255\n", "", header},
      {"size beyond 32 bits", "P5\n99999999999 2\n255\n", "", header},
      {"zero width", "P5\n0 2\n255\n", "", "read_PGM: "},
      {"zero height", "P5\n3 0\n255\n", "", "read_PGM: "},
      {"maxval 0", "P5\n3 2\n0\n" + RASTER, "", "read_PGM: "},
      {"16-bit maxval", "P5\n3 2\n65535\n" + RASTER + RASTER, "", "read_PGM: "},
      {"binary one byte short", "P5\n3 2\n255\n" + RASTER.substr(1), "", binary},
      {"plain one number short", "P2\n3 2\n255\n1 2 3\n4 5\n", "", ascii},
      {"plain word", "P2\n3 2\n255\n1 2 3\n4 five 6\n", "", ascii},
      {"huge binary in tiny file", "P5\n60000 60000\n255\nabc", "", binary},
      {"huge plain in tiny file", "P2\n60000 60000\n255\n1 2 3", "", ascii},
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
  for (const auto& [header, result] :
       {std::pair{"P5 3 3 255\n", 1}, {"P5 4 3 255\n", 0}, {"P5 3 4 255\n", 0}}) {
    SCOPED_TRACE(header);
    write_file(dir.file("big.pgm"), header + std::string(16, '\x7f'));
    _image image = sentinel();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(pgm.read(dir.file("big.pgm"), image, 3), result);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              result ? ""
                     : "The size is greather than the maximum texture size supported with this "
                       "card=3 pixels\n");
  }
  EXPECT_EQ(reported, (std::vector<int>{3, 3}));
}

TEST(Pgm, WriteExactBytesAndRoundTrip) {
  scratch_dir dir;
  _image image;
  std::vector<float> values = BOTTOM_UP;
  image.set(2, 3, values);
  _file_pgm pgm;
  std::vector<unsigned> progress;
  pgm.on_progress = [&](unsigned done, unsigned total) {
    progress.push_back(done * 10 + total);
    return true;
  };
  const std::string name = dir.file("gr\xc3\xa5_\xe5\x9b\xbe.pgm");  // a UTF-8 name
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(pgm.write(name, image), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File written.\n");
  EXPECT_EQ(read_file(name), "P5\n3 2\n255\n" + RASTER);
  EXPECT_EQ(progress, (std::vector<unsigned>{2, 12, 22}));

  // The renamed temporary gets the mode any new file gets, not a private one.
  write_file(dir.file("plain"), "");
  struct stat written {
  }, plain{};
  ASSERT_EQ(::stat(name.c_str(), &written), 0);
  ASSERT_EQ(::stat(dir.file("plain").c_str(), &plain), 0);
  EXPECT_EQ(written.st_mode & 0777, plain.st_mode & 0777);

  std::vector<float> edges = {255.9f, 256.0f, -1.0f, 0.99f, 511.0f};  // truncated, wrapped
  image.set(1, 5, edges);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(_file_pgm().write(name, image), 1);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(read_file(name), std::string("P5\n5 1\n255\n\xff\x00\xff\x00\xff", 16));

  const std::string camera = std::string(STIPPON_DATA_DIR) + "/images/camera.pgm";
  _image photo;
  ASSERT_EQ(_file_pgm().read(camera, photo, 4096), 1);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(_file_pgm().write(name, photo), 1);
  ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(read_file(name) == read_file(camera));
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

  // A folder that does not exist, and a "folder" that is a file.
  for (const std::string& name : {dir.file("missing/out.pgm"), target + "/out.pgm"}) {
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

}  // namespace
}  // namespace stippon
