// The CMYK separation: neutrals mostly in black, colours in the inks the profile gives them, and
// the separated inks seen through the profile again (by lcms2 directly) as the profile's own.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>

#include "inks/cmyk_separation.h"

namespace stippon {
namespace {

class CmykSeparation : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(separation.load(_cmyk_separation::DEFAULT_PROFILE)); }
  _cmyk_separation separation;
};

// The colour of inks through the profile, in Lab.
cmsCIELab colour_of(const _ink_amounts& inks) {
  cmsHPROFILE press = cmsOpenProfileFromFile(_cmyk_separation::DEFAULT_PROFILE, "r");
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM measure =
      cmsCreateTransform(press, TYPE_CMYK_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsCIELab out;
  cmsDoTransform(measure, inks.data(), &out, 1);
  cmsDeleteTransform(measure);
  cmsCloseProfile(lab);
  cmsCloseProfile(press);
  return out;
}

// The profile's own separation of an sRGB colour, in Lab.
cmsCIELab profile_colour(_pixel colour) {
  cmsHPROFILE press = cmsOpenProfileFromFile(_cmyk_separation::DEFAULT_PROFILE, "r");
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM separate =
      cmsCreateTransform(srgb, TYPE_RGBA_8, press, TYPE_CMYK_8, INTENT_PERCEPTUAL, 0);
  _ink_amounts inks;
  cmsDoTransform(separate, &colour, inks.data(), 1);
  cmsDeleteTransform(separate);
  cmsCloseProfile(srgb);
  cmsCloseProfile(press);
  return colour_of(inks);
}

TEST_F(CmykSeparation, NeutralsAreMostlyBlack) {
  for (int level = 0; level < 256; level += 15) {
    const _ink_amounts inks = separation.press_inks_of(_pixel(level, level, level));
    const int colour = std::max({inks[ink_cyan], inks[ink_magenta], inks[ink_yellow]});
    if (level >= 240) {
      EXPECT_LE(inks[ink_black] + colour, 16) << level;  // paper, or nearly
      continue;
    }
    // Black carries the tone: the most ink everywhere, and the colour inks at most a third of it
    // but in the shadows, which black alone cannot reach.
    EXPECT_GT(inks[ink_black], 20) << level;
    EXPECT_GT(inks[ink_black], colour) << level;
    if (level >= 90) {
      EXPECT_LE(3 * colour, inks[ink_black]) << level;
    }
  }
  const _ink_amounts white = separation.press_inks_of(_pixel(255, 255, 255));
  EXPECT_EQ(white, (_ink_amounts{0, 0, 0, 0}));
}

// Moving the grey to black keeps the colour: within a few units of the profile's separation.
TEST_F(CmykSeparation, ColoursMatchTheProfilesSeparation) {
  const _pixel colours[] = {{128, 128, 128}, {200, 60, 40},  {40, 90, 200}, {230, 200, 60},
                            {120, 80, 40},   {60, 140, 70},  {90, 90, 100}, {250, 220, 200},
                            {30, 30, 30},    {180, 170, 160}};
  double sum = 0.0;
  for (const _pixel colour : colours) {
    const cmsCIELab own = profile_colour(colour),
                    ours = colour_of(separation.press_inks_of(colour));
    const double difference = cmsDeltaE(&own, &ours);
    sum += difference;
    EXPECT_LT(difference, 3.0) << int(colour.r) << "," << int(colour.g) << "," << int(colour.b);
  }
  EXPECT_LT(sum / std::size(colours), 1.5);
}

TEST_F(CmykSeparation, PicturesAndInkColours) {
  _image grey;
  grey.dimensions(2, 3);
  grey.create(true);
  _rgb_image picture{3, 2, {}};
  const _pixel colours[] = {{255, 255, 255}, {0, 0, 0},       {255, 0, 0},
                            {0, 128, 255},   {128, 128, 128}, {10, 200, 30}};
  for (size_t i = 0; i < 6; ++i) {
    picture.bytes.insert(picture.bytes.end(), {colours[i].r, colours[i].g, colours[i].b});
    grey.samples[i] = float(i * 40);
  }
  // A colour photograph by its colours, a grey one by its grey.
  const auto inks = separation.separate(grey, picture);
  const auto grey_inks = separation.separate(grey, _rgb_image());
  for (int ink = 0; ink < INK_COUNT; ++ink) {
    ASSERT_EQ(inks[ink].width, 3u);
    ASSERT_EQ(inks[ink].height, 2u);
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(inks[ink].samples[i], 255.0f - separation.inks_of(colours[i])[ink]) << ink << i;
      const uint8_t level = uint8_t(i * 40);
      EXPECT_EQ(grey_inks[ink].samples[i],
                255.0f - separation.inks_of(_pixel(level, level, level))[ink])
          << ink << i;
    }
  }
  // Cyan is blue-green, magenta red-blue, yellow red-green, black dark and near neutral.
  const _pixel cyan = separation.ink_colour(ink_cyan), magenta = separation.ink_colour(ink_magenta),
               yellow = separation.ink_colour(ink_yellow), black = separation.ink_colour(ink_black);
  EXPECT_LT(cyan.r, 40);
  EXPECT_GT(cyan.b, 200);
  EXPECT_LT(magenta.g, 80);
  EXPECT_GT(magenta.r, 200);
  EXPECT_LT(yellow.b, 80);
  EXPECT_GT(yellow.g, 200);
  EXPECT_LT(black.r, 80);
  EXPECT_LE(std::abs(black.r - black.b), 8);
  // Worked out on threads, the separation is the same.
  _thread_pool pool(2);
  _cmyk_separation threaded;
  ASSERT_TRUE(threaded.load(_cmyk_separation::DEFAULT_PROFILE, &pool));
  for (int level = 0; level < 256; level += 5)
    for (const _pixel colour : {_pixel(level, 255 - level, 100), _pixel(level, level, level / 2)})
      ASSERT_EQ(threaded.inks_of(colour), separation.inks_of(colour)) << level;
  EXPECT_FALSE(_cmyk_separation().load("/nonexistent.icc"));
  EXPECT_FALSE(_cmyk_separation().load("/usr/share/color/icc/ghostscript/srgb.icc"));
}

}  // namespace
}  // namespace stippon
