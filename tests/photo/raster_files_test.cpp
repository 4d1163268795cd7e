// The PGM and PNG files of the dot sheets and tone ramps: written by the print writers, read back
// by the photo reader; exact bytes, and PNG files declaring more than they hold.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QImage>
#include <QImageWriter>
#include <fstream>

#include "files/file_fixtures.h"
#include "photo/photo_reader.h"
#include "print/raster_file.h"

namespace stippon {
namespace {

using namespace testing;

// An RGBA PNG that declares a size and carries one tiny stored row of data.
std::string declared_png(uint32_t width, uint32_t height) {
  const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\0\0\0", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + png_chunk("IHDR", ihdr) +
         png_chunk("IDAT", std::string("\x78\x01\x01\x01\x00\xfe\xff\x00\x00\x01\x00\x01", 12)) +
         png_chunk("IEND", "");
}

// What a byte cannot hold is truncated; a photograph read and written back is unchanged; nothing
// is printed (the exact bytes and modes of a small file are the atomic file tests').
TEST(Pgm, WriteTruncatesAndRoundTrips) {
  scratch_dir dir;
  _image image, photo;
  std::vector<float> values = {255.9f, 256.0f, -1.0f, 0.99f, 511.0f};
  image.set(1, 5, values);
  const std::string name = dir / "out.pgm", camera = STIPPON_DATA_DIR "/images/camera.pgm";
  EXPECT_EQ(printed([&] { EXPECT_EQ(write_pgm(name, image), ""); }).first, "");
  EXPECT_EQ(read_file(name), std::string("P5\n5 1\n255\n\xff\x00\xff\x00\xff", 16));
  ASSERT_TRUE(_photo_reader().read(camera, photo, 4096));
  ASSERT_EQ(write_pgm(name, photo), "");
  EXPECT_TRUE(read_file(name) == read_file(camera));
}

// The tone ramps are written by the PNG writer, without a resolution, and read by the photo
// reader: RGBA survives exactly.
TEST(Png, RoundTrip) {
  scratch_dir dir;
  _texture texture, back;
  texture.dimensions(3, 5);
  for (int i = 0; i < 15; ++i) texture.texels.push_back(_pixel(i * 17, 255 - i * 3, i * i, i * 16));
  const std::string name = dir / "\xc3\xa9t\xc3\xa9.png";
  EXPECT_EQ(write_png(name, texture), "");
  EXPECT_EQ(read_file(name).find("pHYs"), std::string::npos);
  ASSERT_TRUE(_photo_reader().read_colour(name, back));
  EXPECT_TRUE(back.width == 5 && back.texels == texture.texels);
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
        _texture texture;
        return std::to_string(_photo_reader().read_colour(name, texture));
      });
#endif
}

// A file that declares far more pixels than its data could inflate to, or a chunk longer than the
// file (found by fuzzing), is refused before anything is allocated for it. A flat picture at the
// highest compression still reads.
TEST(Png, PicturesLargerThanTheirFileCanHold) {
  scratch_dir dir;
  const std::string bomb = dir / "bomb.png";
  const std::string ihdr = be32(32) + be32(32) + std::string("\x08\x02\0\0\0", 5);
  const std::pair<std::string, std::string> cases[] = {
      {declared_png(8192, 8192), "damaged"},
      {declared_png(1, 1).substr(0, 8) + png_chunk("IHDR", ihdr) + be32(0x5f704859) +
           "sPLTabcdefgh",
       "truncated"},
  };
  for (const auto& [bytes, reason] : cases) {
    write_file(bomb, bytes);
    _texture texture;
    _photo_reader reader;
    EXPECT_FALSE(reader.read_colour(bomb, texture));
    EXPECT_EQ(reader.error(), "Cannot read " + bomb + ": " + reason);
    const std::string limited = read_with_little_memory(bomb);
    EXPECT_TRUE(limited == "0" || limited == "skipped") << limited;
  }
  QImage flat(2048, 2048, QImage::Format_RGBA8888);
  flat.fill(QColor(12, 34, 56));
  QImageWriter writer(QString::fromStdString(dir / "flat.png"), "png");
  writer.setQuality(0);  // the strongest compression
  ASSERT_TRUE(writer.write(flat));
  _texture texture;
  ASSERT_TRUE(_photo_reader().read_colour(dir / "flat.png", texture));
  EXPECT_EQ(texture.texels, std::vector<_pixel>(size_t{2048} * 2048, _pixel(12, 34, 56, 255)));
}

}  // namespace
}  // namespace stippon
