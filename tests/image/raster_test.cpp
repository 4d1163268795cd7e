// Grey rasters, colour textures, the bridge to QImage and the analysis routines.
#include <gtest/gtest.h>

#include <cmath>

#include "image/file_pgm.h"
#include "image/q_image.h"

namespace stippon {
namespace {

_image raster(int rows, int columns, std::vector<float> values) {
  _image image;
  image.set(rows, columns, values);
  return image;
}

_image uniform(int rows, int columns, float value) {
  return raster(rows, columns, std::vector<float>(size_t(rows) * columns, value));
}

_texture row_of(std::vector<_pixel> texels) {
  _texture texture;
  texture.dimensions(1, static_cast<unsigned>(texels.size()));
  texture.texels = std::move(texels);
  return texture;
}

TEST(Raster, OutsideAccessCopiesAndOperands) {
  _image image = raster(2, 3, {1, 2, 3, 4, 5, 6});
  image.put(2u, 0u, 9.0f);  // writes outside the raster change nothing
  image.put(0u, 3u, 9);
  image.put(6u, 9.0f);
  image.put_add(2, 0, 0.0f, false, 0, merging_minimum);
  EXPECT_EQ(image.samples, (std::vector<float>{1, 2, 3, 4, 5, 6}));
  // A copy starts with fresh generators; assignment keeps the target's.
  image.random_generators[2].set_range(5.0f, 9.0f);
  EXPECT_EQ(_image(image).random_generators[2].scale, RANDOM_UNIT);
  _image target = raster(1, 1, {0});
  target.random_generators[0].set_range(-1.0f, 1.0f);
  target = image;
  EXPECT_TRUE(target.height == 2 && target.samples == image.samples);
  EXPECT_EQ(target.random_generators[2].low, 0.0f);
  target *= raster(1, 1, {10});  // a shorter operand is read only as far as it reaches
  EXPECT_EQ(target.samples, (std::vector<float>{10, 2, 3, 4, 5, 6}));
}

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

// The red channel alone picks the ramp's entry; a ramp too short for a level, or without rows,
// leaves that texel as it is.
TEST(Texture, ThroughRamp) {
  _texture texture = row_of({{10, 200, 30, 255}, {255, 0, 0, 255}}), ramp;
  ramp.dimensions(2, 256);  // the first row holds the colours
  ramp.create();
  for (unsigned i = 0; i < 256; ++i) ramp.put(0, i, _pixel(255 - i, i, 7, i / 2));
  texture.tone(ramp);
  EXPECT_EQ(texture.texels, (std::vector<_pixel>{{245, 10, 7, 5}, {0, 255, 7, 127}}));
  texture = row_of({{99, 9, 9, 255}, {100, 9, 9, 255}});
  texture.tone(row_of(std::vector<_pixel>(100, {1, 1, 1, 1})));
  texture.tone(_texture());
  EXPECT_EQ(texture.texels, (std::vector<_pixel>{{1, 1, 1, 1}, {100, 9, 9, 255}}));
}

// Grey rows keep their order and only the red channel comes back; a QImage without pixels
// leaves the geometry, white.
TEST(QImageBridge, Conversions) {
  const _q_image grey(raster(2, 3, {0, 10.7f, 20, 30, 254.99f, 255}));
  EXPECT_EQ(grey.pixelIndex(1, 0), 10);  // x = column, y = row
  _image back;
  back = grey;
  EXPECT_TRUE(back.height == 2 && back.samples == std::vector<float>({0, 10, 20, 30, 254, 255}));
  back = _q_image(QImage());
  EXPECT_EQ(back.samples, std::vector<float>(6, 255));
}

// The line-by-line conversion agrees with qRed(pixel()) for every format it may meet, and the
// resampling with a plain conversion of Qt's scaled image.
TEST(QImageBridge, FastPathsMatchPixelByPixel) {
  const auto red_by_pixel = [](const QImage& image) {
    std::vector<float> reds;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) reds.push_back(qRed(image.pixel(x, y)));
    return reds;
  };
  _image source;  // 451 x 300
  ASSERT_EQ(_file_pgm().read(STIPPON_DATA_DIR "/images/chelsea_gray.pgm", source, 4096), 1);
  QImage tinted = _q_image(source), translucent = tinted.convertToFormat(QImage::Format_ARGB32);
  for (int i = 0; i < 256; ++i) tinted.setColor(i, qRgb(255 - i, i, i / 2));
  for (int y = 0; y < translucent.height(); ++y)
    for (int x = 0; x < translucent.width(); ++x)
      translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xffffff) | (uint(x % 256) << 24));
  for (const QImage& image : {tinted, tinted.convertToFormat(QImage::Format_Grayscale8),
                              tinted.convertToFormat(QImage::Format_RGB32), translucent,
                              translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                              translucent.convertToFormat(QImage::Format_RGBA8888)}) {
    _image converted;
    converted = _q_image(image);
    EXPECT_TRUE(converted.samples == red_by_pixel(image)) << image.format();
  }
  for (float r : {0.37f, 1.7f}) {
    const QSize asked(int(451.0f * r), int(300.0f * r));
    _image out;
    resample(source, r, out);
    EXPECT_EQ(QSize(out.width, out.height), QSize(451, 300).scaled(asked, Qt::KeepAspectRatio));
    EXPECT_TRUE(out.samples == red_by_pixel(_q_image(source).scaled(asked, Qt::KeepAspectRatio,
                                                                    Qt::SmoothTransformation)))
        << r;
  }
}

// Hand-worked values and refusals of the analysis routines.
TEST(Analysis, GaussianMssimAndSegmentation) {
  _image window = uniform(3, 7, 1.0f);
  ASSERT_EQ(window.gaussian(5, 1.0f), 0);
  ASSERT_TRUE(window.width == 5 && window.height == 5 && window.samples.size() == 25);
  // The edge sits at three standard deviations: offsets -2..2 become -3..3.
  const double two_pi = 6.283185307179586;
  EXPECT_EQ(window.get(2u, 2u), static_cast<float>(1.0 / two_pi));
  EXPECT_EQ(window.get(0u, 2u), static_cast<float>(std::exp(-4.5) / two_pi));
  EXPECT_EQ(window.get(2u, 0u), static_cast<float>(std::exp(-4.5) / two_pi));
  EXPECT_EQ(window.get(0u, 0u), static_cast<float>(std::exp(-9.0) / two_pi));
  for (unsigned size : {0u, 1u, 2u, 4u, 10u}) {  // refused: the raster keeps its samples
    _image refused = uniform(2, 3, 7.0f);
    EXPECT_TRUE(refused.gaussian(size, 1.0f) == -1 && refused.samples == std::vector<float>(6, 7))
        << size;
  }

  _image photo = uniform(13, 12, 0.0f), same;
  for (size_t i = 0; i < photo.samples.size(); ++i) photo.samples[i] = float(i * 7 % 256);
  same = photo;
  EXPECT_EQ(photo.mssim(same, 11), 1.0f);
  // Flat images: no variance, only the luminance term (2ab + C1) / (a^2 + b^2 + C1). The local
  // variances are rounding noise of single-precision sums, hence the tolerance. A window as
  // large as the images leaves one position.
  _image a = uniform(11, 11, 100.0f), b = uniform(11, 11, 150.0f);
  EXPECT_NEAR(a.mssim(b, 11), 30006.5025 / 32506.5025, 1e-3);
  // Refused: fewer than 11 rows, different sizes, a window larger than the images, samples short
  // of the size.
  std::tuple<_image, _image, unsigned> refused[] = {
      {uniform(10, 20, 9), uniform(10, 20, 9), 7},
      {uniform(12, 12, 9), uniform(12, 13, 9), 7},
      {uniform(12, 40, 9), uniform(12, 40, 9), 13},
      {uniform(12, 12, 9), raster(12, 12, {9}), 7},
  };
  for (auto& [first, second, size] : refused) EXPECT_EQ(first.mssim(second, size), -1.0f) << size;

  // Segmentation judges blocks by their four corner samples, half a block apart: at size 3 one
  // sample apart, with the whole 3 x 3 block painted. The pyramid takes the source's size, and a
  // tie of two white corners falls to black there. Size 0, which would never advance, and
  // samples short of the size change nothing.
  _image block = raster(3, 3, {255, 255, 0, 255, 0, 0, 0, 0, 0}), result = uniform(5, 5, 99);
  _image tie = raster(2, 2, {255, 0, 0, 255}), zero = raster(2, 2, {0, 255, 0, 0});
  _image short_of = raster(2, 2, {0, 255, 0});
  block.tone_segmentation(3);
  EXPECT_EQ(block.samples, std::vector<float>(9, 255));
  result.pyramid_segmentation(2, tie);
  EXPECT_TRUE(result.width == 2 && result.samples == std::vector<float>(4, 0));
  zero.tone_segmentation(0);
  short_of.tone_segmentation(2);
  result.pyramid_segmentation(0, block);
  result.pyramid_segmentation(2, short_of);
  EXPECT_EQ(zero.samples, (std::vector<float>{0, 255, 0, 0}));
  EXPECT_EQ(short_of.samples, (std::vector<float>{0, 255, 0}));
  EXPECT_EQ(result.samples, std::vector<float>(4, 0));
}

}  // namespace
}  // namespace stippon
