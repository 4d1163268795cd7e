#include <gtest/gtest.h>
#include <zlib.h>

#include <QColor>
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

void expect_untouched(const _texture& texture) {
  EXPECT_EQ(texture.width, 1u);
  EXPECT_EQ(texture.height, 1u);
  EXPECT_EQ(texture.get(0, 0), _pixel(1, 2, 3, 4));
}

// Reads a file expected to fail and returns what went to standard error.
std::string failed_read(const std::string& name, _texture& texture) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(_file_png().read(name, texture), 0) << name;
  return ::testing::internal::GetCapturedStderr();
}

std::string chunk(const std::string& type, const std::string& data) {
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  const std::string body = type + data;
  return be32(static_cast<uint32_t>(data.size())) + body +
         be32(static_cast<uint32_t>(
             crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// A PNG with a header and a token data chunk: enough for libpng to report the declared size.
std::string header_only_png(uint32_t width, uint32_t height) {
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", "x") +
         chunk("IEND", "");
}

TEST(Png, TwoByTwoRgbFlipsRows) {
  scratch_dir dir;
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(255, 0, 0));
  picture.setPixel(1, 0, qRgb(0, 255, 0));
  picture.setPixel(0, 1, qRgb(0, 0, 255));
  picture.setPixel(1, 1, qRgb(255, 255, 255));
  ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("rgb.png")), "PNG"));
  const std::string bytes = read_file(dir.file("rgb.png"));
  ASSERT_EQ(bytes.substr(24, 2), std::string("\x08\x02", 2));  // 8-bit RGB

  _texture texture = sentinel();
  ASSERT_EQ(_file_png().read(dir.file("rgb.png"), texture), 1);
  ASSERT_EQ(texture.width, 2u);
  ASSERT_EQ(texture.height, 2u);
  EXPECT_EQ(texture.get(1, 0), _pixel(255, 0, 0, 255));
  EXPECT_EQ(texture.get(1, 1), _pixel(0, 255, 0, 255));
  EXPECT_EQ(texture.get(0, 0), _pixel(0, 0, 255, 255));
  EXPECT_EQ(texture.get(0, 1), _pixel(255, 255, 255, 255));
}

TEST(Png, RgbaRoundTripWithResolution) {
  scratch_dir dir;
  _texture texture;
  texture.dimensions(3, 5);
  texture.create();
  for (unsigned i = 0; i < texture.texels.size(); ++i)
    texture.texels[i] = _pixel(i * 17, 255 - i * 3, i * i, i * 16);
  const std::string name = dir.file("\xc3\xa9t\xc3\xa9.png");  // UTF-8 name

  for (unsigned ppi : {0u, 300u}) {
    SCOPED_TRACE(ppi);
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(_file_png().write(name, texture, ppi), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File written.\n");
    const std::string bytes = read_file(name);
    EXPECT_EQ(bytes.substr(24, 2), std::string("\x08\x06", 2));  // 8-bit RGBA
    // 300 ppi is 11811 pixels per metre (0x2e23), unit metre.
    const std::string phys = chunk("pHYs", std::string("\0\0\x2e\x23\0\0\x2e\x23\x01", 9));
    EXPECT_EQ(bytes.find(phys) != std::string::npos, ppi == 300);
    EXPECT_EQ(bytes.find("pHYs") != std::string::npos, ppi == 300);

    _texture back;
    ASSERT_EQ(_file_png().read(name, back), 1);
    EXPECT_EQ(back.width, 5u);
    EXPECT_EQ(back.height, 3u);
    EXPECT_TRUE(back.texels == texture.texels);
  }
  EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(Png, FailedWritesKeepTheOlderFile) {
  scratch_dir dir;
  const std::string target = dir.file("keep.png");
  write_file(target, "older");
  struct Case {
    const char* name;
    std::string file;
    _texture texture;
    std::string message;
  };
  _texture broken;
  broken.dimensions(2, 2);  // no texels behind the size
  const Case cases[] = {
      {"empty texture", target, _texture(), "[write_png_file] Error during writing header\n"},
      {"texels missing", target, broken,
       "[write_png_file] The texture holds fewer texels than its size\n"},
      {"missing folder", dir.file("no/keep.png"), sentinel(),
       "[write_png_file] File " + dir.file("no/keep.png") + " could not be opened for writing\n"},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(_file_png().write(c.file, c.texture), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(err.ends_with(c.message)) << err;  // libpng may say why before us
  }
  EXPECT_EQ(read_file(target), "older");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.png"});
}

// Every PngSuite file: 8-bit RGB and RGBA ones read as Qt's own reader sees them, every other
// kind is refused with a message, and the corrupt x* files fail without harm.
TEST(Png, Suite) {
  int read = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SUITE)) {
    const std::string file = entry.path().filename().string();
    if (!file.ends_with(".png")) continue;
    SCOPED_TRACE(file);
    const std::string kind = file.substr(4, 4);  // colour type and bit depth, e.g. "2c08"
    const bool supported = file[0] != 'x' && (kind == "2c08" || kind == "6a08");
    _texture texture = sentinel();
    if (!supported) {
      const std::string err = failed_read(entry.path().string(), texture);
      EXPECT_NE(err.find("[read_png_file] "), std::string::npos) << err;
      expect_untouched(texture);
      ++refused;
      continue;
    }
    ASSERT_EQ(_file_png().read(entry.path().string(), texture), 1);
    const QImage reference = QImage(QString::fromStdString(entry.path().string()))
                                 .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(int(texture.width), reference.width());
    ASSERT_EQ(int(texture.height), reference.height());
    int mismatches = 0;
    for (int y = 0; y < reference.height(); ++y)
      for (int x = 0; x < reference.width(); ++x) {
        const QRgb expected = reference.pixel(x, y);
        const _pixel texel = texture.get(texture.height - 1 - y, x);
        // Qt turns a tRNS colour into transparency; the texel alpha comes from the file alone.
        const int alpha = kind == "6a08" ? qAlpha(expected) : 255;
        mismatches += texel != _pixel(qRed(expected), qGreen(expected), qBlue(expected), alpha);
      }
    EXPECT_EQ(mismatches, 0);
    ++read;
  }
  EXPECT_GE(read, 30);
  EXPECT_GE(refused, 120);

  for (const char* kind : {"2c08", "6a08"}) {
    SCOPED_TRACE(kind);
    _texture plain, interlaced;
    ASSERT_EQ(_file_png().read(SUITE + "basn" + kind + ".png", plain), 1);
    ASSERT_EQ(_file_png().read(SUITE + "basi" + kind + ".png", interlaced), 1);
    EXPECT_TRUE(plain.texels == interlaced.texels);
  }
}

TEST(Png, RefusedKindsAndBrokenFiles) {
  scratch_dir dir;
  const std::string rgb = read_file(SUITE + "basn2c08.png");
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;  // the last line on standard error
  };
  const Case cases[] = {
      {"grey", read_file(SUITE + "basn0g08.png"),
       "is not an 8-bit RGB or RGBA PNG (colour type 0, bit depth 8)\n"},
      {"palette", read_file(SUITE + "basn3p08.png"), "(colour type 3, bit depth 8)\n"},
      {"16-bit", read_file(SUITE + "basn2c16.png"), "(colour type 2, bit depth 16)\n"},
      {"grey and alpha", read_file(SUITE + "basn4a08.png"), "(colour type 4, bit depth 8)\n"},
      {"PGM", "P5\n3 2\n255\n123456", " is not recognized as a PNG file\n"},
      {"shorter than a signature", "\x89PN", " is not recognized as a PNG file\n"},
      {"signature only", rgb.substr(0, 8), "[read_png_file] Error during init_io\n"},
      {"cut in the header", rgb.substr(0, 20), "[read_png_file] Error during init_io\n"},
      {"cut after the header", rgb.substr(0, 33), "[read_png_file] Error during init_io\n"},
      {"cut in the data", rgb.substr(0, rgb.size() / 2),
       "[read_png_file] Error during read_image\n"},
      {"edge beyond the limit", header_only_png(40000, 1),
       "[read_png_file] Error during init_io\n"},
      {"absurd pixel count", header_only_png(30000, 30000), " is too large (30000 x 30000)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir.file("in.png"), c.bytes);
    _texture texture = sentinel();
    const std::string err = failed_read(dir.file("in.png"), texture);
    EXPECT_TRUE(err.ends_with(c.message)) << err;
    expect_untouched(texture);
  }

  _texture texture = sentinel();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(_file_png().read(dir.file("missing.png"), texture), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Cannot open image file " + dir.file("missing.png") + "\n");
  expect_untouched(texture);
}

}  // namespace
}  // namespace stippon
