#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/file_pgm.h"
#include "image/image.h"

namespace stippon {
namespace {

_image raster(uint32_t rows, uint32_t columns, std::vector<float> values) {
  _image image;
  image.height = rows;
  image.width = columns;
  image.samples = std::move(values);
  return image;
}

_image uniform(uint32_t rows, uint32_t columns, float value) {
  return raster(rows, columns, std::vector<float>(static_cast<size_t>(rows) * columns, value));
}

float sum_of(const _image& image) {
  double sum = 0.0;
  for (float sample : image.samples) sum += sample;
  return static_cast<float>(sum);
}

TEST(Gaussian, FiveByFiveWindow) {
  _image window = uniform(3, 7, 1.0f);
  ASSERT_EQ(window.gaussian(5, 1.0f), 0);
  ASSERT_EQ(window.width, 5u);
  ASSERT_EQ(window.height, 5u);
  ASSERT_EQ(window.samples.size(), 25u);
  // The edge sits at three standard deviations: offsets -2..2 become -3..3.
  const double two_pi = 6.283185307179586;
  EXPECT_EQ(window.get(2u, 2u), static_cast<float>(1.0 / two_pi));
  EXPECT_EQ(window.get(0u, 2u), static_cast<float>(std::exp(-4.5) / two_pi));
  EXPECT_EQ(window.get(0u, 0u), static_cast<float>(std::exp(-9.0) / two_pi));
  for (unsigned r = 0; r < 5; ++r) {
    for (unsigned c = 0; c < 5; ++c) {
      EXPECT_EQ(window.get(r, c), window.get(4 - r, 4 - c));
      EXPECT_EQ(window.get(r, c), window.get(c, r));
      EXPECT_LE(window.get(r, c), window.get(2u, 2u));
    }
  }
  window.normalize();
  EXPECT_NEAR(sum_of(window), 1.0f, 1e-6f);

  // Sigma only scales the values: the normalised shapes agree.
  _image wide;
  ASSERT_EQ(wide.gaussian(5, 2.5f), 0);
  wide.normalize();
  for (size_t i = 0; i < 25; ++i) EXPECT_NEAR(wide.samples[i], window.samples[i], 1e-6f);
}

TEST(Gaussian, RefusesSmallOrEvenSizes) {
  for (unsigned size : {0u, 1u, 2u, 4u, 10u}) {
    SCOPED_TRACE(size);
    _image window = uniform(2, 3, 7.0f);
    EXPECT_EQ(window.gaussian(size, 1.0f), -1);
    EXPECT_EQ(window.height, 2u);
    EXPECT_EQ(window.width, 3u);
    EXPECT_EQ(window.samples, std::vector<float>(6, 7.0f));
  }
}

TEST(Mssim, IdenticalAndConstantImages) {
  _image photo;
  _file_pgm pgm;
  ASSERT_EQ(pgm.read(std::string(STIPPON_DATA_DIR) + "/images/chelsea_gray.pgm", photo, 100000), 1);
  _image same = photo;
  EXPECT_EQ(photo.mssim(same, 11), 1.0f);

  // A halftone keeps the means but not the local structure.
  _image halftone = photo;
  halftone.halftoning_ostromoukhov();
  const float index = photo.mssim(halftone, 11);
  EXPECT_GT(index, 0.0f);
  EXPECT_LT(index, 0.5f);

  // Flat images: no variance, only the luminance term (2ab + C1) / (a^2 + b^2 + C1). The local
  // variances are rounding noise of single-precision sums, hence the tolerance.
  _image a = uniform(11, 11, 100.0f);
  _image b = uniform(11, 11, 150.0f);
  EXPECT_NEAR(a.mssim(b, 11), 30006.5025 / 32506.5025, 1e-3);
  _image c = uniform(20, 16, 100.0f);
  _image d = uniform(20, 16, 150.0f);
  EXPECT_NEAR(c.mssim(d, 7), 30006.5025 / 32506.5025, 1e-3);
}

TEST(Mssim, UnsuitableImagesOrWindows) {
  struct Case {
    const char* name;
    _image a;
    _image b;
    unsigned window;
  };
  std::vector<Case> cases = {
      {"10 rows", uniform(10, 20, 9), uniform(10, 20, 9), 7},
      {"10 columns", uniform(20, 10, 9), uniform(20, 10, 9), 7},
      {"different sizes", uniform(12, 12, 9), uniform(12, 13, 9), 7},
      {"even window", uniform(12, 12, 9), uniform(12, 12, 9), 6},
      {"window of 1", uniform(12, 12, 9), uniform(12, 12, 9), 1},
      {"window larger than the images", uniform(12, 40, 9), uniform(12, 40, 9), 13},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.a.mssim(c.b, c.window), -1.0f);
  }
  // A window as large as the images leaves one position.
  _image a = uniform(11, 11, 80);
  _image b = uniform(11, 11, 80);
  EXPECT_NEAR(a.mssim(b, 11), 1.0f, 1e-6f);
}

TEST(ToneSegmentation, BlocksByTheirCornerSamples) {
  struct Case {
    const char* name;
    _image image;
    int size;
    std::vector<float> expected;
  };
  std::vector<Case> cases = {
      {"all white", uniform(4, 4, 255), 2, std::vector<float>(16, 255)},
      {"one white", raster(2, 2, {0, 255, 0, 0}), 2, {0, 0, 0, 0}},
      {"three white", raster(2, 2, {255, 255, 0, 255}), 2, {255, 255, 255, 255}},
      // Size 3 reads the corners one sample apart and paints the whole 3 x 3 block.
      {"size 3", raster(3, 3, {255, 255, 0, 255, 0, 0, 0, 0, 0}), 3, std::vector<float>(9, 255)},
      {"grey block left alone", raster(2, 2, {100, 0, 0, 0}), 2, {100, 0, 0, 0}},
      {"size 0 does nothing", raster(2, 2, {0, 255, 0, 0}), 0, {0, 255, 0, 0}},
      {"size 1 does nothing", raster(2, 2, {0, 255, 0, 0}), 1, {0, 255, 0, 0}},
      {"negative size does nothing", raster(2, 2, {0, 255, 0, 0}), -4, {0, 255, 0, 0}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.image.tone_segmentation(c.size);
    EXPECT_EQ(c.image.samples, c.expected);
  }
}

TEST(ToneSegmentation, TiesDrawFromTheGeneratorInBlockOrder) {
  for (unsigned seed : {1u, 7u, 12345u}) {
    SCOPED_TRACE(seed);
    ::srandom(seed);
    std::vector<float> expected;
    for (int block = 0; block < 2; ++block) {
      const float draw = static_cast<float>(::random()) * 4.656613e-07f;
      expected.push_back(draw < 500.0f ? 0.0f : 255.0f);
    }
    _image image = raster(2, 4, {255, 0, 0, 255, 0, 255, 255, 0});
    ::srandom(seed);
    image.tone_segmentation(2);
    EXPECT_EQ(image.samples,
              (std::vector<float>{expected[0], expected[0], expected[1], expected[1], expected[0],
                                  expected[0], expected[1], expected[1]}));
  }
}

TEST(PyramidSegmentation, BlocksOfTheSource) {
  struct Case {
    const char* name;
    _image source;
    std::vector<float> expected;
  };
  std::vector<Case> cases = {
      {"two white: a tie falls to black", raster(2, 2, {255, 0, 0, 255}), {0, 0, 0, 0}},
      {"three white", raster(2, 2, {255, 255, 0, 255}), {255, 255, 255, 255}},
      {"3 x 3 paints only the first block",
       uniform(3, 3, 255),
       {255, 255, 0, 255, 255, 0, 0, 0, 0}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    _image result = uniform(5, 5, 99);
    result.pyramid_segmentation(2, c.source);
    EXPECT_EQ(result.height, c.source.height);
    EXPECT_EQ(result.width, c.source.width);
    EXPECT_EQ(result.samples, c.expected);
  }

  _image source = uniform(2, 2, 255);
  _image untouched = uniform(1, 1, 99);
  untouched.pyramid_segmentation(1, source);
  untouched.pyramid_segmentation(0, source);
  EXPECT_EQ(untouched.samples, std::vector<float>{99});

  _image empty;
  _image result = uniform(2, 2, 99);
  result.pyramid_segmentation(2, empty);
  EXPECT_EQ(result.width, 0u);
  EXPECT_TRUE(result.samples.empty());

  _image in_place = raster(2, 2, {255, 255, 0, 255});
  in_place.pyramid_segmentation(2, in_place);
  EXPECT_EQ(in_place.samples, std::vector<float>(4, 255));
}

}  // namespace
}  // namespace stippon
