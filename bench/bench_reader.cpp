// Reading a 24-megapixel colour JPEG (6000 x 4000) into the grey raster, against netpbm's
// `djpeg | ppmtopgm`, which gives the same samples. The JPEG is made once, at start, from the
// grey photographs of data/images (coffee, chelsea and astronaut as red, green and blue),
// enlarged by Qt and given a fine deterministic grain so that it decodes like a camera file.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "photo/photo_grey.h"
#include "photo/photo_reader.h"

namespace stippon {
namespace {

const std::string IMAGES = STIPPON_DATA_DIR "/images/";

struct _photo_file {
  std::string name;
  _photo_file() {
    const auto channel = [](const char* file) {
      return QImage(QString::fromStdString(IMAGES + file))
          .convertToFormat(QImage::Format_Grayscale8)
          .scaled(6000, 4000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage r = channel("coffee_gray.pgm"), g = channel("chelsea_gray.pgm"),
                 b = channel("astronaut_gray.pgm");
    QImage colour(6000, 4000, QImage::Format_RGB32);
    uint32_t noise = 12345;
    for (int y = 0; y < 4000; ++y) {
      auto* out = reinterpret_cast<QRgb*>(colour.scanLine(y));
      const uchar *rr = r.constScanLine(y), *gg = g.constScanLine(y), *bb = b.constScanLine(y);
      for (int x = 0; x < 6000; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int grain = static_cast<int>(noise >> 28) - 8;
        const auto c = [grain](int v) { return std::clamp(v + grain, 0, 255); };
        out[x] = qRgb(c(rr[x]), c(gg[x]), c(bb[x]));
      }
    }
    name = (std::filesystem::temp_directory_path() / "stippon-bench-24mp.jpg").string();
    QImageWriter writer(QString::fromStdString(name), "jpeg");
    writer.setQuality(90);
    writer.write(colour);
  }
  ~_photo_file() { std::filesystem::remove(name); }
};

const std::string& photo() {
  static const _photo_file file;
  return file.name;
}

// Decoding and greying into the pipeline's raster (6000 x 4000 floats).
void BM_ReadJpeg24MP(benchmark::State& state) {
  photo();  // made before the timing starts
  for (auto _ : state) {
    _photo_reader reader;
    _image image;
    if (!reader.read(photo(), image)) state.SkipWithError(reader.error().c_str());
    benchmark::DoNotOptimize(image.samples.data());
  }
}
BENCHMARK(BM_ReadJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same samples from netpbm, written to /dev/null (two processes, a pipe between them).
void BM_DjpegPpmtopgm(benchmark::State& state) {
  if (std::system("command -v djpeg > /dev/null && command -v ppmtopgm > /dev/null") != 0) {
    state.SkipWithError("djpeg or ppmtopgm is not installed");
    return;
  }
  const std::string command = "djpeg '" + photo() + "' | ppmtopgm > /dev/null";  // made here
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("djpeg | ppmtopgm failed");
}
BENCHMARK(BM_DjpegPpmtopgm)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: Qt's own decoding to a 32-bit picture, then the reader's conversion of it.
void BM_QtJpegDecode(benchmark::State& state) {
  photo();
  for (auto _ : state) {
    QImageReader::setAllocationLimit(1024);
    QImage picture(QString::fromStdString(photo()));
    benchmark::DoNotOptimize(picture.constBits());
  }
}
BENCHMARK(BM_QtJpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PhotoToGreyRgb32(benchmark::State& state) {
  QImageReader::setAllocationLimit(1024);
  const QImage picture(QString::fromStdString(photo()));
  for (auto _ : state) {
    _image image;
    photo_to_grey(picture, image);
    benchmark::DoNotOptimize(image.samples.data());
  }
}
BENCHMARK(BM_PhotoToGreyRgb32)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace stippon

BENCHMARK_MAIN();
