// Grey rasters: writes outside them, merge rules, and the resampling through QImage.
#include <gtest/gtest.h>

#include "image/q_image.h"
#include "photo/photo_reader.h"

namespace stippon {
namespace {

_image raster(int rows, int columns, std::vector<float> values) {
  _image image;
  image.set(rows, columns, values);
  return image;
}

// Writes outside the raster change nothing: the plain references of the stippling tests rely on it.
TEST(Raster, OutsideAccessChangesNothing) {
  _image image = raster(2, 3, {1, 2, 3, 4, 5, 6});
  image.put(2u, 0u, 9.0f);
  image.put(0u, 3u, 9);
  image.put(6u, 9.0f);
  image.put_add(2, 0, 0.0f, false, 0, merging_minimum);
  EXPECT_EQ(image.samples, (std::vector<float>{1, 2, 3, 4, 5, 6}));
}

// The merge rules worked by hand, the plain references of the stippling tests rest on them.
TEST(Raster, MergingRules) {
  // ground, dot, black and white, black level, merging, result
  const std::tuple<const char*, float, float, bool, int, _merging_function, float> cases[] = {
      {"product", 100, 77, false, 0, merging_product, (77.0f * 100.0f) / 255.0f},
      {"minimum keeps darker ground", 100, 200, false, 0, merging_minimum, 100},
      {"minimum takes darker dot", 100, 50, false, 0, merging_minimum, 50},
      {"black below level", 255, 100, true, 128, merging_minimum, 0},
      {"white above level", 255, 200, true, 128, merging_product, 255},
      {"truncated product below level", 128, 254.9f, true, 128, merging_product, 0},
      {"level zero always white", 0, 0, true, 0, merging_product, 255},
  };
  for (const auto& [name, ground, value, black_white, level, merging, result] : cases) {
    _image image = raster(1, 2, {ground, ground});
    image.put_add(0, 0, value, black_white, level, merging);
    image.put_add(1u, value, black_white, level, merging);
    EXPECT_EQ(image.samples, std::vector<float>(2, result)) << name;
  }
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
  _image source;  // 451 x 300
  ASSERT_TRUE(_photo_reader().read(STIPPON_DATA_DIR "/images/chelsea_gray.pgm", source, 4096));
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
