// Grey rasters: writes outside them, and the resampling through QImage.
#include <gtest/gtest.h>

#include "image/q_image.h"
#include "stipple/stipple_fixtures.h"

namespace stippon {
namespace {

using fixtures::raster;

// Writes outside the raster change nothing, and reads there give 0.
TEST(Raster, OutsideAccessChangesNothing) {
  _image image = raster(2, 3, {1, 2, 3, 4, 5, 6});
  image.put(2u, 0u, 9.0f);
  image.put(0u, 3u, 9.0f);
  EXPECT_EQ(image.samples, (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(image.get(0u, 3u) + image.get(2u, 0u), 0.0f);
}

// The resampling, with its line-by-line conversion, against a plain conversion of Qt's scaled
// image read pixel by pixel; fractions truncate on the way to a QImage.
TEST(QImageBridge, ResamplingMatchesPixelByPixel) {
  const auto red_by_pixel = [](const QImage& image) {
    std::vector<float> reds;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) reds.push_back(qRed(image.pixel(x, y)));
    return reds;
  };
  const _image source = fixtures::read_photo("chelsea_gray.pgm");  // 451 x 300
  for (float r : {0.37f, 1.7f}) {
    const QSize asked(int(451.0f * r), int(300.0f * r));
    _image out;
    resample(source, r, out);
    EXPECT_EQ(QSize(out.width, out.height), QSize(451, 300).scaled(asked, Qt::KeepAspectRatio));
    EXPECT_TRUE(out.samples == red_by_pixel(_q_image(source).scaled(asked, Qt::KeepAspectRatio,
                                                                    Qt::SmoothTransformation)))
        << r;
  }
  EXPECT_EQ(red_by_pixel(_q_image(raster(1, 3, {10.7f, 254.99f, 255}))),
            (std::vector<float>{10, 254, 255}));
}

}  // namespace
}  // namespace stippon
