// Colour management: photographs written with embedded profiles made by Little CMS, read back.
// The expectations come from the colours the files were made from, never from the reader's path.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <tiffio.h>

#include <QColorSpace>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "files/file_fixtures.h"
#include "photo/photo_reader.h"

namespace stippon {
namespace {

using namespace testing;
using bytes = std::vector<uint8_t>;

// Six levels a channel: 216 sRGB colours, each an 8 x 8 block so that a JPEG keeps it whole.
constexpr unsigned LEVELS = 6, BLOCK = 8, COLUMNS = 18;
constexpr unsigned WIDTH = COLUMNS * BLOCK, HEIGHT = LEVELS * LEVELS * LEVELS / COLUMNS * BLOCK;

bytes srgb_colours() {
  bytes rgb(size_t{3} * WIDTH * HEIGHT);
  for (unsigned y = 0; y < HEIGHT; ++y)
    for (unsigned x = 0; x < WIDTH; ++x) {
      const unsigned i = y / BLOCK * COLUMNS + x / BLOCK;
      const unsigned level[3] = {i / 36, i / 6 % 6, i % 6};
      for (int c = 0; c < 3; ++c) rgb[3 * (size_t{y} * WIDTH + x) + c] = uint8_t(level[c] * 51);
    }
  return rgb;
}

unsigned grey_of_rgb(const uint8_t* p) {
  return (77u * p[0] + 150u * p[1] + 29u * p[2] + 128) >> 8;
}

bytes saved(cmsHPROFILE profile) {
  cmsUInt32Number length = 0;
  cmsSaveProfileToMem(profile, nullptr, &length);
  bytes icc(length);
  cmsSaveProfileToMem(profile, icc.data(), &length);
  cmsCloseProfile(profile);
  return icc;
}

// A matrix-shaper profile of D65 white, the given primaries and one tone curve for all three.
bytes rgb_profile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve) {
  const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
  cmsToneCurve* curves[3] = {curve, curve, curve};
  const bytes icc = saved(cmsCreateRGBProfile(&d65, &primaries, curves));
  cmsFreeToneCurve(curve);
  return icc;
}
bytes adobe_rgb() {
  return rgb_profile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}},
                     cmsBuildGamma(nullptr, 563.0 / 256.0));
}
bytes display_p3() {
  const double srgb_curve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  return rgb_profile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                     cmsBuildParametricToneCurve(nullptr, 4, srgb_curve));
}
bytes srgb() {
  return saved(cmsCreate_sRGBProfile());
}

// sRGB colours in the space of an RGB profile.
bytes in_space(const bytes& rgb, const bytes& icc) {
  cmsHPROFILE from = cmsCreate_sRGBProfile();
  cmsHPROFILE to = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
  cmsHTRANSFORM t =
      cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  bytes out(rgb.size());
  cmsDoTransform(t, rgb.data(), out.data(), cmsUInt32Number(rgb.size() / 3));
  cmsDeleteTransform(t);
  cmsCloseProfile(from);
  cmsCloseProfile(to);
  return out;
}

void write_tiff(const std::string& name, const bytes& rgb, const bytes& icc) {
  TIFF* tiff = TIFFOpen(name.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, WIDTH);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, HEIGHT);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, HEIGHT);
  if (!icc.empty()) TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.data());
  TIFFWriteEncodedStrip(tiff, 0, const_cast<uint8_t*>(rgb.data()), tmsize_t(rgb.size()));
  TIFFClose(tiff);
}

void write_jpeg(const std::string& name, const bytes& rgb, const bytes& icc) {
  FILE* file = std::fopen(name.c_str(), "wb");
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = WIDTH;
  info.image_height = HEIGHT;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  if (!icc.empty()) jpeg_write_icc_profile(&info, icc.data(), unsigned(icc.size()));
  while (info.next_scanline < HEIGHT) {
    JSAMPROW row = const_cast<uint8_t*>(rgb.data()) + size_t{3} * WIDTH * info.next_scanline;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

using writer = std::function<void(const std::string&, const bytes&, const bytes&)>;

// PNG and WebP through Qt, lossless, the profile as Qt keeps it.
writer through_qt(const char* format) {
  return [format](const std::string& name, const bytes& rgb, const bytes& icc) {
    QImage picture(rgb.data(), int(WIDTH), int(HEIGHT), int(3 * WIDTH), QImage::Format_RGB888);
    picture = picture.copy();
    if (!icc.empty())
      picture.setColorSpace(QColorSpace::fromIccProfile(
          QByteArray(reinterpret_cast<const char*>(icc.data()), qsizetype(icc.size()))));
    ASSERT_TRUE(picture.save(QString::fromStdString(name), format, 100));
  };
}
const writer write_png = through_qt("png"), write_webp = through_qt("webp");

struct photo {
  _image grey;
  _rgb_image colour;
  std::string warning;
};

photo read_back(const std::string& name) {
  _photo_reader reader;
  photo p;
  EXPECT_TRUE(reader.read(name, p.grey, p.colour)) << reader.error();
  p.warning = reader.warning();
  return p;
}

// The largest difference between the grey read and the grey of the sRGB colours (top row
// first), and between the colours.
struct differences {
  int grey = 0, colour = 0;
};
differences from_srgb(const photo& p, const bytes& rgb) {
  differences d;
  EXPECT_EQ(p.colour.bytes.size(), rgb.size());
  if (p.colour.bytes.size() != rgb.size()) return {255, 255};
  for (unsigned y = 0; y < HEIGHT; ++y)
    for (unsigned x = 0; x < WIDTH; ++x) {
      const size_t in = size_t{y} * WIDTH + x, out = size_t{HEIGHT - 1 - y} * WIDTH + x;
      d.grey =
          std::max(d.grey, std::abs(int(p.grey.samples[out]) - int(grey_of_rgb(&rgb[3 * in]))));
      for (int c = 0; c < 3; ++c)
        d.colour =
            std::max(d.colour, std::abs(int(p.colour.bytes[3 * out + c]) - int(rgb[3 * in + c])));
    }
  return d;
}

TEST(ColourProfile, TaggedPhotographsGiveTheGreyOfTheirSrgbColours) {
  scratch_dir dir;
  const bytes colours = srgb_colours();
  const struct {
    const char* name;
    bytes icc;
    writer write;
    bool lossy;  // a JPEG at quality 100 moves a level or two, which the conversion may enlarge
  } cases[] = {
      {"adobe.png", adobe_rgb(), write_png, false},   {"p3.png", display_p3(), write_png, false},
      {"adobe.tif", adobe_rgb(), write_tiff, false},  {"p3.tif", display_p3(), write_tiff, false},
      {"adobe.webp", adobe_rgb(), write_webp, false}, {"adobe.jpg", adobe_rgb(), write_jpeg, true},
      {"p3.jpg", display_p3(), write_jpeg, true}};
  for (const auto& c : cases) {
    const bytes stored = in_space(colours, c.icc);
    c.write(dir / c.name, stored, c.icc);
    const photo p = read_back(dir / c.name);
    const differences d = from_srgb(p, colours);
    // Dark shades of a wide space stored in 8 bits come back a few levels off in colour.
    EXPECT_LE(d.grey, c.lossy ? 6 : 2) << c.name;
    EXPECT_LE(d.colour, c.lossy ? 255 : 5) << c.name;
    EXPECT_EQ(p.warning, "") << c.name;
    // The same values untagged are far from it: the profile was honoured.
    c.write(dir / "untagged", stored, {});
    EXPECT_GE(from_srgb(read_back(dir / "untagged"), colours).colour, 20) << c.name;
  }
}

// sRGB-tagged photographs and untagged ones give exactly the values the file holds.
TEST(ColourProfile, SrgbAndUntaggedKeepTheirExactValues) {
  scratch_dir dir;
  const bytes colours = srgb_colours();
  for (const auto& [write, lossy] :
       {std::pair(write_png, false), std::pair(writer(write_tiff), false),
        std::pair(writer(write_jpeg), true)}) {
    write(dir / "untagged", colours, {});
    write(dir / "tagged", colours, srgb());
    const photo untagged = read_back(dir / "untagged");
    const photo tagged = read_back(dir / "tagged");
    EXPECT_EQ(tagged.grey.samples, untagged.grey.samples);
    EXPECT_EQ(tagged.colour.bytes, untagged.colour.bytes);
    if (!lossy) {
      EXPECT_EQ(from_srgb(tagged, colours).colour, 0);
    }
  }
}

// A damaged profile leaves the values as they are, with a warning; so does one of another kind.
TEST(ColourProfile, DamagedProfilesFallBackToSrgb) {
  scratch_dir dir;
  const bytes colours = srgb_colours();
  write_png(dir / "plain.png", colours, {});
  const photo plain = read_back(dir / "plain.png");
  bytes truncated = adobe_rgb();
  truncated.resize(truncated.size() / 2);
  bytes garbage(600, 0x5a);
  const bytes lab = saved(cmsCreateLab4Profile(nullptr));
  // libpng refuses a profile that is no profile while it reads the chunk.
  const std::string png = read_file(dir / "plain.png");
  const std::string deflated = [&] {
    uLongf length = compressBound(garbage.size());
    std::string out(length, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &length, garbage.data(), garbage.size());
    return out.substr(0, length);
  }();
  write_file(
      dir / "garbage.png",
      png.substr(0, 33) + png_chunk("iCCP", std::string("bad\0\0", 5) + deflated) + png.substr(33));
  write_tiff(dir / "truncated.tif", colours, truncated);
  write_tiff(dir / "lab.tif", colours, lab);
  write_jpeg(dir / "garbage.jpg", colours, garbage);
  write_jpeg(dir / "plain.jpg", colours, {});
  for (const char* name : {"garbage.png", "truncated.tif", "lab.tif", "garbage.jpg"}) {
    const photo p = read_back(dir / name);
    EXPECT_EQ(p.warning,
              dir / name + ": the colour profile is damaged; the colours are read as sRGB");
    const photo& expected =
        std::string(name).ends_with(".jpg") ? read_back(dir / "plain.jpg") : plain;
    EXPECT_EQ(p.grey.samples, expected.grey.samples) << name;
    EXPECT_EQ(p.colour.bytes, expected.colour.bytes) << name;
  }
}

}  // namespace
}  // namespace stippon
