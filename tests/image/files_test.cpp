// PGM and PNG files: layouts read, exact bytes written, refused input, and failed writes that
// keep the older file and leave nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QImage>

#include "image/file_fixtures.h"
#include "image/file_pgm.h"
#include "image/file_png.h"

namespace stippon {
namespace {

using namespace testing;


TEST(Pgm, HeaderLayouts) {
  // Exactly one white space ends the header; values are not rescaled.
  const std::pair<std::string, std::vector<float>> cases[] = {
      {"P5\n# one\n3 2\n# two\n255\n" + RASTER, BOTTOM_UP},
      {"P5#m\n3#w\n2 255#x\n" + RASTER, BOTTOM_UP},
      {"P2\t3\r\n2\t255\n10 20 30\n40\n50 60", BOTTOM_UP},
      {std::string("P5\n2 1\n255\n\n ", 13), {10, 32}},
      {"P2 3 1 15 0 +5 15", {0, 5, 15}},
  };
  scratch_dir dir;
  for (const auto& [bytes, samples] : cases) {
    write_file(dir / "in.pgm", bytes);
    _image image;
    image.random_generators[3].set_range(2.0f, 3.0f);
    ASSERT_EQ(_file_pgm().read(dir / "in.pgm", image, 100), 1) << bytes;
    EXPECT_TRUE(image.width == samples.size() / image.height && image.samples == samples);
    EXPECT_EQ(image.random_generators[3].low, 2.0f);  // assignment keeps the generators
  }
}

TEST(Pgm, FailuresLeaveTheImageAlone) {
  scratch_dir dir;
  const std::string bad = dir / "bad.pgm", missing = dir / "missing.pgm";
  const std::string header = "read_PGM: incomplete or malformed header in " + bad + "\n";
  const std::string limit =
      "The size is greater than the maximum texture size supported with this card=60000 pixels\n";
  const std::string binary = "Error during reading BINARY PGM Input file\n";
  const std::string ascii = "Error during reading ASCII PGM Input file\n";
  const std::string malformed = "has an incomplete or malformed header";
  const std::string cut = "ends before the last sample its header declares";
  const std::tuple<const char*, std::string, std::string, std::string, std::string> cases[] = {
      // name, contents, exact standard output, exact standard error, last_error()
      {"other magic", "P6\n3 2\n255\n", "read_PGM: unknown file type P6\n\n", "",
       "is not a PGM file"},
      {"magic not separated", "P55\n", "read_PGM: unknown file type P55\n\n", "",
       "is not a PGM file"},
      {"magic only", "P5", "", header, malformed},
      {"letters in size", "P5\n3 x\n255\n", "", header, malformed},
      {"size beyond 32 bits", "P5\n99999999999 2\n255\n", "", header, malformed},
      {"zero width", "P5\n0 2\n255\n", "",
       "read_PGM: " + bad + " declares an empty image (0 x 2)\n",
       "declares an empty image (0 x 2)"},
      {"too wide", "P5\n60001 2\n255\n", "", limit,
       "is 60001 x 2 pixels, beyond the largest edge of 60000"},
      {"too high", "P2\n3 60001\n255\n", "", limit,
       "is 3 x 60001 pixels, beyond the largest edge of 60000"},
      {"16-bit", "P5\n3 2\n65535\n" + RASTER + RASTER, "",
       "read_PGM: " + bad + " has the maximum value 65535; only 8-bit images are read\n",
       "has the maximum value 65535; only 8-bit images are read"},
      {"plain word", "P2\n3 2\n255\n1 2 3\n4 five 6\n", "", ascii,
       "has a sample that is not a number at row 2, column 2"},
      {"huge binary in tiny file", "P5\n60000 60000\n255\nabc", "", binary, cut},
      {"huge plain in tiny file", "P2\n60000 60000\n255\n1 2 3", "", ascii, cut},
      {"missing file", "", "Error: Cannot open image file " + missing + "\n", "",
       "No such file or directory"},
  };
  _file_pgm pgm;
  int oversize = 0;
  pgm.on_oversize = [&](int max_size) { oversize += max_size == 60000; };
  for (const auto& [name, bytes, out, err, reason] : cases) {
    const bool exists = std::string(name) != "missing file";
    if (exists) write_file(bad, bytes);
    _image image;
    std::vector<float> values = {1, 2};
    image.set(1, 2, values);
    image.random_generators[3].set_range(2.0f, 3.0f);
    EXPECT_EQ(printed([&] { EXPECT_EQ(pgm.read(exists ? bad : missing, image, 60000), 0); }),
              std::pair(out, err))
        << name;
    EXPECT_EQ(pgm.last_error(), reason) << name;
    EXPECT_TRUE(image.height == 1 && image.samples == values) << name;
    EXPECT_EQ(image.random_generators[3].low, 2.0f);
  }
  EXPECT_EQ(oversize, 2);
}

TEST(Pgm, WriteExactBytesAndRoundTrip) {
  scratch_dir dir;
  _image image, photo;
  std::vector<float> values = BOTTOM_UP;
  image.set(2, 3, values);
  const std::string name = dir / "gr\xc3\xa5_\xe5\x9b\xbe.pgm";  // a UTF-8 name
  EXPECT_EQ(printed([&] { EXPECT_EQ(_file_pgm().write(name, image), 1); }).first,
            "File written.\n");
  EXPECT_EQ(read_file(name), "P5\n3 2\n255\n" + RASTER);
  // The renamed temporary gets the mode any new file gets, not a private one.
  write_file(dir / "plain", "");
  struct stat written {
  }, plain{};
  ASSERT_EQ(::stat(name.c_str(), &written) + ::stat((dir / "plain").c_str(), &plain), 0);
  EXPECT_EQ(written.st_mode & 0777, plain.st_mode & 0777);

  values = {255.9f, 256.0f, -1.0f, 0.99f, 511.0f};  // truncated, wrapped
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

// Reads a file that must fail, leaving the texture alone; returns what went to standard error.
std::string failed_read(const std::string& name) {
  _texture texture;
  texture.dimensions(1, 1);
  texture.texels = {_pixel(1, 2, 3, 4)};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(_file_png().read(name, texture), 0) << name;
  EXPECT_EQ(texture.texels, std::vector<_pixel>{_pixel(1, 2, 3, 4)});
  return ::testing::internal::GetCapturedStderr();
}

const auto be32 = [](uint32_t v) {
  return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
};

std::string chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
}

TEST(Png, RgbaRoundTripWithResolution) {
  scratch_dir dir;
  _texture texture;
  texture.dimensions(3, 5);
  for (int i = 0; i < 15; ++i) texture.texels.push_back(_pixel(i * 17, 255 - i * 3, i * i, i * 16));
  const std::string name = dir / "\xc3\xa9t\xc3\xa9.png";  // a UTF-8 name
  // 300 ppi is 11811 pixels per metre, unit metre.
  const std::string phys = chunk("pHYs", be32(11811) + be32(11811) + "\x01");
  EXPECT_EQ(printed([&] { EXPECT_EQ(_file_png().write(name, texture, 300), 1); }).first,
            "File written.\n");
  const std::string bytes = read_file(name);
  EXPECT_EQ(bytes.substr(24, 2), std::string("\x08\x06", 2));  // 8-bit RGBA
  EXPECT_NE(bytes.find(phys), std::string::npos);
  _texture back;
  ASSERT_EQ(_file_png().read(name, back), 1);
  EXPECT_TRUE(back.width == 5 && back.texels == texture.texels);
}

// A cancelled PGM, a folder that does not exist or is a file, a PNG that libpng refuses or whose
// texels fall short: the older file stays and no temporary is left behind.
TEST(Files, FailedWritesKeepTheOlderFile) {
  scratch_dir dir;
  const std::string pgm = dir / "keep.pgm", png = dir / "keep.png", missing = dir / "no/keep.png";
  write_file(pgm, "older");
  write_file(png, "older");
  _image image;
  std::vector<float> black(16, 0.0f);
  image.set(4, 4, black);
  _texture hollow, empty;
  hollow.dimensions(2, 2);  // no texels behind the size
  _file_pgm cancelling;
  cancelling.on_progress = [](unsigned done, unsigned) { return done < 2; };
  const std::string cannot = "Error: Cannot create image file ", libpng = "[write_png_file] ";
  const std::pair<std::function<int()>, std::string> cases[] = {
      // the write, its standard error (where libpng may say why first, its end)
      {[&] { return cancelling.write(pgm, image); }, ""},
      {[&] { return _file_pgm().write(missing, image); }, cannot + missing + "\n"},
      {[&] { return _file_pgm().write(pgm + "/a.pgm", image); }, cannot + pgm + "/a.pgm\n"},
      {[&] { return _file_png().write(png, empty); }, libpng + "Error during writing header\n"},
      {[&] { return _file_png().write(png, hollow); },
       libpng + "The texture holds fewer texels than its size\n"},
      {[&] { return _file_png().write(missing, empty); },
       libpng + "File " + missing + " could not be opened for writing\n"},
  };
  for (const auto& [write, message] : cases) {
    const auto [out, err] = printed([&] { EXPECT_EQ(write(), 0); });
    EXPECT_EQ(out, "");
    EXPECT_TRUE(message.starts_with(libpng) ? err.ends_with(message) : err == message) << err;
  }
  EXPECT_EQ(read_file(pgm) + read_file(png), "olderolder");
  EXPECT_EQ(dir.files().size(), 2u);
}

// Every PngSuite file: 8-bit RGB and RGBA ones read as Qt's own reader sees them, interlaced ones
// as their plain twins, every other kind is refused naming it, and the corrupt x* files fail
// without harm.
TEST(Png, Suite) {
  int read = 0, refused = 0, interlaced = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SUITE)) {
    const std::string file = entry.path().filename().string(), path = entry.path().string();
    if (!file.ends_with(".png")) continue;
    SCOPED_TRACE(file);
    const std::string kind = file.substr(4, 4);  // colour type and bit depth, e.g. "2c08"
    if (file[0] == 'x' || (kind != "2c08" && kind != "6a08")) {
      const std::string err = failed_read(path), type = kind.substr(0, 1),
                        depth = std::to_string(std::stoi(kind.substr(2)));
      EXPECT_TRUE(file[0] == 'x' ||
                  err.ends_with(path + " is not an 8-bit RGB or RGBA PNG (colour type " + type +
                                ", bit depth " + depth + ")\n"))
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
}

TEST(Png, BrokenFiles) {
  scratch_dir dir;
  const std::string rgb = read_file(SUITE + "basn2c08.png"), missing = dir / "missing.png";
  const std::string init_io = "[read_png_file] Error during init_io";
  // A header and a token data chunk: enough for libpng to report the declared size.
  const auto declared = [&](uint32_t width, uint32_t height) {
    const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\0\0\0", 5);
    return rgb.substr(0, 8) + chunk("IHDR", ihdr) + chunk("IDAT", "x");
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

}  // namespace
}  // namespace stippon
