// The inks of dots in the photograph's colours, mixed back with the paper by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "stipple/dot_inks.h"

namespace stippon {
namespace {

double linear(double v) {
  v /= 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// The ink of one texel whose grey is g.
_pixel ink_of(float g, _pixel colour) {
  _image grey;
  grey.width = grey.height = 1;
  grey.samples = {g};
  _texture colours;
  colours.width = colours.height = 1;
  colours.texels = {colour};
  dot_inks(grey, colours);
  return colours.texels[0];
}

TEST(DotInks, MixWithThePaperToThePhotographsColour) {
  // Neutral greys print black, as grey stippling does; white has no dots to colour.
  for (unsigned v : {0u, 60u, 128u, 250u}) {
    const auto c = static_cast<unsigned char>(v);
    EXPECT_EQ(ink_of(float(v), _pixel(c, c, c)), _pixel(0, 0, 0)) << v;
  }
  EXPECT_EQ(ink_of(255.0f, _pixel(250, 200, 100)), _pixel(250, 200, 100));
  // Colours the coverage can reach: paper + c (ink - 1) gives them back within rounding.
  const struct {
    float grey;
    _pixel colour;
  } reachable[] = {
      {60.0f, _pixel(180, 90, 70)}, {100.0f, _pixel(200, 120, 110)}, {40.0f, _pixel(90, 60, 120)}};
  for (const auto& r : reachable) {
    const _pixel ink = ink_of(r.grey, r.colour);
    const double coverage = 1.0 - linear(r.grey);
    const unsigned char in[3] = {r.colour.r, r.colour.g, r.colour.b};
    const unsigned char out[3] = {ink.r, ink.g, ink.b};
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(1.0 + coverage * (linear(out[k]) - 1.0), linear(in[k]), 0.004) << r.grey;
  }
  // Darker than the paper between the dots allows: every channel raised alike (in linear light),
  // the darkest to black, so red stays red rather than turning pink.
  const _pixel red = ink_of(100.0f, _pixel(150, 20, 30));
  EXPECT_EQ(red.g, 0);
  const double coverage = 1.0 - linear(100.0);
  const auto raised = [&](unsigned char ink, unsigned char photo) {
    return 1.0 + coverage * (linear(ink) - 1.0) - linear(photo);
  };
  EXPECT_NEAR(raised(red.r, 150), raised(red.g, 20), 0.004);
  EXPECT_NEAR(raised(red.b, 30), raised(red.g, 20), 0.004);
}

}  // namespace
}  // namespace stippon
