#include <gtest/gtest.h>
#include <zlib.h>

#include <QImage>
#include <filesystem>

#include "image/file_png.h"
#include "image/scratch.h"

namespace stippon {
namespace {

using testing::read_file;
using testing::scratch_dir;
using testing::write_file;

const std::string SUITE = std::string(STIPPON_TEST_DATA_DIR) + "/pngsuite/";

_texture sentinel() {
  _texture texture;
  texture.dimensions(1, 1);
  texture.create();
  texture.put(0, 0, _pixel(1, 2, 3, 4));
  return texture;
}

// Reads a file that must fail, leaving the texture alone; returns what went to standard error.
std::string failed_read(const std::string& name) {
  _texture texture = sentinel();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(_file_png().read(name, texture), 0) << name;
  EXPECT_EQ(texture.texels, sentinel().texels);
  return ::testing::internal::GetCapturedStderr();
}

std::string be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
}

// A header and a token data chunk: enough for libpng to report the declared size.
std::string declared_png(uint32_t width, uint32_t height) {
  const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", "x");
}

TEST(Png, TwoByTwoRgbFlipsRows) {
  scratch_dir dir;
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(255, 0, 0));
  picture.setPixel(1, 0, qRgb(0, 255, 0));
  picture.setPixel(0, 1, qRgb(0, 0, 255));
  picture.setPixel(1, 1, qRgb(255, 255, 255));
  ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("rgb.png")), "PNG"));
  ASSERT_EQ(read_file(dir.file("rgb.png")).substr(24, 2), std::string("\x08\x02", 2));  // RGB

  _texture texture;
  ASSERT_EQ(_file_png().read(dir.file("rgb.png"), texture), 1);
  EXPECT_EQ(texture.texels,
            (std::vector<_pixel>{
                {0, 0, 255, 255}, {255, 255, 255, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}}));
}

TEST(Png, RgbaRoundTripWithResolution) {
  scratch_dir dir;
  _texture texture;
  texture.dimensions(3, 5);
  texture.create();
  for (unsigned i = 0; i < texture.texels.size(); ++i)
    texture.texels[i] = _pixel(i * 17, 255 - i * 3, i * i, i * 16);
  const std::string name = dir.file("\xc3\xa9t\xc3\xa9.png");  // a UTF-8 name
  // 300 ppi is 11811 pixels per metre (0x2e23), unit metre.
  const std::string phys = chunk("pHYs", std::string("\0\0\x2e\x23\0\0\x2e\x23\x01", 9));
  for (unsigned ppi : {0u, 300u}) {
    SCOPED_TRACE(ppi);
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(_file_png().write(name, texture, ppi), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File written.\n");
    const std::string bytes = read_file(name);
    EXPECT_EQ(bytes.substr(24, 2), std::string("\x08\x06", 2));  // RGBA
    EXPECT_EQ(bytes.find(phys) != std::string::npos, ppi == 300);
    _texture back;
    ASSERT_EQ(_file_png().read(name, back), 1);
    EXPECT_EQ(back.width, 5u);
    EXPECT_TRUE(back.texels == texture.texels);
  }
  EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(Png, FailedWritesKeepTheOlderFile) {
  scratch_dir dir;
  const std::string target = dir.file("keep.png");
  write_file(target, "older");
  _texture hollow;
  hollow.dimensions(2, 2);  // no texels behind the size
  const std::string missing = dir.file("no/keep.png");
  const std::tuple<std::string, _texture, std::string> cases[] = {
      {target, _texture(), "[write_png_file] Error during writing header\n"},
      {target, hollow, "[write_png_file] The texture holds fewer texels than its size\n"},
      {missing, sentinel(),
       "[write_png_file] File " + missing + " could not be opened for writing\n"},
  };
  for (auto [file, texture, message] : cases) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(_file_png().write(file, texture), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(err.ends_with(message)) << err;  // libpng may say why first
  }
  EXPECT_EQ(read_file(target), "older");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.png"});
}

// Every PngSuite file: 8-bit RGB and RGBA ones read as Qt's own reader sees them, every other
// kind is refused with a message, and the corrupt x* files fail without harm.
TEST(Png, Suite) {
  int read = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SUITE)) {
    const std::string file = entry.path().filename().string(), path = entry.path().string();
    if (!file.ends_with(".png")) continue;
    SCOPED_TRACE(file);
    const std::string kind = file.substr(4, 4);  // colour type and bit depth, e.g. "2c08"
    if (file[0] == 'x' || (kind != "2c08" && kind != "6a08")) {
      EXPECT_NE(failed_read(path).find("[read_png_file] "), std::string::npos);
      ++refused;
      continue;
    }
    _texture texture;
    ASSERT_EQ(_file_png().read(path, texture), 1);
    const QImage reference =
        QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(QSize(texture.width, texture.height), reference.size());
    int mismatches = 0;
    for (int y = 0; y < reference.height(); ++y)
      for (int x = 0; x < reference.width(); ++x) {
        const QRgb q = reference.pixel(x, y);
        // Qt turns a tRNS colour into transparency; texel alpha comes from RGBA files alone.
        const int alpha = kind == "6a08" ? qAlpha(q) : 255;
        mismatches +=
            texture.get(texture.height - 1 - y, x) != _pixel(qRed(q), qGreen(q), qBlue(q), alpha);
      }
    EXPECT_EQ(mismatches, 0);
    ++read;
  }
  EXPECT_GE(read, 30);
  EXPECT_GE(refused, 120);
  for (const char* kind : {"2c08", "6a08"}) {
    _texture plain, interlaced;
    ASSERT_EQ(_file_png().read(SUITE + "basn" + kind + ".png", plain), 1);
    ASSERT_EQ(_file_png().read(SUITE + "basi" + kind + ".png", interlaced), 1);
    EXPECT_TRUE(plain.texels == interlaced.texels) << kind;
  }
}

TEST(Png, RefusedKindsAndBrokenFiles) {
  scratch_dir dir;
  const std::string rgb = read_file(SUITE + "basn2c08.png");
  const std::string init_io = "[read_png_file] Error during init_io\n";
  const std::pair<std::string, std::string> cases[] = {
      // contents, last line on stderr
      {read_file(SUITE + "basn0g08.png"),
       "is not an 8-bit RGB or RGBA PNG (colour type 0, bit depth 8)\n"},
      {read_file(SUITE + "basn3p08.png"), "(colour type 3, bit depth 8)\n"},
      {read_file(SUITE + "basn2c16.png"), "(colour type 2, bit depth 16)\n"},
      {"P5\n3 2\n255\n123456", " is not recognized as a PNG file\n"},
      {"\x89PN", " is not recognized as a PNG file\n"},
      {rgb.substr(0, 8), init_io},
      {rgb.substr(0, 33), init_io},
      {rgb.substr(0, rgb.size() / 2), "[read_png_file] Error during read_image\n"},
      {declared_png(40000, 1), init_io},
      {declared_png(30000, 30000), " is too large (30000 x 30000)\n"},
  };
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    write_file(dir.file("in.png"), bytes);
    const std::string err = failed_read(dir.file("in.png"));
    EXPECT_TRUE(err.ends_with(message)) << err;
  }
  _texture texture;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(_file_png().read(dir.file("missing.png"), texture), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file " + dir.file("missing.png") + "\n");
}

}  // namespace
}  // namespace stippon
