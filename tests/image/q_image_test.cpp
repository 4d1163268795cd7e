#include <gtest/gtest.h>

#include "image/file_pgm.h"
#include "image/q_image.h"

namespace stippon {
namespace {

// The plain definition of the assignment: the red channel of every pixel as pixel() reports it.
std::vector<float> red_by_pixel(const QImage& image) {
  std::vector<float> reds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) reds.push_back(qRed(image.pixel(x, y)));
  return reds;
}

TEST(QImageBridge, GreyAndColourConversions) {
  _image grey;
  std::vector<float> values = {0, 10.7f, 20, 30, 254.99f, 255};
  grey.set(2, 3, values);
  const _q_image from_grey(grey);
  EXPECT_EQ(from_grey.kind, 0);
  EXPECT_EQ(from_grey.pixelIndex(1, 0), 10);  // x = column, y = row: no flip
  _image back;
  back = from_grey;
  EXPECT_EQ(back.height, 2u);
  EXPECT_EQ(back.samples, (std::vector<float>{0, 10, 20, 30, 254, 255}));

  _texture texture;
  texture.dimensions(2, 1);
  texture.create();
  texture.texels = {{255, 0, 0, 255}, {10, 200, 30, 128}};
  const _q_image from_texture(texture);
  EXPECT_EQ(from_texture.kind, 1);
  EXPECT_EQ(from_texture.pixel(0, 1), qRgba(255, 0, 0, 255));  // row 0 is the last line
  EXPECT_EQ(from_texture.pixel(0, 0), qRgba(10, 200, 30, 128));
  back = from_texture;
  EXPECT_EQ(back.samples, (std::vector<float>{10, 255}));

  back = _q_image(QImage());  // no pixels: the geometry stays, created white
  EXPECT_EQ(back.samples, (std::vector<float>{255, 255}));
}

// The line-by-line conversion must agree with pixel() for every format it may meet, and the
// resampling with a plain conversion of Qt's scaled image.
TEST(QImageBridge, FastPathsMatchPixelByPixel) {
  _image source;  // 451 x 300
  ASSERT_EQ(
      _file_pgm().read(std::string(STIPPON_DATA_DIR) + "/images/chelsea_gray.pgm", source, 4096),
      1);
  QImage tinted = _q_image(source), translucent = tinted.convertToFormat(QImage::Format_ARGB32);
  for (int i = 0; i < 256; ++i) tinted.setColor(i, qRgb(255 - i, i, i / 2));
  for (int y = 0; y < translucent.height(); ++y)
    for (int x = 0; x < translucent.width(); ++x)
      translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xffffff) | (uint(x % 256) << 24));
  for (const QImage& image :
       {QImage(_q_image(source)), tinted, tinted.convertToFormat(QImage::Format_Grayscale8),
        tinted.convertToFormat(QImage::Format_RGB32), translucent,
        translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied),
        translucent.convertToFormat(QImage::Format_RGBA8888)}) {
    SCOPED_TRACE(image.format());
    _image converted;
    converted = _q_image(image);
    EXPECT_TRUE(converted.samples == red_by_pixel(image));
  }

  for (float r : {0.37f, 0.5f, 1.7f}) {
    SCOPED_TRACE(r);
    const QSize asked(int(451.0f * r), int(300.0f * r));
    _image out;
    out.random_generators[0].set_range(1.0f, 2.0f);
    resample(source, r, out);
    EXPECT_EQ(QSize(out.width, out.height), QSize(451, 300).scaled(asked, Qt::KeepAspectRatio));
    EXPECT_TRUE(out.samples == red_by_pixel(_q_image(source).scaled(asked, Qt::KeepAspectRatio,
                                                                    Qt::SmoothTransformation)));
    EXPECT_EQ(out.random_generators[0].low, 1.0f);
  }
}

}  // namespace
}  // namespace stippon
