// Print writers: every format and kind at 300, 600 and 1200 ppi, read back by independent tools
// (netpbm, tiffinfo, pdfinfo, pdfimages) pixel for pixel; failed, cancelled and abandoned writes
// that leave no file and keep the older one, a full disk among them.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "print/print_files.h"
#include "print/print_format.h"
#include "print/print_pgm.h"
#include "print/print_png.h"
#include "print/raster_file.h"

namespace stippon {
namespace {

using namespace testing;

constexpr unsigned WIDTH = 61, HEIGHT = 23;  // rows of 1-bit pixels end inside a byte

// A print whose samples a mix-up of rows, columns, channels or bit sense would change.
raster synthetic(_print_kind kind, unsigned width, unsigned height) {
  raster r{width, height, bytes_per_pixel(kind), {}};
  for (unsigned y = 0; y < height; ++y)
    for (unsigned x = 0; x < width; ++x)
      for (unsigned c = 0; c < r.channels; ++c) {
        const unsigned v = (x * 37 + y * 101 + c * 71 + x * y) & 255;
        r.samples.push_back(kind == _print_kind::bilevel ? ((x + 2 * y) % 7 < 3 ? 0 : 255)
                            : c == 3                     ? (x % 3 ? 255 : v)
                                                         : v);
      }
  return r;
}

// Samples that no compression makes smaller.
raster noise(unsigned width, unsigned height, unsigned channels) {
  raster r{width, height, channels, {}};
  uint32_t state = 12345;
  for (size_t i = 0; i < size_t{width} * height * channels; ++i)
    r.samples.push_back(static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24));
  return r;
}

// Writes the print in bands of 1, 2, 3 ... rows; the writer's error text, empty on success.
std::string write_print(_print_writer& writer, const std::string& name, const raster& print,
                        unsigned ppi, _print_kind kind) {
  if (!writer.open(name, print.width, print.height, ppi, kind)) return writer.error();
  const size_t stride = size_t{print.width} * print.channels;
  for (unsigned y = 0, band = 1; y < print.height; y += band++)
    if (!writer.write_rows(print.samples.data() + y * stride, std::min(band, print.height - y)))
      return writer.error();
  return writer.commit() ? "" : writer.error();
}

// One line of a tool's report that starts with `label`, trimmed; empty if none.
std::string line_of(const std::string& report, const std::string& label) {
  std::istringstream in(report);
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find(label);
    if (at != std::string::npos) return line.substr(line.find_first_not_of(' ', at));
  }
  return "";
}

// What the file says of its own kind and resolution, as the independent tools report it.
std::string described(_print_format format, const std::string& name) {
  if (format == _print_format::pgm) return output_of("pamfile '" + name + "'").substr(name.size());
  if (format == _print_format::tiff) {
    const std::string info = output_of("tiffinfo '" + name + "' 2>/dev/null");
    std::string text;
    for (const char* label :
         {"Resolution:", "Bits/Sample:", "Compression Scheme:", "Photometric Interpretation:",
          "Samples/Pixel:", "Extra Samples:", "InkSet:"})
      text += line_of(info, label) + "; ";
    return text;
  }
  if (format == _print_format::pdf) {
    std::istringstream images(output_of("pdfimages -list '" + name + "'"));
    std::string line, page, num, type, w, h, colour, comp, bpc, encoding, interpolate, id, gen,
        x_ppi, y_ppi;
    for (int i = 0; i < 3; ++i) std::getline(images, line);
    std::istringstream(line) >> page >> num >> type >> w >> h >> colour >> comp >> bpc >>
        encoding >> interpolate >> id >> gen >> x_ppi >> y_ppi;
    return line_of(output_of("pdfinfo '" + name + "'"), "Page size:") + "; " + w + "x" + h + " " +
           colour + " " + bpc + "-bit " + encoding + " at " + x_ppi + "x" + y_ppi;
  }
  // PNG: bit depth and colour type from IHDR, the pHYs chunk's pixels per metre and unit.
  const std::string bytes = read_file(name);
  const size_t phys = bytes.find("pHYs");
  auto be32 = [&](size_t at) {
    return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
           (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint8_t(bytes[at + 3]);
  };
  if (phys == std::string::npos) return "no pHYs";
  return "depth " + std::to_string(bytes[24]) + " type " + std::to_string(bytes[25]) + ", " +
         std::to_string(be32(phys + 4)) + " x " + std::to_string(be32(phys + 8)) + " unit " +
         std::to_string(bytes[phys + 12]);
}

TEST(PrintWriters, EveryFormatKindAndResolution) {
  using enum _print_kind;
  using enum _print_format;
  const std::string pdf_sizes[] = {"14.64 x 5.52 pts", "7.32 x 2.76 pts", "3.66 x 1.38 pts"};
  const std::string per_metre[] = {"11811 x 11811 unit 1", "23622 x 23622 unit 1",
                                   "47244 x 47244 unit 1"};
  const std::tuple<_print_format, _print_kind, std::string> cases[] = {
      // format, kind, description with {R} for the resolution ({S} PDF page, {M} PNG pHYs)
      {pgm, grey, ":\tPGM raw, 61 by 23  maxval 255\n"},
      {pgm, bilevel, ":\tPGM raw, 61 by 23  maxval 255\n"},
      {png, grey, "depth 8 type 0, {M}"},
      {png, bilevel, "depth 1 type 0, {M}"},
      {png, rgb, "depth 8 type 2, {M}"},
      {png, rgba, "depth 8 type 6, {M}"},
      {tiff, grey,
       "Resolution: {R}, {R} pixels/inch; Bits/Sample: 8; Compression Scheme: AdobeDeflate; "
       "Photometric Interpretation: min-is-black; Samples/Pixel: 1; ; ; "},
      {tiff, bilevel,
       "Resolution: {R}, {R} pixels/inch; Bits/Sample: 1; Compression Scheme: CCITT Group 4; "
       "Photometric Interpretation: min-is-white; Samples/Pixel: 1; ; ; "},
      {tiff, rgb,
       "Resolution: {R}, {R} pixels/inch; Bits/Sample: 8; Compression Scheme: AdobeDeflate; "
       "Photometric Interpretation: RGB color; Samples/Pixel: 3; ; ; "},
      {tiff, rgba,
       "Resolution: {R}, {R} pixels/inch; Bits/Sample: 8; Compression Scheme: AdobeDeflate; "
       "Photometric Interpretation: RGB color; Samples/Pixel: 4; Extra Samples: "
       "1<unassoc-alpha>; ; "},
      {tiff, cmyk,
       "Resolution: {R}, {R} pixels/inch; Bits/Sample: 8; Compression Scheme: AdobeDeflate; "
       "Photometric Interpretation: separated; Samples/Pixel: 4; ; InkSet: 1; "},
      {pdf, grey, "Page size:       {S}; 61x23 gray 8-bit image at {R}x{R}"},
      {pdf, bilevel, "Page size:       {S}; 61x23 gray 1-bit image at {R}x{R}"},
      {pdf, rgb, "Page size:       {S}; 61x23 rgb 8-bit image at {R}x{R}"},
      {pdf, cmyk, "Page size:       {S}; 61x23 cmyk 8-bit image at {R}x{R}"},
  };
  const char* const extensions[] = {".pgm", ".png", ".tif", ".pdf"};
  scratch_dir dir;
  int checked = 0;
  for (const auto& [format, kind, description] : cases) {
    const raster print = synthetic(kind, WIDTH, HEIGHT);
    const unsigned resolutions[] = {300, 600, 1200};
    for (int r = 0; r < 3; ++r) {
      const std::string name = dir / ("print" + std::string(extensions[int(format)]));
      SCOPED_TRACE(name + " kind " + std::to_string(int(kind)) + " at " +
                   std::to_string(resolutions[r]));
      auto writer = make_print_writer(format);
      ASSERT_EQ(write_print(*writer, name, print, resolutions[r], kind), "");
      std::string expected = description;
      for (const auto& [key, value] :
           {std::pair<std::string, std::string>{"{R}", std::to_string(resolutions[r])},
            {"{S}", pdf_sizes[r]},
            {"{M}", per_metre[r]}})
        for (size_t at; (at = expected.find(key)) != std::string::npos;)
          expected.replace(at, key.size(), value);
      EXPECT_EQ(described(format, name), expected);
      const raster back = read_back(format, name, print, dir);
      EXPECT_TRUE(back == print) << back.width << "x" << back.height << "x" << back.channels;
      EXPECT_EQ(dir.files().size(), 1u);
      std::filesystem::remove(name);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 45);
}

// Several strips and deflate blocks, compressed on 2 and 3 threads, make the file of one thread:
// rows of 72 000 bytes of noise, wider than a print at 1200 ppi over 20 inches (Deflate strips of
// 14 rows, more deflated data from one row than an output step), and a black and white print of
// 1000 bytes a packed row (Group 4 strips of 1048 rows).
TEST(PrintWriters, SeveralStripsAndBlocksOnAnyNumberOfThreads) {
  scratch_dir dir;
  const raster bilevel = synthetic(_print_kind::bilevel, 8000, 1100);
  const raster rgb = noise(24000, 60, 3);
  _thread_pool two(2), three(3);
  const std::string extensions[] = {".pgm", ".png", ".tif", ".pdf"};
  for (const auto format : {_print_format::png, _print_format::tiff, _print_format::pdf})
    for (const raster* print : {&bilevel, &rgb}) {
      const _print_kind kind = print == &rgb ? _print_kind::rgb : _print_kind::bilevel;
      const std::string name = dir / ("print" + extensions[int(format)]);
      std::string first;
      for (_thread_pool* pool : {(_thread_pool*)nullptr, &two, &three}) {
        SCOPED_TRACE(name + " on " + std::to_string(pool ? pool->threads() : 1) + " threads");
        auto writer = make_print_writer(format);
        writer->set_pool(pool);
        ASSERT_EQ(write_print(*writer, name, *print, 600, kind), "");
        // A PDF's bytes hold the time it was made.
        const std::string bytes = format == _print_format::pdf ? "" : read_file(name);
        if (pool == nullptr) first = bytes;
        EXPECT_TRUE(bytes == first);
        if (pool == nullptr || format == _print_format::pdf) {
          EXPECT_TRUE(read_back(format, name, *print, dir) == *print);
        }
      }
      if (format == _print_format::tiff) {
        EXPECT_EQ(line_of(output_of("tiffinfo '" + name + "'"), "Rows/Strip:"),
                  print == &rgb ? "Rows/Strip: 14" : "Rows/Strip: 1048");
      }
    }
}

// The streamed PGM writer and the whole-raster one write the same bytes.
TEST(PrintWriters, PgmIsByteForByteTheFileWriter) {
  scratch_dir dir;
  for (const _print_kind kind : {_print_kind::grey, _print_kind::bilevel}) {
    const raster print = synthetic(kind, WIDTH, HEIGHT);
    std::vector<float> bottom_up;  // the raster's row 0 is the bottom of the picture
    for (unsigned y = HEIGHT; y-- > 0;)
      for (unsigned x = 0; x < WIDTH; ++x) bottom_up.push_back(print.samples[y * WIDTH + x]);
    _image image;
    image.set(HEIGHT, WIDTH, bottom_up);
    ASSERT_EQ(write_pgm(dir / "old.pgm", image), "");
    _print_pgm writer;
    ASSERT_EQ(write_print(writer, dir / "new.pgm", print, 300, kind), "");
    EXPECT_TRUE(read_file(dir / "old.pgm") == read_file(dir / "new.pgm"));
  }
}

// Every way a write can stop short: the folder is missing (the other refused targets are the
// atomic file's), the caller cancels through the progress handler, discards, or drops the writer.
// The older file stays, alone.
TEST(PrintWriters, FailedWritesKeepTheOlderFile) {
  scratch_dir dir;
  const raster print = synthetic(_print_kind::grey, WIDTH, HEIGHT);
  for (const auto format :
       {_print_format::pgm, _print_format::png, _print_format::tiff, _print_format::pdf}) {
    const std::string name = dir / "keep", missing = dir / "no/keep";
    write_file(name, "older");
    std::unique_ptr<_print_writer> writer = make_print_writer(format);
    EXPECT_EQ(write_print(*writer, missing, print, 300, _print_kind::grey),
              "Cannot create " + missing + ": No such file or directory");
    unsigned calls = 0;
    writer->on_progress = [&](unsigned done, unsigned total) {
      ++calls;
      return done < 6 && total == HEIGHT;
    };
    EXPECT_EQ(write_print(*writer, name, print, 300, _print_kind::grey), "Cancelled");
    EXPECT_EQ(calls, 3u);  // after 1, 1 + 2 and 1 + 2 + 3 rows
    writer->on_progress = nullptr;
    ASSERT_TRUE(writer->open(name, WIDTH, HEIGHT, 300, _print_kind::grey));
    ASSERT_TRUE(writer->write_rows(print.samples.data(), 5));
    EXPECT_EQ(dir.files().size(), 2u);  // the temporary beside the older file
    writer->discard();
    EXPECT_FALSE(writer->commit());
    ASSERT_TRUE(writer->open(name, WIDTH, HEIGHT, 300, _print_kind::grey));
    ASSERT_TRUE(writer->write_rows(print.samples.data(), 5));
    writer.reset();
    EXPECT_EQ(read_file(name), "older");
    EXPECT_EQ(dir.files(), std::vector<std::string>{"keep"});
  }
}

// A 64 KiB file system takes the older file but not the new print; mounted read-only it takes
// nothing. Needs the right to mount, as root has.
TEST(PrintWriters, FullDiskAndReadOnlyFolder) {
  scratch_dir dir;
  const std::string root = dir / "small";
  std::filesystem::create_directory(root);
  if (::mount("tmpfs", root.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  const std::unique_ptr<const char, void (*)(const char*)> unmount(
      root.c_str(), [](const char* path) { EXPECT_EQ(::umount(path), 0); });
  const raster rgb = noise(300, 300, 3), grey = noise(300, 300, 1);  // far above 64 KiB
  const std::string name = root + "/keep";
  write_file(name, "older");
  for (const auto format :
       {_print_format::pgm, _print_format::png, _print_format::tiff, _print_format::pdf}) {
    const bool colour = format != _print_format::pgm;
    auto writer = make_print_writer(format);
    EXPECT_EQ(write_print(*writer, name, colour ? rgb : grey, 300,
                          colour ? _print_kind::rgb : _print_kind::grey),
              "Cannot write " + name + ": No space left on device");
    EXPECT_EQ(read_file(name), "older");
    EXPECT_EQ(std::filesystem::directory_iterator(root)->path().string(), name);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root), {}), 1);
  }
  ASSERT_EQ(::mount("tmpfs", root.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
  _print_png png;
  EXPECT_EQ(write_print(png, name, grey, 300, _print_kind::grey),
            "Cannot create " + name + ": Read-only file system");
  EXPECT_EQ(read_file(name), "older");
}

}  // namespace
}  // namespace stippon
