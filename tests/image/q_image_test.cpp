#include <gtest/gtest.h>

#include "image/file_pgm.h"
#include "image/q_image.h"

namespace stippon {
namespace {

_image photo(const char* name) {
  _image image;
  EXPECT_EQ(_file_pgm().read(std::string(STIPPON_DATA_DIR) + "/images/" + name, image, 4096), 1);
  return image;
}

// The plain definition of the assignment: the red channel of every pixel as pixel() reports it.
std::vector<float> red_by_pixel(const QImage& image) {
  std::vector<float> reds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) reds.push_back(qRed(image.pixel(x, y)));
  return reds;
}

TEST(QImageBridge, GreyRoundTripKeepsRows) {
  _image grey;
  std::vector<float> values = {0, 10.7f, 20, 30, 254.99f, 255};
  grey.set(2, 3, values);
  const _q_image bridge(grey);
  EXPECT_EQ(bridge.kind, 0);
  EXPECT_EQ(bridge.format(), QImage::Format_Indexed8);
  EXPECT_EQ(bridge.pixelIndex(1, 0), 10);  // x = column, y = row: no flip
  EXPECT_EQ(bridge.pixel(2, 1), qRgba(255, 255, 255, 255));
  EXPECT_EQ(bridge.colorTable().size(), 256);

  _image back;
  back.random_generators[1].set_range(3.0f, 4.0f);
  back = bridge;
  EXPECT_EQ(back.width, 3u);
  EXPECT_EQ(back.height, 2u);
  EXPECT_EQ(back.samples, (std::vector<float>{0, 10, 20, 30, 254, 255}));
  EXPECT_EQ(back.random_generators[1].low, 3.0f);
}

TEST(QImageBridge, TextureFlipsAndRedChannelIsTaken) {
  _texture texture;
  texture.dimensions(2, 1);
  texture.create();
  texture.put(0, 0, _pixel(255, 0, 0, 255));
  texture.put(1, 0, _pixel(10, 200, 30, 128));
  const _q_image bridge(texture);
  EXPECT_EQ(bridge.kind, 1);
  EXPECT_EQ(bridge.format(), QImage::Format_ARGB32);
  EXPECT_EQ(bridge.pixel(0, 1), qRgba(255, 0, 0, 255));  // row 0 is the last line
  EXPECT_EQ(bridge.pixel(0, 0), qRgba(10, 200, 30, 128));

  _image grey;
  grey = bridge;
  EXPECT_EQ(grey.samples, (std::vector<float>{10, 255}));
}

TEST(QImageBridge, EmptyImages) {
  EXPECT_TRUE(_q_image(_image()).isNull());
  EXPECT_TRUE(_q_image(_texture()).isNull());
  _image kept;
  kept.dimensions(1, 2);
  kept.create(false);
  kept = _q_image(QImage());  // no pixels: the geometry stays, created white
  EXPECT_EQ(kept.width, 2u);
  EXPECT_EQ(kept.samples, (std::vector<float>{255, 255}));
}

// The line-by-line conversion must agree with pixel() for every format it may meet.
TEST(QImageBridge, EveryFormatMatchesPixelByPixel) {
  const _image source = photo("chelsea_gray.pgm");
  QImage tinted = _q_image(source);
  QList<QRgb> table = tinted.colorTable();
  for (int i = 0; i < 256; ++i) table[i] = qRgb(255 - i, i, i / 2);
  tinted.setColorTable(table);
  QImage translucent = _q_image(source).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < translucent.height(); ++y)
    for (int x = 0; x < translucent.width(); ++x)
      translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xffffff) | (uint(x % 256) << 24));

  const std::pair<const char*, QImage> cases[] = {
      {"indexed grey", _q_image(source)},
      {"indexed colour", tinted},
      {"grayscale8", _q_image(source).convertToFormat(QImage::Format_Grayscale8)},
      {"rgb32", _q_image(source).convertToFormat(QImage::Format_RGB32)},
      {"argb32", translucent},
      {"argb32 premultiplied", translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied)},
      {"rgb888", translucent.convertToFormat(QImage::Format_RGB888)},
      {"rgba8888", translucent.convertToFormat(QImage::Format_RGBA8888)},
  };
  for (const auto& [name, image] : cases) {
    SCOPED_TRACE(name);
    _image converted;
    converted = _q_image(image);
    EXPECT_EQ(converted.width, source.width);
    EXPECT_EQ(converted.height, source.height);
    EXPECT_TRUE(converted.samples == red_by_pixel(image));
  }
}

TEST(QImageBridge, ResampleWithSmoothScaling) {
  struct Case {
    const char* name;
    float r;
  };
  const _image source = photo("chelsea_gray.pgm");  // 451 x 300
  for (const Case& c : {Case{"reduce", 0.37f}, Case{"enlarge", 1.7f}, Case{"halve", 0.5f}}) {
    SCOPED_TRACE(c.name);
    const QSize asked(int(451.0f * c.r), int(300.0f * c.r));
    const QImage reference =
        _q_image(source).scaled(asked, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    _image out;
    out.random_generators[0].set_range(1.0f, 2.0f);
    resample(source, c.r, out);
    EXPECT_EQ(QSize(out.width, out.height), QSize(451, 300).scaled(asked, Qt::KeepAspectRatio));
    EXPECT_TRUE(out.samples == red_by_pixel(reference));
    EXPECT_EQ(out.random_generators[0].low, 1.0f);
  }

  // A factor too small for one pixel leaves the geometry of out, all white.
  _image out;
  out.dimensions(1, 1);
  out.create(false);
  resample(source, 0.001f, out);
  EXPECT_EQ(out.samples, std::vector<float>{255});
}

}  // namespace
}  // namespace stippon
