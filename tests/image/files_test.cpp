// PGM and PNG files: layouts read, exact bytes written, refused and oversized input, inputs that
// are no plain file, and failed writes that keep the older file and leave nothing behind.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QImage>
#include <QImageWriter>
#include <fstream>

#include "image/file_access.h"
#include "image/file_fixtures.h"
#include "image/file_pgm.h"
#include "image/file_png.h"

namespace stippon {
namespace {

using namespace testing;

const std::string P5 = "P5\n3 2\n255\n" + RASTER;

// An RGBA PNG that declares a size and carries one tiny stored row of data.
std::string declared_png(uint32_t width, uint32_t height) {
  const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\0\0\0", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + png_chunk("IHDR", ihdr) +
         png_chunk("IDAT", std::string("\x78\x01\x01\x01\x00\xfe\xff\x00\x00\x01\x00\x01", 12)) +
         png_chunk("IEND", "");
}

// Exactly one white space ends the header; values are not rescaled; assignment keeps the
// raster's generators.
TEST(Pgm, HeaderLayouts) {
  const std::pair<std::string, std::vector<float>> cases[] = {
      {"P5\n# one\n3 2\n# two\n255\n" + RASTER, BOTTOM_UP},
      {"P5#m\n3#w\n2 255#x\n" + RASTER, BOTTOM_UP},
      {"P2\t3\r\n2\t255\n10 20 30\n40\n50 60", BOTTOM_UP},
      {std::string("P5\n2 1\n255\n\n ", 13), {10, 32}},
      {"P2 3 1 15 0 +5 15", {0, 5, 15}},
      {"P2 2 1 9 0 9", {0, 9}},  // the ends of the range are samples like any other
  };
  scratch_dir dir;
  for (const auto& [bytes, samples] : cases) {
    write_file(dir / "in.pgm", bytes);
    _image image;
    image.random_generators[3].set_range(2.0f, 3.0f);
    ASSERT_EQ(_file_pgm().read(dir / "in.pgm", image, 100), 1) << bytes;
    EXPECT_TRUE(image.width == samples.size() / image.height && image.samples == samples);
    EXPECT_EQ(image.random_generators[3].low, 2.0f);
  }
}

// Every refusal prints what it always printed, keeps its reason and leaves the image alone; huge
// sizes in tiny files are refused without reading on.
TEST(Pgm, FailuresLeaveTheImageAlone) {
  scratch_dir dir;
  const std::string bad = dir / "bad.pgm", missing = dir / "missing.pgm";
  // What went to standard output, "|", what went to standard error.
  const std::string header = "|read_PGM: incomplete or malformed header in " + bad + "\n";
  const std::string limit =
      "|The size is greater than the maximum texture size supported with this card=60000 pixels\n";
  const std::string binary = "|Error during reading BINARY PGM Input file\n";
  const std::string ascii = "|Error during reading ASCII PGM Input file\n";
  const std::string malformed = "has an incomplete or malformed header";
  const std::string cut = "ends before the last sample its header declares";
  const auto outside = [&](const std::string& what) {
    return "|read_PGM: " + bad + " has the sample " + what;
  };
  const std::tuple<const char*, std::string, std::string, std::string> cases[] = {
      // name, contents, exact standard output and error, last_error()
      {"other magic", "P6\n3 2\n255\n", "read_PGM: unknown file type P6\n\n|", "is not a PGM file"},
      {"letters in size", "P5\n3 x\n255\n", header, malformed},
      {"size beyond 32 bits", "P5\n99999999999 2\n255\n", header, malformed},
      {"zero width", "P5\n0 2\n255\n", "|read_PGM: " + bad + " declares an empty image (0 x 2)\n",
       "declares an empty image (0 x 2)"},
      {"too wide", "P5\n60001 2\n255\n", limit,
       "is 60001 x 2 pixels, beyond the largest edge of 60000"},
      {"16-bit", "P5\n3 2\n65535\n" + RASTER + RASTER,
       "|read_PGM: " + bad + " has the maximum value 65535; only 8-bit images are read\n",
       "has the maximum value 65535; only 8-bit images are read"},
      {"plain word", "P2\n3 2\n255\n1 2 3\n4 five 6\n", ascii,
       "has a sample that is not a number at row 2, column 2"},
      {"plain above", "P2 3 2 255\n1 2 3\n4 300 6\n",
       outside("300 at row 2, column 2, outside 0..255\n"),
       "has the sample 300 at row 2, column 2, outside 0..255"},
      {"raw byte above the maximum", std::string("P5 3 2 100\n\x01\x02\x03\x04\x65\x06", 17),
       outside("101 at row 2, column 2, outside 0..100\n"),
       "has the sample 101 at row 2, column 2, outside 0..100"},
      {"huge binary in tiny file", "P5\n60000 60000\n255\nabc", binary, cut},
      {"missing file", "", "Error: Cannot open image file " + missing + "\n|",
       "No such file or directory"},
  };
  _file_pgm pgm;
  int oversize = 0;
  pgm.on_oversize = [&](int max_size) { oversize += max_size == 60000; };
  for (const auto& [name, bytes, said, reason] : cases) {
    const bool exists = std::string(name) != "missing file";
    if (exists) write_file(bad, bytes);
    _image image;
    std::vector<float> values = {1, 2};
    image.set(1, 2, values);
    const auto [out, err] =
        printed([&] { EXPECT_EQ(pgm.read(exists ? bad : missing, image, 60000), 0); });
    EXPECT_EQ(out + "|" + err, said) << name;
    EXPECT_EQ(pgm.last_error(), reason) << name;
    EXPECT_TRUE(image.height == 1 && image.samples == values) << name;
  }
  EXPECT_EQ(oversize, 1);
}

// The exact bytes, a name outside ASCII, the mode any new file gets, truncation of what a byte
// cannot hold, and a photograph read and written back unchanged.
TEST(Pgm, WriteExactBytesAndRoundTrip) {
  scratch_dir dir;
  _image image, photo;
  std::vector<float> values = BOTTOM_UP;
  image.set(2, 3, values);
  const std::string name = dir / "gr\xc3\xa5_\xe5\x9b\xbe.pgm";
  EXPECT_EQ(printed([&] { EXPECT_EQ(_file_pgm().write(name, image), 1); }).first,
            "File written.\n");
  EXPECT_EQ(read_file(name), "P5\n3 2\n255\n" + RASTER);
  write_file(dir / "plain", "");
  struct stat written {
  }, plain{};
  ASSERT_EQ(::stat(name.c_str(), &written) + ::stat((dir / "plain").c_str(), &plain), 0);
  EXPECT_EQ(written.st_mode & 0777, plain.st_mode & 0777);

  values = {255.9f, 256.0f, -1.0f, 0.99f, 511.0f};
  image.set(1, 5, values);
  const std::string camera = STIPPON_DATA_DIR "/images/camera.pgm";
  printed([&] {
    ASSERT_EQ(_file_pgm().write(name, image), 1);
    EXPECT_EQ(read_file(name), std::string("P5\n5 1\n255\n\xff\x00\xff\x00\xff", 16));
    ASSERT_EQ(_file_pgm().read(camera, photo, 4096), 1);
    ASSERT_EQ(_file_pgm().write(name, photo), 1);
  });
  EXPECT_TRUE(read_file(name) == read_file(camera));
}

// A cancelled PGM, a folder that does not exist or is a file, a PNG whose texels fall short: the
// older file stays and no temporary is left behind.
TEST(Files, FailedWritesKeepTheOlderFile) {
  scratch_dir dir;
  const std::string pgm = dir / "keep.pgm", png = dir / "keep.png", missing = dir / "no/keep.png";
  write_file(pgm, "older");
  write_file(png, "older");
  _image image;
  std::vector<float> black(16, 0.0f);
  image.set(4, 4, black);
  _texture hollow;
  hollow.dimensions(2, 2);  // no texels behind the size
  _file_pgm cancelling;
  cancelling.on_progress = [](unsigned done, unsigned) { return done < 2; };
  const std::string cannot = "Error: Cannot create image file ";
  const std::pair<std::function<int()>, std::string> cases[] = {
      {[&] { return cancelling.write(pgm, image); }, ""},
      {[&] { return _file_pgm().write(missing, image); }, cannot + missing + "\n"},
      {[&] { return _file_pgm().write(pgm + "/a.pgm", image); }, cannot + pgm + "/a.pgm\n"},
      {[&] { return _file_png().write(png, hollow); },
       "[write_png_file] The texture holds fewer texels than its size\n"},
  };
  for (const auto& [write, message] : cases) {
    const auto [out, err] = printed([&] { EXPECT_EQ(write(), 0); });
    EXPECT_EQ(out, "");
    EXPECT_TRUE(err.ends_with(message)) << err;
  }
  EXPECT_EQ(read_file(pgm) + read_file(png), "olderolder");
  EXPECT_EQ(dir.files().size(), 2u);
}

// Reads a PNG that must fail, leaving the texture alone; returns what went to standard error.
std::string failed_read(const std::string& name) {
  _texture texture;
  texture.dimensions(1, 1);
  texture.texels = {_pixel(1, 2, 3, 4)};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(_file_png().read(name, texture), 0) << name;
  EXPECT_EQ(texture.texels, std::vector<_pixel>{_pixel(1, 2, 3, 4)});
  return ::testing::internal::GetCapturedStderr();
}

// Every PngSuite file: 8-bit RGB and RGBA ones read as Qt's own reader sees them, interlaced ones
// as their plain twins, every other kind is refused naming it, and the corrupt x* files fail
// without harm. What the tones are written with reads back.
TEST(Png, SuiteAndRoundTrip) {
  int read = 0, refused = 0, interlaced = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SUITE)) {
    const std::string file = entry.path().filename().string(), path = entry.path().string();
    if (!file.ends_with(".png")) continue;
    SCOPED_TRACE(file);
    const std::string kind = file.substr(4, 4);  // colour type and bit depth, e.g. "2c08"
    if (file[0] == 'x' || (kind != "2c08" && kind != "6a08")) {
      const std::string err = failed_read(path);
      EXPECT_TRUE(file[0] == 'x' ||
                  err.ends_with(path + " is not an 8-bit RGB or RGBA PNG (colour type " +
                                kind.substr(0, 1) + ", bit depth " +
                                std::to_string(std::stoi(kind.substr(2))) + ")\n"))
          << err;
      ++refused;
      continue;
    }
    _texture texture;
    ASSERT_EQ(_file_png().read(path, texture), 1);
    // Qt turns a tRNS colour into transparency; texel alpha comes from RGBA files alone.
    const QImage q = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);
    std::vector<_pixel> expected;
    for (int y = q.height() - 1; y >= 0; --y)  // texture row 0 is the bottom
      for (int x = 0; x < q.width(); ++x) {
        const QRgb c = q.pixel(x, y);
        expected.emplace_back(qRed(c), qGreen(c), qBlue(c), kind == "6a08" ? qAlpha(c) : 255);
      }
    EXPECT_TRUE(int(texture.width) == q.width() && texture.texels == expected);
    ++read;
    if (!file.starts_with("basi")) continue;
    _texture plain;
    ASSERT_EQ(_file_png().read(SUITE + "basn" + file.substr(4), plain), 1);
    EXPECT_TRUE(plain.texels == texture.texels);
    ++interlaced;
  }
  EXPECT_TRUE(read >= 30 && refused >= 120 && interlaced == 2) << read << " " << refused;

  scratch_dir dir;
  _texture texture, back;
  texture.dimensions(3, 5);
  for (int i = 0; i < 15; ++i) texture.texels.push_back(_pixel(i * 17, 255 - i * 3, i * i, i * 16));
  printed([&] { EXPECT_EQ(_file_png().write(dir / "\xc3\xa9t\xc3\xa9.png", texture), 1); });
  ASSERT_EQ(_file_png().read(dir / "\xc3\xa9t\xc3\xa9.png", back), 1);
  EXPECT_TRUE(back.width == 5 && back.texels == texture.texels);
}

TEST(Png, BrokenFiles) {
  scratch_dir dir;
  const std::string rgb = read_file(SUITE + "basn2c08.png"), missing = dir / "missing.png";
  const std::string init_io = "[read_png_file] Error during init_io";
  // A header and a token data chunk: enough for libpng to report the declared size.
  const auto declared = [&](uint32_t width, uint32_t height) {
    const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\0\0\0", 5);
    return rgb.substr(0, 8) + png_chunk("IHDR", ihdr) + png_chunk("IDAT", "x");
  };
  const std::pair<std::string, std::string> cases[] = {
      // contents, end of standard error
      {"P5\n3 2\n255\n123456", " is not recognized as a PNG file"},
      {"\x89PN", " is not recognized as a PNG file"},
      {rgb.substr(0, 33), init_io},
      {rgb.substr(0, rgb.size() / 2), "[read_png_file] Error during read_image"},
      {declared(40000, 1), init_io},
      {declared(30000, 30000), " is too large (30000 x 30000)"},
  };
  for (const auto& [bytes, message] : cases) {
    write_file(dir / "in.png", bytes);
    const std::string err = failed_read(dir / "in.png");
    EXPECT_TRUE(err.ends_with(message + "\n")) << err;
  }
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(failed_read(missing), "");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file " + missing + "\n");
}

// A PNG read in a child whose address space leaves room for the small things a read needs, not
// for the picture the file declares: the child dies if the reader allocates it.
std::string read_with_little_memory(const std::string& name) {
#if defined(__SANITIZE_ADDRESS__)
  (void)name;
  return "skipped";  // the sanitizer reserves terabytes of address space up front
#else
  return in_child(
      [] {
        std::ifstream status("/proc/self/statm");
        size_t pages = 0;
        status >> pages;
        const rlim_t room = pages * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t{64} << 20);
        const rlimit limit{room, room};
        return ::setrlimit(RLIMIT_AS, &limit) == 0;
      },
      [&] {
        _file_png png;
        _texture texture;
        printed([&] { png.read(name, texture); });
        return png.last_error();
      });
#endif
}

// A file that declares far more pixels than its data could inflate to, or a chunk longer than the
// file (found by fuzzing), is refused before anything is allocated for it. A flat picture at the
// highest compression still reads.
TEST(Png, PicturesLargerThanTheirFileCanHold) {
  scratch_dir dir;
  const std::string bomb = dir / "bomb.png";
  write_file(bomb, declared_png(8192, 8192));
  const std::string reason = "declares 8192 x 8192 pixels, more than its " +
                             std::to_string(read_file(bomb).size()) + " bytes can hold";
  _file_png png;
  _texture texture;
  EXPECT_EQ(printed([&] { EXPECT_EQ(png.read(bomb, texture), 0); }).second,
            "[read_png_file] File " + bomb + " " + reason + "\n");
  EXPECT_EQ(png.last_error(), reason);
  const std::string limited = read_with_little_memory(bomb);
  EXPECT_TRUE(limited == reason || limited == "skipped") << limited;

  const std::string ihdr = be32(32) + be32(32) + std::string("\x08\x02\0\0\0", 5);
  write_file(bomb, declared_png(1, 1).substr(0, 8) + png_chunk("IHDR", ihdr) + be32(0x5f704859) +
                       "sPLTabcdefgh");
  EXPECT_EQ(printed([&] { EXPECT_EQ(png.read(bomb, texture), 0); }).second,
            "[read_png_file] File " + bomb + " has a chunk longer than the file\n");
  EXPECT_EQ(png.last_error(), "is damaged or cut short");
  const std::string chunk_limited = read_with_little_memory(bomb);
  EXPECT_TRUE(chunk_limited == png.last_error() || chunk_limited == "skipped") << chunk_limited;

  write_file(dir / "small.png", declared_png(16, 16));  // room enough: only damaged
  printed([&] { EXPECT_EQ(png.read(dir / "small.png", texture), 0); });
  EXPECT_EQ(png.last_error(), "is damaged or cut short");

  QImage flat(2048, 2048, QImage::Format_RGBA8888);
  flat.fill(QColor(12, 34, 56));
  QImageWriter writer(QString::fromStdString(dir / "flat.png"), "png");
  writer.setQuality(0);  // the strongest compression
  ASSERT_TRUE(writer.write(flat));
  ASSERT_EQ(png.read(dir / "flat.png", texture), 1);
  EXPECT_EQ(texture.texels, std::vector<_pixel>(size_t{2048} * 2048, _pixel(12, 34, 56, 255)));
}

// Pipes and FIFOs cannot seek: they read as the same file would, and standard input stays open.
TEST(Files, StreamsReadLikeFiles) {
  scratch_dir dir;
  const std::string png = read_file(SUITE + "basn6a08.png");
  _texture from_file;
  ASSERT_EQ(_file_png().read(SUITE + "basn6a08.png", from_file), 1);
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const bool standard_input : {false, true}) {
    SCOPED_TRACE(standard_input ? "standard input" : "FIFO");
    const auto through = [&](const std::string& bytes, const auto& read) {
      feeder writer(fifo, bytes);
      if (!standard_input) return read(fifo);
      const int descriptor = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
      redirected input(STDIN_FILENO, descriptor);
      ::close(descriptor);
      const int result = read(std::string("-"));
      EXPECT_NE(::fcntl(STDIN_FILENO, F_GETFD), -1);
      return result;
    };
    _image image;
    EXPECT_EQ(through(P5, [&](const std::string& n) { return _file_pgm().read(n, image, 100); }),
              1);
    EXPECT_EQ(image.samples, BOTTOM_UP);
    _texture texture;
    EXPECT_EQ(through(png, [&](const std::string& n) { return _file_png().read(n, texture); }), 1);
    EXPECT_EQ(texture.texels, from_file.texels);
  }
}

// Folders and devices are refused with a reason, and nothing is read from them.
TEST(Files, InputsThatAreNoPictures) {
  scratch_dir dir;
  const std::string folder = dir / "folder.pgm";
  std::filesystem::create_directory(folder);
  const struct {
    std::string name, pgm_reason, png_reason, printed;
  } cases[] = {
      {folder, IS_A_FOLDER, IS_A_FOLDER, "read_PGM: " + folder + " is a folder\n"},
      {"/dev/null", "is not a PGM file", "is not a PNG file", "read_PGM: unknown file type \n"},
      {"/dev/zero", "is not a PGM file", "is not a PNG file", "read_PGM: unknown file type \n"},
  };
  for (const auto& c : cases) {
    _file_pgm pgm;
    _image image;
    const auto [out, err] = printed([&] { EXPECT_EQ(pgm.read(c.name, image, 100), 0); });
    EXPECT_EQ(out + err, c.printed) << c.name;
    EXPECT_EQ(pgm.last_error(), c.pgm_reason);
    _file_png png;
    _texture texture;
    printed([&] { EXPECT_EQ(png.read(c.name, texture), 0); });
    EXPECT_EQ(png.last_error(), c.png_reason);
  }
  EXPECT_EQ(snapshot(dir.dir).size(), 1u);
}

}  // namespace
}  // namespace stippon
