// Measures how far a print's colours are from its photograph's as seen at arm's length: both are
// brought to the print's size, put into linear light and blurred with a Gaussian of
// sigma = 0.68 mm at the print's 300 ppi (what the eye no longer resolves at about 50 cm), and
// the CIEDE2000 difference of every pixel is averaged.
//   colour_difference PHOTOGRAPH PRINT.png [PRINT.png ...]
// prints one line a print: its name, its mean and 95th-percentile difference, and the mean
// lightness and chroma of the print and the photograph.
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "image/q_image.h"
#include "photo/photo_reader.h"

using namespace stippon;

namespace {

constexpr double PRINT_PPI = 300.0;
constexpr double MM_PER_INCH = 25.4;
constexpr double BLUR_MM = 0.68;
constexpr double PERCENTILE = 0.95;

// Linear-light RGB planes of one picture.
struct planes {
  uint32_t width = 0, height = 0;
  std::vector<float> c[3];
};

double linear(double v) {
  v /= 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

planes to_linear(const _texture& t) {
  float table[256];
  for (int v = 0; v < 256; ++v) table[v] = float(linear(v));
  planes p{t.width, t.height, {}};
  for (auto& c : p.c) c.resize(t.texels.size());
  for (size_t i = 0; i < t.texels.size(); ++i) {
    p.c[0][i] = table[t.texels[i].r];
    p.c[1][i] = table[t.texels[i].g];
    p.c[2][i] = table[t.texels[i].b];
  }
  return p;
}

// One pass of a separable Gaussian along rows (step 1) or columns (step width), edges clamped.
void blur_pass(std::vector<float>& v, uint32_t width, uint32_t height, bool rows,
               const std::vector<float>& kernel) {
  const int radius = int(kernel.size() / 2);
  const uint32_t lines = rows ? height : width, length = rows ? width : height;
  const size_t step = rows ? 1 : width;
  std::vector<float> line(length);
  for (uint32_t l = 0; l < lines; ++l) {
    const size_t start = rows ? size_t{l} * width : l;
    for (uint32_t i = 0; i < length; ++i) line[i] = v[start + i * step];
    for (uint32_t i = 0; i < length; ++i) {
      float sum = 0.0f;
      for (int k = -radius; k <= radius; ++k) {
        const int at = std::clamp(int(i) + k, 0, int(length) - 1);
        sum += kernel[size_t(k + radius)] * line[size_t(at)];
      }
      v[start + i * step] = sum;
    }
  }
}

void blur(planes& p, double sigma) {
  const int radius = int(std::ceil(3 * sigma));
  std::vector<float> kernel(size_t(2 * radius + 1));
  double total = 0;
  for (int k = -radius; k <= radius; ++k)
    total += kernel[size_t(k + radius)] = float(std::exp(-k * k / (2 * sigma * sigma)));
  for (float& k : kernel) k = float(k / total);
  for (auto& c : p.c) {
    blur_pass(c, p.width, p.height, true, kernel);
    blur_pass(c, p.width, p.height, false, kernel);
  }
}

// Linear sRGB to CIELAB, white D65.
cmsCIELab lab(double r, double g, double b) {
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  const auto f = [](double t) {
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

bool read_texture(const std::string& name, _texture& out) {
  _photo_reader reader;
  _image grey;
  _rgb_image colour;
  if (!reader.read(name, grey, colour, 0)) {
    std::fprintf(stderr, "%s\n", reader.error().c_str());
    return false;
  }
  if (colour.empty()) {
    out = grey;
  } else {
    resample(colour, colour.width, colour.height, out);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: colour_difference PHOTOGRAPH PRINT.png [PRINT.png ...]\n");
    return 2;
  }
  _photo_reader reader;
  _image photo_grey;
  _rgb_image photo;
  if (!reader.read(argv[1], photo_grey, photo, 0)) {
    std::fprintf(stderr, "%s\n", reader.error().c_str());
    return 1;
  }
  if (photo.empty()) {  // a grey photograph: R = G = B
    photo.width = photo_grey.width;
    photo.height = photo_grey.height;
    for (float v : photo_grey.samples) photo.bytes.insert(photo.bytes.end(), 3, uint8_t(v));
  }
  const double sigma = BLUR_MM / MM_PER_INCH * PRINT_PPI;
  for (int i = 2; i < argc; ++i) {
    _texture print;
    if (!read_texture(argv[i], print)) return 1;
    _texture scaled;
    resample(photo, print.width, print.height, scaled);
    planes a = to_linear(print), b = to_linear(scaled);
    blur(a, sigma);
    blur(b, sigma);
    std::vector<double> differences(a.c[0].size());
    double sum = 0, print_l = 0, photo_l = 0, print_c = 0, photo_c = 0;
    for (size_t k = 0; k < differences.size(); ++k) {
      const cmsCIELab la = lab(a.c[0][k], a.c[1][k], a.c[2][k]);
      const cmsCIELab lb = lab(b.c[0][k], b.c[1][k], b.c[2][k]);
      sum += differences[k] = cmsCIE2000DeltaE(&la, &lb, 1, 1, 1);
      print_l += la.L, photo_l += lb.L;
      print_c += std::hypot(la.a, la.b), photo_c += std::hypot(lb.a, lb.b);
    }
    const double count = double(differences.size());
    const auto nth = differences.begin() + ptrdiff_t(PERCENTILE * double(differences.size() - 1));
    std::nth_element(differences.begin(), nth, differences.end());
    std::printf("%s: mean %.2f, 95%% %.2f; mean L* %.1f (photograph %.1f), C* %.1f (%.1f)\n",
                argv[i], sum / count, *nth, print_l / count, photo_l / count, print_c / count,
                photo_c / count);
  }
  return 0;
}
