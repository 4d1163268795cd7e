// The photo reader: every kind of file compared exactly with an independent decoding, netpbm kinds
// against the conversion rule, orientations, truncated, damaged and oversized files, and 8-bit PGM
// samples taken as they are.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>

#include "files/file_fixtures.h"
#include "photo/photo_reader.h"

namespace stippon {
namespace {

using namespace testing;

const std::string PHOTOS = STIPPON_TEST_DATA_DIR "/photos/";

// The rule, spelled out once for the expectations: alpha over white, then netpbm's luminance.
unsigned expected_grey(unsigned r, unsigned g, unsigned b, unsigned a = 255) {
  const auto over = [a](unsigned c) { return (c * a + 255 * (255 - a) + 127) / 255; };
  return (77 * over(r) + 150 * over(g) + 29 * over(b) + 128) >> 8;
}

// A picture as rows of 8-bit grey, top row first, and its colour (over white, R, G, B a pixel).
struct grey_picture {
  unsigned width = 0, height = 0;
  std::vector<unsigned> samples;
  std::vector<unsigned> colour;
  bool operator==(const grey_picture&) const = default;
};

// The raster turned back to top-row-first order; a grey picture's colour is its grey thrice.
grey_picture from_raster(const _image& image, const _rgb_image& colour) {
  grey_picture p{image.width, image.height, {}, {}};
  for (unsigned y = image.height; y-- > 0;)
    for (unsigned x = 0; x < image.width; ++x) {
      const size_t at = size_t{y} * image.width + x;
      p.samples.push_back(static_cast<unsigned>(image.samples[at]));
      for (int c = 0; c < 3; ++c)
        p.colour.push_back(colour.empty() ? p.samples.back() : colour.bytes[3 * at + c]);
    }
  return p;
}

// An 8-bit PAM (the fixtures' expectations) put through the rule.
grey_picture from_pam(const std::string& name) {
  std::istringstream in(read_file(name));
  std::string line, key;
  unsigned depth = 0, maxval = 0;
  grey_picture p;
  std::getline(in, line);
  EXPECT_EQ(line, "P7") << name;
  while (std::getline(in, line) && line != "ENDHDR") {
    std::istringstream fields(line);
    fields >> key;
    if (key == "WIDTH") fields >> p.width;
    if (key == "HEIGHT") fields >> p.height;
    if (key == "DEPTH") fields >> depth;
    if (key == "MAXVAL") fields >> maxval;
  }
  EXPECT_EQ(maxval, 255u) << name;
  std::vector<unsigned char> t(size_t{p.width} * p.height * depth);
  in.read(reinterpret_cast<char*>(t.data()), static_cast<std::streamsize>(t.size()));
  for (size_t i = 0; i < size_t{p.width} * p.height; ++i) {
    const unsigned char* s = &t[i * depth];
    const bool colour = depth >= 3;
    const bool alpha = depth == 2 || depth == 4;
    const unsigned a = alpha ? s[depth - 1] : 255;
    const unsigned rgb[3] = {s[0], colour ? s[1] : s[0], colour ? s[2] : s[0]};
    p.samples.push_back(expected_grey(rgb[0], rgb[1], rgb[2], a));
    for (unsigned c : rgb) p.colour.push_back(expected_grey(c, c, c, a));
  }
  return p;
}

struct read_result {
  bool ok;
  grey_picture picture;
  _photo_failure failure;
  std::string error;
};

read_result read_photo(const std::string& name, int max_size = 100000) {
  _photo_reader reader;
  _image image;
  _rgb_image colour;
  const bool ok = reader.read(name, image, colour, max_size);
  return {ok, from_raster(image, colour), reader.failure(), reader.error()};
}

// Each picture in tests/data/photos has NAME.pam beside it (see make.sh there); the PngSuite
// expectations are named pngsuite_FILE.png.pam. Each is read from a copy named as another kind:
// the kind comes from the content, not the name.
TEST(Photo, EveryFixtureMatchesAnotherDecoder) {
  scratch_dir dir;
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PHOTOS)) {
    const std::string pam = entry.path().string();
    if (entry.path().extension() != ".pam") continue;
    std::string picture = pam.substr(0, pam.size() - 4);
    const std::string base = std::filesystem::path(picture).filename().string();
    if (base.starts_with("pngsuite_")) picture = SUITE + base.substr(9);
    std::string kind = std::filesystem::path(picture).extension().string().substr(1);
    kind = kind == "jpg" ? "jpeg" : kind == "tif" ? "tiff" : kind;
    const std::string copy = dir / (kind == "png" ? "misnamed.gif" : "misnamed.png");
    write_file(copy, read_file(picture));
    _photo_reader reader;
    _image image;
    _rgb_image colour;
    ASSERT_TRUE(reader.read(copy, image, colour, 100000)) << picture << ": " << reader.error();
    EXPECT_EQ(reader.format(), kind) << picture;
    EXPECT_TRUE(from_raster(image, colour) == from_pam(pam)) << picture;
    ++compared;
  }
  EXPECT_EQ(compared, 67);
  // A CMYK JPEG goes through Qt.
  const read_result cmyk = read_photo(PHOTOS + "jpeg_cmyk.jpg");
  EXPECT_TRUE(cmyk.ok && cmyk.picture.width == 40 && cmyk.picture.height == 24) << cmyk.error;
}

// Reads a file that must fail: the image keeps its samples, the message names the file.
void expect_failure(const std::string& name, _photo_failure failure, const std::string& reason,
                    int max_size = 100000) {
  _photo_reader reader;
  _image image;
  std::vector<float> values = {1, 2};
  image.set(1, 2, values);
  EXPECT_FALSE(reader.read(name, image, max_size)) << name;
  EXPECT_EQ(reader.failure(), failure) << name << ": " << reader.error();
  if (!reason.empty()) {
    EXPECT_EQ(reader.error(), "Cannot read " + name + ": " + reason);
  }
  EXPECT_TRUE(image.height == 1 && image.samples == values) << name;
  EXPECT_EQ(reader.format(), "");
}

// The JPEG fixture with an EXIF block (APP1) that holds only the orientation.
std::string with_orientation(int orientation) {
  const std::string exif =
      std::string("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24) + char(orientation) +
      std::string(7, '\0');
  const size_t length = exif.size() + 2;
  const std::string app1 = "\xff\xe1" + std::string{char(length >> 8), char(length & 0xff)} + exif;
  const std::string jpeg = read_file(PHOTOS + "jpeg_baseline.jpg");
  return jpeg.substr(0, 2) + app1 + jpeg.substr(2);
}

// Each EXIF orientation turns the picture; the caller's edge applies to the turned picture.
TEST(Photo, OrientationsTurnThePicture) {
  const grey_picture upright = read_photo(PHOTOS + "jpeg_baseline.jpg").picture;
  const unsigned w = upright.width, h = upright.height;
  ASSERT_EQ(w, 40u);
  scratch_dir dir;
  for (int o = 1; o <= 8; ++o) {
    write_file(dir / "turned.jpg", with_orientation(o));
    const read_result r = read_photo(dir / "turned.jpg");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.picture.width, o >= 5 ? h : w) << o;
    // Where the pixel at (x, y) of the shown picture is in the stored one (EXIF 2.3, 4.6.4).
    for (unsigned y = 0; y < r.picture.height; ++y)
      for (unsigned x = 0; x < r.picture.width; ++x) {
        const unsigned sx[] = {x, w - 1 - x, w - 1 - x, x, y, y, w - 1 - y, w - 1 - y};
        const unsigned sy[] = {y, y, h - 1 - y, h - 1 - y, x, h - 1 - x, h - 1 - x, x};
        ASSERT_EQ(r.picture.samples[y * r.picture.width + x],
                  upright.samples[sy[o - 1] * w + sx[o - 1]])
            << "orientation " << o << " at " << x << ", " << y;
      }
  }
  write_file(dir / "turned.jpg", with_orientation(6));
  expect_failure(dir / "turned.jpg", _photo_failure::too_large,
                 "too large: 24 \u00d7 40 pixels, the limit is 30 pixels on a side", 30);
}

std::string be16(unsigned v) {
  return {char(v >> 8), char(v & 0xff)};
}

// Every netpbm kind, its deeper samples reduced as pamdepth reduces them. An 8-bit PGM gives its
// samples as they are, signs and comments included (the photographs and the dot sheets are such
// files); exactly one white space ends the header.
TEST(Photo, NetpbmKindsHeadersAndDepths) {
  // pamdepth: floor((v * 255 + floor(maxval / 2)) / maxval)
  const auto depth = [](unsigned v, unsigned maxval) { return (v * 255 + maxval / 2) / maxval; };
  const std::string camera = read_file(STIPPON_DATA_DIR "/images/camera.pgm");
  ASSERT_TRUE(camera.starts_with("P5\n512 512\n255\n"));
  const auto* pixels =
      reinterpret_cast<const unsigned char*>(camera.data()) + camera.size() - 512 * 512;
  const std::vector<unsigned> raster = {10, 20, 30, 40, 50, 60};  // RASTER, top row first
  const struct {
    std::string name, bytes, kind;
    unsigned width;
    std::vector<unsigned> top_down;
  } cases[] = {
      {"P1 with comment", "P1\n# c\n3 2\n1 0 1\n0 1 0\n", "pbm", 3, {0, 255, 0, 255, 0, 255}},
      {"P4 padded rows",
       "P4\n10 2\n" + std::string("\xa0\x40\x01\xc0", 4),
       "pbm",
       10,
       {0, 255, 0, 255, 255, 255, 255, 255, 255, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0}},
      {"P2 maxval 1000",
       "P2 3 1 1000 1 500 999",
       "pgm",
       3,
       {depth(1, 1000), depth(500, 1000), depth(999, 1000)}},
      {"P5 maxval 1", "P5 2 1 1\n\x01" + std::string(1, '\0'), "pgm", 2, {255, 0}},
      {"P5 maxval 65535",
       "P5 3 1 65535\n" + be16(0) + be16(32896) + be16(65535),
       "pgm",
       3,
       {0, depth(32896, 65535), 255}},
      {"P2 signs", "P2 3 1 255 0 +5 255", "pgm", 3, {0, 5, 255}},
      {"P5 comments", "P5\n# one\n3 2\n# two\n255\n" + RASTER, "pgm", 3, raster},
      {"P5 comments without space", "P5#m\n3#w\n2 255#x\n" + RASTER, "pgm", 3, raster},
      {"P2 tabs and returns", "P2\t3\r\n2\t255\n10 20 30\n40\n50 60", "pgm", 3, raster},
      {"P5 one white space", std::string("P5\n2 1\n255\n\n ", 13), "pgm", 2, {10, 32}},
      {"P2 maxval 15", "P2 3 1 15 0 +5 15", "pgm", 3, {0, 85, 255}},  // floor((5 * 255 + 7) / 15)
      {"P2 maxval 9", "P2 2 1 9 0 9", "pgm", 2, {0, 255}},  // the ends of the range as any sample
      {"camera", camera, "pgm", 512, std::vector<unsigned>(pixels, pixels + 512 * 512)},
      {"P3 maxval 100", "P3 1 1 100 50 100 0", "ppm", 1, {expected_grey(depth(50, 100), 255, 0)}},
      {"P6 maxval 255",
       std::string("P6 2 1 255\n\xff\x00\x00\x01\x02\x03", 17),
       "ppm",
       2,
       {expected_grey(255, 0, 0), expected_grey(1, 2, 3)}},
      {"P6 maxval 1000",
       "P6 1 2 1000\n" + be16(1000) + be16(1) + be16(999) + std::string(6, '\0'),
       "ppm",
       1,
       {expected_grey(255, depth(1, 1000), depth(999, 1000)), 0}},
  };
  scratch_dir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir / "in", c.bytes);
    _photo_reader reader;
    _image image;
    ASSERT_TRUE(reader.read(dir / "in", image)) << reader.error();
    EXPECT_EQ(reader.format(), c.kind);
    for (const float sample : image.samples) ASSERT_EQ(sample, std::floor(sample));
    const grey_picture grey = from_raster(image, {});
    EXPECT_EQ(grey.width, c.width);
    EXPECT_TRUE(grey.samples == c.top_down);
    EXPECT_TRUE(read_photo(dir / "in").picture.samples == c.top_down);  // with the colours too
  }
  // The colour of the last, deep PPM: its channels at 8 bits, top row first.
  EXPECT_EQ(read_photo(dir / "in").picture.colour,
            (std::vector<unsigned>{255, depth(1, 1000), depth(999, 1000), 0, 0, 0}));
}

// ---- refused files ----

std::string le16(unsigned v) {
  return {char(v & 0xff), char(v >> 8)};
}
std::string le32(uint32_t v) {
  return le16(v & 0xffff) + le16(v >> 16);
}
std::string tiff_entry(unsigned tag, unsigned type, uint32_t value) {
  return le16(tag) + le16(type) + le32(1) + le32(value);
}

// A little-endian TIFF directory alone: a bilevel picture of one strip at `strip`.
std::string tiff_header(uint32_t width, uint32_t height, uint32_t strip) {
  return "II*" + std::string(1, '\0') + le32(8) + le16(5) + tiff_entry(256, 4, width) +
         tiff_entry(257, 4, height) + tiff_entry(262, 3, 1) + tiff_entry(273, 4, strip) +
         tiff_entry(279, 4, (width + 7) / 8 * height) + le32(0);
}

std::string patched(std::string bytes, size_t at, const std::string& with) {
  return bytes.replace(at, with.size(), with);
}

// Every refused file says why, told apart: cut short anywhere, damaged, not a picture at all, or
// larger than a limit. Headers that declare 20000 x 20000 pixels (400 megapixels) in files of a
// few bytes are refused as too large, not as truncated: before anything was allocated or decoded.
TEST(Photo, RefusedFilesSayWhy) {
  using enum _photo_failure;
  const std::string png = read_file(SUITE + "basn2c08.png");
  const std::string jpeg = read_file(PHOTOS + "jpeg_baseline.jpg");
  const std::string tiff = read_file(PHOTOS + "tiff_rgb8_lzw.tif");
  const std::string gif = read_file(PHOTOS + "gif_plain.gif");
  const size_t sof = jpeg.find("\xff\xc0");
  // The first image descriptor, after the colour table and any extensions.
  size_t lzw = 13 + ((gif[10] & 0x80) ? 3u << ((gif[10] & 7) + 1) : 0);
  while (gif[lzw] == '!') {
    lzw += 2;
    while (gif[lzw] != 0) lzw += 1 + static_cast<unsigned char>(gif[lzw]);
    ++lzw;
  }
  const size_t tag = tiff.find(std::string("\x03\x01\x03\x00", 4));  // Compression (259)
  ASSERT_TRUE(sof != std::string::npos && gif[lzw] == ',' && !(gif[lzw + 9] & 0x80) &&
              tag != std::string::npos);
  // PNG: the signature, an IHDR of 20000 x 20000, the first IDAT's header.
  const std::string huge_png = png.substr(0, 8) +
                               png_chunk("IHDR", be32(20000) + be32(20000) + png.substr(24, 5)) +
                               png.substr(png.find("IDAT") - 4, 8);
  // GIF: a 20000 x 20000 screen around one pixel, which Qt's size query takes for 1 x 1.
  const std::string huge_gif = std::string("GIF89a\x20\x4e\x20\x4e\x80\0\0\0\0\0\xff\xff\xff", 19) +
                               std::string(",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;", 17);
  const std::string too_big = "too large: 20000 \u00d7 20000 pixels, the limit is " +
                              std::to_string(PHOTO_MAX_MEGAPIXELS) + " megapixels";
  const std::string unknown = "not a picture Stippon can read";
  const struct refused {
    std::string what, bytes;
    _photo_failure failure;
    std::string reason;
    int max_size = 100000;
  } listed[] = {
      {"tiff: strip past the end", tiff_header(2, 2, 1000), truncated, "truncated"},
      {"P5: raw samples missing", "P5 3 2 255\n\x01\x02", truncated, "truncated"},
      {"P5: deep samples missing", "P5 2 1 65535\n\x01\x02\x03", truncated, "truncated"},
      {"P4: bits missing", "P4 9 2\n\x01\x02\x03", truncated, "truncated"},
      {"P1: plain samples missing", "P1 2 2 1 0 1", truncated, "truncated"},
      {"P3: plain samples missing", "P3 1 1 255 1 2", truncated, "truncated"},
      {"P5: header cut", "P5 3", truncated, "truncated"},
      {"png: IDAT checksum", patched(png, png.find("IDAT") + 20, "\x55"), damaged, "damaged"},
      {"png: bit depth 7", patched(png, 24, "\x07"), damaged, "damaged"},
      {"jpeg: no lines", patched(jpeg, sof + 5, std::string("\0\0", 2)), damaged, "damaged"},
      {"tiff: compression 12345", patched(tiff, tag + 8, "\x39\x30"), damaged, "damaged"},
      {"webp: chunk kind", patched(read_file(PHOTOS + "webp_lossless.webp"), 12, "VP8Q"), damaged,
       "damaged"},
      {"bmp: 7 bits a pixel", patched(read_file(PHOTOS + "bmp_rgb24.bmp"), 28, "\x07"), damaged,
       "damaged"},
      {"gif: code size", patched(gif, lzw + 10, "\x0f"), damaged, "damaged"},
      {"P5: letters in size", "P5\n3 x\n255\n", damaged, "damaged"},
      {"P5: empty", "P5 0 2 255\n", damaged, "damaged"},
      {"P6: maxval 70000", "P6 1 1 70000\n......", damaged, "damaged"},
      {"P5: sample above maxval", "P5 2 1 15\n\x01\x10", damaged,
       "damaged: the sample 16 at row 1, column 2 is outside 0..15"},
      {"P2: negative sample", "P2 2 1 15 1 -1", damaged,
       "damaged: the sample -1 at row 1, column 2 is outside 0..15"},
      {"P2: word", "P2 2 1 255 1 two", damaged, "damaged"},
      {"P1: digit 2", "P1 2 1 1 2", damaged, "damaged"},
      {"empty", "", not_a_picture, unknown},
      {"text", "hello, world\n", not_a_picture, unknown},
      {"P7 header", "P7\nWIDTH 1\n", not_a_picture, unknown},
      {"P9", "P9 1 1 1\n", not_a_picture, unknown},
      {"P55", "P55 1 1\n", not_a_picture, unknown},
      {"a TGA", std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\x01\0\x18\0\0\0\0", 21),
       not_a_picture, unknown},
      {"png: bad signature", read_file(SUITE + "xs1n0g01.png"), not_a_picture, ""},
      {"huge png", huge_png, too_large, too_big},
      {"huge jpeg", patched(jpeg, sof + 5, "\x4e\x20\x4e\x20"), too_large, too_big},
      {"huge tiff", tiff_header(20000, 20000, 400), too_large, too_big},
      {"huge gif", huge_gif, too_large, too_big},
      {"huge pgm", "P5 20000 20000 255\n", too_large, too_big},
      // The caller's edge.
      {"tiff over 30", read_file(PHOTOS + "tiff_rgb8.tif"), too_large, "", 30},
      {"png over 30", png, too_large, "", 30},
      {"pbm over 39", std::string("P4 40 1\n\0\0\0\0\0", 13), too_large, "", 39},
  };
  std::vector<refused> cases(std::begin(listed), std::end(listed));
  for (const char* file :
       {"jpeg_baseline.jpg", "jpeg_progressive.jpg", "tiff_rgb16_lzw.tif", "tiff_tiled.tif",
        "webp_lossy.webp", "bmp_rle8.bmp", "gif_plain.gif", "../pngsuite/basi6a16.png"})
    for (const double part : {0.2, 0.5, 0.9}) {
      const std::string bytes = read_file(PHOTOS + file);
      cases.push_back({std::string(file) + " cut at " + std::to_string(part),
                       bytes.substr(0, size_t(double(bytes.size()) * part)), truncated,
                       "truncated"});
    }
  scratch_dir dir;
  for (const refused& c : cases) {
    SCOPED_TRACE(c.what);
    write_file(dir / "refused", c.bytes);
    expect_failure(dir / "refused", c.failure, c.reason, c.max_size);
  }
  expect_failure(dir / "missing.jpg", cannot_open, "cannot open it (No such file or directory)");
  expect_failure(dir.dir.string(), cannot_open, "");
  expect_failure("/dev/null", not_a_picture, unknown);
  // The first frame whole, the second cut: the picture is read.
  const std::string two = read_file(PHOTOS + "gif_two_frames.gif");
  write_file(dir / "first.gif", two.substr(0, two.size() - 40));
  EXPECT_TRUE(read_photo(dir / "first.gif").ok);
  write_file(dir / "wide.pbm", std::string("P4 40 1\n\0\0\0\0\0", 13));
  EXPECT_TRUE(read_photo(dir / "wide.pbm", 40).ok);
}

// Pipes and FIFOs cannot seek: a PGM and a PNG read through them as from their files, and standard
// input stays open for the rest of the program.
TEST(Photo, StreamsReadLikeFiles) {
  scratch_dir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& file :
       {std::string(STIPPON_DATA_DIR "/images/camera.pgm"), SUITE + "basn6a08.png"})
    for (const bool standard_input : {false, true}) {
      SCOPED_TRACE(file + (standard_input ? " on standard input" : " through a FIFO"));
      feeder writer(fifo, read_file(file));
      const int descriptor = standard_input ? ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC) : -1;
      std::optional<redirected> input;
      if (standard_input) input.emplace(STDIN_FILENO, descriptor);
      std::clearerr(stdin);  // as a fresh process finds it: the last read here left it at its end
      const read_result r = read_photo(standard_input ? "-" : fifo);
      if (standard_input) ::close(descriptor);
      EXPECT_NE(::fcntl(STDIN_FILENO, F_GETFD), -1);
      ASSERT_TRUE(r.ok) << r.error;
      EXPECT_TRUE(r.picture == read_photo(file).picture);
    }
}

// Writes a 12000 x 8400 TIFF (100.8 megapixels) through libtiff in JPEG-compressed YCbCr, which
// the reader hands to Qt (401 MB decoded, above Qt's default limit).
bool write_large_tiff(const std::string& name) {
  TIFF* tiff = TIFFOpen(name.c_str(), "w");
  if (tiff == nullptr) return false;
  const uint32_t width = 12000, height = 8400;
  const uint16_t samples = 3;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 64);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
  TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  std::vector<uint8_t> row(size_t{width} * samples);
  bool ok = true;
  for (uint32_t y = 0; y < height && ok; ++y) {
    std::fill(row.begin(), row.end(), static_cast<uint8_t>(y / 64 % 2 ? 200 : 40));
    ok = TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
  }
  TIFFClose(tiff);
  return ok;
}

// Large photographs open, above Qt's own allocation limit, in the right row order.
TEST(Photo, HundredMegapixelTiffOpens) {
  scratch_dir dir;
  ASSERT_TRUE(write_large_tiff(dir / "large.tif"));
  _photo_reader reader;
  _image image;
  ASSERT_TRUE(reader.read(dir / "large.tif", image, 16384)) << reader.error();
  ASSERT_TRUE(image.width == 12000 && image.height == 8400);
  // Row 0 is the bottom: the file's last band of 64 rows (band 131, odd, light).
  EXPECT_NEAR(image.samples[0], 200, 2);
  EXPECT_NEAR(image.samples.back(), 40, 2);
}

}  // namespace
}  // namespace stippon
