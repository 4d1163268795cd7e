#include "inks/cmyk_separation.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <vector>

namespace stippon {

namespace {

// Little CMS gives the inks of floating-point CMYK in per cent.
constexpr double FULL = 100.0;
// Colours worked out exactly per edge of the lattice; those between are interpolated.
constexpr unsigned LATTICE_POINTS = 17;
// Cyan, magenta and yellow are found again within this colour difference (CIE 1976), in at most
// this many steps, each measured over a change of STEP per cent of an ink.
constexpr double CLOSE_ENOUGH = 0.05;
constexpr int STEPS = 16;
constexpr double STEP = 0.5;
// A black the other inks cannot bring back to the colour within this difference is lessened,
// halfway back to the profile's own, at most this many times before the profile's separation is
// kept.
constexpr double MATCHED = 1.0;
constexpr int LESSENINGS = 4;
// The share of a colour's lightness given to black: the rest leaves cyan, magenta and yellow the
// room to bring the black ink's own tint back to the colour.
constexpr double BLACK_SHARE = 0.85;
constexpr int HALVINGS = 12;
// The share of the press's dot gain an ink's dots are given (see cover_table): the rest the
// stippled inks make themselves, where their dots fall on one another and multiply. Measured on
// photographs: with none the prints are some 9 L* too light, with all of it 7 too dark.
constexpr double GAIN_TAKEN = 0.5;

template <class Handle, auto Close>
struct _closer {
  void operator()(Handle handle) const {
    if (handle != nullptr) Close(handle);
  }
};
using _profile = std::unique_ptr<void, _closer<cmsHPROFILE, cmsCloseProfile>>;
using _transform = std::unique_ptr<void, _closer<cmsHTRANSFORM, cmsDeleteTransform>>;
using _pipeline = std::unique_ptr<cmsPipeline, _closer<cmsPipeline*, cmsPipelineFree>>;

struct _lab {
  double l = 0.0, a = 0.0, b = 0.0;
};

double distance(const _lab& x, const _lab& y) {
  return std::hypot(x.l - y.l, x.a - y.a, x.b - y.b);
}

// What the lattice is worked out with: the profile's separation of sRGB, and the colour of inks.
struct _press {
  cmsHTRANSFORM separate = nullptr;  // sRGB (0..1) to CMYK (per cent), perceptual
  cmsHTRANSFORM measure = nullptr;   // CMYK (per cent) to Lab, colorimetric

  _lab colour(const double cmyk[INK_COUNT]) const {
    cmsCIELab lab;
    cmsDoTransform(measure, cmyk, &lab, 1);
    return {lab.L, lab.a, lab.b};
  }

  // Cyan, magenta and yellow under a fixed black that give the target colour, by Newton's steps
  // from a start; the difference left.
  double match(double cmyk[INK_COUNT], const _lab& target) const {
    _lab here = colour(cmyk);
    double left = distance(here, target);
    for (int step = 0; step < STEPS && left > CLOSE_ENOUGH; ++step) {
      // The three moves measured in one call.
      double moved[3][INK_COUNT], h[3];
      for (int i = 0; i < 3; ++i) {
        std::copy_n(cmyk, INK_COUNT, moved[i]);
        h[i] = moved[i][i] + STEP <= FULL ? STEP : -STEP;
        moved[i][i] += h[i];
      }
      cmsCIELab there[3];
      cmsDoTransform(measure, moved, there, 3);
      double j[3][3];  // d(L, a, b) / d(c, m, y)
      for (int i = 0; i < 3; ++i) {
        j[0][i] = (there[i].L - here.l) / h[i];
        j[1][i] = (there[i].a - here.a) / h[i];
        j[2][i] = (there[i].b - here.b) / h[i];
      }
      const double r[3] = {target.l - here.l, target.a - here.a, target.b - here.b};
      const double det = j[0][0] * (j[1][1] * j[2][2] - j[1][2] * j[2][1]) -
                         j[0][1] * (j[1][0] * j[2][2] - j[1][2] * j[2][0]) +
                         j[0][2] * (j[1][0] * j[2][1] - j[1][1] * j[2][0]);
      if (std::abs(det) < 1e-12) break;
      // Cramer's rule, one ink at a time.
      for (int i = 0; i < 3; ++i) {
        double m[3][3];
        for (int row = 0; row < 3; ++row)
          for (int column = 0; column < 3; ++column)
            m[row][column] = column == i ? r[row] : j[row][column];
        const double d = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        cmyk[i] = std::clamp(cmyk[i] + d / det, 0.0, FULL);
      }
      here = colour(cmyk);
      left = distance(here, target);
    }
    return left;
  }

  // The black ink that alone is as light as lightness, solid where the colour is darker.
  double lightness_black(double lightness) const {
    double low = 0.0, high = FULL;
    for (int i = 0; i < HALVINGS; ++i) {
      const double middle = (low + high) / 2.0;
      const double cmyk[INK_COUNT] = {0.0, 0.0, 0.0, middle};
      (colour(cmyk).l > lightness ? low : high) = middle;
    }
    return high;
  }

  // The inks of an sRGB colour: the profile's, with the grey in common moved to black.
  void inks(const double rgb[3], double out[INK_COUNT]) const {
    double own[INK_COUNT];
    cmsDoTransform(separate, rgb, own, 1);
    const _lab target = colour(own);
    double black = std::max(own[3], BLACK_SHARE * lightness_black(target.l));
    for (int tries = 0; tries <= LESSENINGS; ++tries, black = (black + own[3]) / 2.0) {
      const double removed = black - own[3];
      double cmyk[INK_COUNT] = {std::max(own[0] - removed, 0.0), std::max(own[1] - removed, 0.0),
                                std::max(own[2] - removed, 0.0), black};
      if (match(cmyk, target) <= MATCHED) {
        std::copy_n(cmyk, INK_COUNT, out);
        return;
      }
    }
    std::copy_n(own, INK_COUNT, out);
  }
};

// A lattice point's level along one edge as Little CMS samples it: in 16 bits, rounded.
float lattice_level(unsigned point) {
  return float(std::floor(point * 65535.0 / (LATTICE_POINTS - 1) + 0.5) / 65535.0);
}

unsigned lattice_index(const cmsFloat32Number in[]) {
  unsigned index = 0;
  for (int i = 0; i < 3; ++i)
    index = index * LATTICE_POINTS + unsigned(std::lround(in[i] * float(LATTICE_POINTS - 1)));
  return index;
}

// The inks of every lattice point, worked out a plane of the lattice a task.
std::vector<float> lattice_inks(const _press& press, _thread_pool* pool) {
  constexpr unsigned PLANE = LATTICE_POINTS * LATTICE_POINTS;
  std::vector<float> inks(size_t(PLANE) * LATTICE_POINTS * INK_COUNT);
  const auto plane = [&](unsigned red) {
    for (unsigned i = 0; i < PLANE; ++i) {
      const double rgb[3] = {lattice_level(red), lattice_level(i / LATTICE_POINTS),
                             lattice_level(i % LATTICE_POINTS)};
      double cmyk[INK_COUNT];
      press.inks(rgb, cmyk);
      for (int ink = 0; ink < INK_COUNT; ++ink)
        inks[(size_t(red) * PLANE + i) * INK_COUNT + size_t(ink)] = float(cmyk[ink] / FULL);
    }
  };
  if (pool == nullptr || pool->threads() == 1) {
    for (unsigned red = 0; red < LATTICE_POINTS; ++red) plane(red);
    return inks;
  }
  std::vector<std::future<void>> planes;
  for (unsigned red = 0; red < LATTICE_POINTS; ++red)
    planes.push_back(pool->submit([&plane, red] { plane(red); }));
  for (std::future<void>& done : planes) done.get();
  return inks;
}

cmsInt32Number lattice_point(const cmsFloat32Number in[], cmsFloat32Number out[], void* cargo) {
  const float* inks = static_cast<const float*>(cargo) + size_t(lattice_index(in)) * INK_COUNT;
  std::copy_n(inks, INK_COUNT, out);
  return TRUE;
}

}  // namespace

bool _cmyk_separation::load(const std::string& profile_file, _thread_pool* pool) {
  separation.reset();
  const _profile press(cmsOpenProfileFromFile(profile_file.c_str(), "r"));
  if (press == nullptr || cmsGetColorSpace(press.get()) != cmsSigCmykData ||
      cmsGetDeviceClass(press.get()) != cmsSigOutputClass)
    return false;
  const _profile srgb(cmsCreate_sRGBProfile()), lab(cmsCreateLab4Profile(nullptr));
  const _transform separate(cmsCreateTransform(srgb.get(), TYPE_RGB_DBL, press.get(), TYPE_CMYK_DBL,
                                               INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE));
  const _transform measure(cmsCreateTransform(press.get(), TYPE_CMYK_DBL, lab.get(), TYPE_Lab_DBL,
                                              INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
  const _transform show(cmsCreateTransform(press.get(), TYPE_CMYK_DBL, srgb.get(), TYPE_RGB_8,
                                           INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
  if (separate == nullptr || measure == nullptr || show == nullptr) return false;

  // The lattice, held by a device link from sRGB to the inks.
  std::vector<float> inks_ = lattice_inks(_press{separate.get(), measure.get()}, pool);
  const _pipeline pipeline(cmsPipelineAlloc(nullptr, 3, INK_COUNT));
  cmsStage* lattice = cmsStageAllocCLutFloat(nullptr, LATTICE_POINTS, 3, INK_COUNT, nullptr);
  if (pipeline == nullptr || lattice == nullptr ||
      !cmsStageSampleCLutFloat(lattice, lattice_point, inks_.data(), 0) ||
      !cmsPipelineInsertStage(pipeline.get(), cmsAT_BEGIN, lattice))
    return false;
  const _profile link(cmsCreateProfilePlaceholder(nullptr));
  cmsSetProfileVersion(link.get(), 4.3);
  cmsSetDeviceClass(link.get(), cmsSigLinkClass);
  cmsSetColorSpace(link.get(), cmsSigRgbData);
  cmsSetPCS(link.get(), cmsSigCmykData);
  cmsSetHeaderRenderingIntent(link.get(), INTENT_PERCEPTUAL);
  if (!cmsWriteTag(link.get(), cmsSigAToB0Tag, pipeline.get())) return false;
  cmsHTRANSFORM transform = cmsCreateTransform(link.get(), TYPE_RGB_8, nullptr, TYPE_CMYK_8,
                                               INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
  if (transform == nullptr) return false;
  separation = std::shared_ptr<void>(transform, cmsDeleteTransform);

  for (int ink = 0; ink < INK_COUNT; ++ink) {
    double solid[INK_COUNT] = {};
    solid[ink] = FULL;
    unsigned char rgb[3];
    cmsDoTransform(show.get(), solid, rgb, 1);
    inks[size_t(ink)] = _pixel(rgb[0], rgb[1], rgb[2]);
    cover_table(ink, measure.get());
  }
  return true;
}

// An ink's amount is what the press lays down, which spreads on the paper and darkens more than
// its share of the area: the profile holds that gain. Stippled dots cover exactly their share,
// so each amount is drawn nearer the share whose light (the paper's and the solid ink's, mixed
// by area) is the light the profile gives the amount: GAIN_TAKEN of the way there.
void _cmyk_separation::cover_table(int ink, void* measure) {
  const auto light = [&](double amount) {
    double cmyk[INK_COUNT] = {};
    cmyk[ink] = amount / 255.0 * FULL;
    cmsCIELab lab;
    cmsDoTransform(measure, cmyk, &lab, 1);
    cmsCIEXYZ xyz;
    cmsLab2XYZ(nullptr, &xyz, &lab);
    return xyz.Y / cmsD50_XYZ()->Y;
  };
  const double solid = light(255.0);
  for (int amount = 0; amount < 256; ++amount) {
    const double share =
        GAIN_TAKEN * (1.0 - light(amount)) / (1.0 - solid) + (1.0 - GAIN_TAKEN) * amount / 255.0;
    covers[size_t(ink)][size_t(amount)] = uint8_t(std::lround(std::clamp(share, 0.0, 1.0) * 255.0));
  }
}

_ink_amounts _cmyk_separation::press_inks_of(_pixel colour) const {
  _ink_amounts amounts{};
  if (separation != nullptr) cmsDoTransform(separation.get(), &colour, amounts.data(), 1);
  return amounts;
}

_ink_amounts _cmyk_separation::inks_of(_pixel colour) const {
  _ink_amounts amounts = press_inks_of(colour);
  for (int ink = 0; ink < INK_COUNT; ++ink)
    amounts[size_t(ink)] = covers[size_t(ink)][amounts[size_t(ink)]];
  return amounts;
}

std::array<_image, INK_COUNT> _cmyk_separation::separate(const _image& grey,
                                                         const _rgb_image& colour) const {
  std::array<_image, INK_COUNT> inks_;
  for (_image& ink : inks_) {
    ink.dimensions(grey.height, grey.width);
    ink.create(true);
  }
  const bool coloured = colour.width == grey.width && colour.height == grey.height &&
                        colour.bytes.size() == size_t(grey.width) * grey.height * 3;
  if (separation == nullptr) return inks_;
  const unsigned width = grey.width;
  std::vector<uint8_t> rgb(size_t(width) * 3);
  std::vector<_ink_amounts> row(width);
  for (unsigned r = 0; r < grey.height; ++r) {
    const size_t start = size_t(r) * width;
    const uint8_t* in = rgb.data();
    if (coloured) {
      in = colour.bytes.data() + start * 3;
    } else {
      for (unsigned c = 0; c < width; ++c)
        rgb[3 * c] = rgb[3 * c + 1] = rgb[3 * c + 2] = uint8_t(grey.samples[start + c]);
    }
    cmsDoTransform(separation.get(), in, row.data(), width);
    for (int ink = 0; ink < INK_COUNT; ++ink) {
      float* samples = inks_[size_t(ink)].samples.data() + start;
      const std::array<uint8_t, 256>& cover = covers[size_t(ink)];
      for (unsigned c = 0; c < width; ++c) samples[c] = float(255 - cover[row[c][size_t(ink)]]);
    }
  }
  return inks_;
}

}  // namespace stippon
