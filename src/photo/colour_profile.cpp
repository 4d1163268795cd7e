#include "photo/colour_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>

namespace stippon {

namespace {

// Larger than any photograph's profile (a profile with lookup tables takes a few megabytes);
// a longer one is taken for damage rather than parsed.
constexpr size_t MAX_PROFILE_BYTES = 32 << 20;
// The conversion is tried on every grey and on this lattice of colours (0, 15, ..., 255 on each
// channel) to tell a profile that says sRGB from one that changes colours.
constexpr int LATTICE_STEP = 15;
// The most an 8-bit value may move while the profile still counts as sRGB.
constexpr int SRGB_TOLERANCE = 1;
// Pixels converted at a time through a buffer of their own.
constexpr size_t CHUNK_PIXELS = 1 << 16;

void quiet(cmsContext, cmsUInt32Number, const char*) {}

}  // namespace

struct _colour_profile::_lcms {
  cmsContext context = nullptr;
  cmsHPROFILE source = nullptr;
  cmsHPROFILE srgb = nullptr;
  cmsHTRANSFORM transform = nullptr;
  ~_lcms() {
    if (transform) cmsDeleteTransform(transform);
    if (srgb) cmsCloseProfile(srgb);
    if (source) cmsCloseProfile(source);
    if (context) cmsDeleteContext(context);
  }
};

_colour_profile::_colour_profile(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return;
  malformed_ = true;
  if (bytes.size() > MAX_PROFILE_BYTES) return;
  lcms_ = std::make_unique<_lcms>();
  lcms_->context = cmsCreateContext(nullptr, nullptr);
  if (!lcms_->context) return;
  cmsSetLogErrorHandlerTHR(lcms_->context, quiet);
  lcms_->source = cmsOpenProfileFromMemTHR(lcms_->context, bytes.data(),
                                           static_cast<cmsUInt32Number>(bytes.size()));
  if (!lcms_->source) return;
  const cmsColorSpaceSignature space = cmsGetColorSpace(lcms_->source);
  if (space != cmsSigRgbData && space != cmsSigGrayData) return;
  // Grey pixels are read from RGB triplets: the first byte, the other two skipped.
  const cmsUInt32Number input = space == cmsSigRgbData ? TYPE_RGB_8 : (TYPE_GRAY_8 | EXTRA_SH(2));
  lcms_->srgb = cmsCreate_sRGBProfileTHR(lcms_->context);
  if (!lcms_->srgb) return;
  lcms_->transform = cmsCreateTransformTHR(lcms_->context, lcms_->source, input, lcms_->srgb,
                                           TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  if (!lcms_->transform) return;
  malformed_ = false;

  std::vector<uint8_t> probe;
  for (int v = 0; v < 256; ++v) probe.insert(probe.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  if (space == cmsSigRgbData)
    for (int r = 0; r < 256; r += LATTICE_STEP)
      for (int g = 0; g < 256; g += LATTICE_STEP)
        for (int b = 0; b < 256; b += LATTICE_STEP)
          probe.insert(probe.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
  std::vector<uint8_t> converted(probe);
  to_srgb(converted.data(), converted.size() / 3);
  converts_ = !std::equal(probe.begin(), probe.end(), converted.begin(), [](uint8_t a, uint8_t b) {
    return std::abs(int(a) - int(b)) <= SRGB_TOLERANCE;
  });
}

_colour_profile::~_colour_profile() = default;

void _colour_profile::to_srgb(uint8_t* rgb, size_t pixels) const {
  if (!lcms_ || !lcms_->transform) return;
  std::vector<uint8_t> out(3 * std::min(pixels, CHUNK_PIXELS));
  for (size_t done = 0; done < pixels; done += CHUNK_PIXELS) {
    const size_t n = std::min(CHUNK_PIXELS, pixels - done);
    uint8_t* at = rgb + 3 * done;
    cmsDoTransform(lcms_->transform, at, out.data(), static_cast<cmsUInt32Number>(n));
    std::copy_n(out.data(), 3 * n, at);
  }
}

}  // namespace stippon
