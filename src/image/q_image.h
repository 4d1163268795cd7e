#pragma once

#include <QImage>

#include "image/image.h"
#include "image/rgb_image.h"
#include "image/texture.h"

namespace stippon {

// A QImage built from a grey raster (8-bit indexed grey, kind 0) or a colour raster (ARGB32,
// kind 1, rows flipped so that line 0 is the top of the picture).
class _q_image : public QImage {
 public:
  int kind = 0;

  explicit _q_image(const _image& image);
  explicit _q_image(const _texture& texture);
  // Wraps the result of a Qt operation (e.g. QImage::scaled) so it can be assigned to an _image.
  explicit _q_image(const QImage& image, int kind = 0);
  ~_q_image() override;
};

// Resamples the input with Qt's smooth scaling to (trunc(W * r), trunc(H * r)), keeping the
// aspect ratio, and assigns the result to out.
void resample(const _image& input, float r, _image& out);
// Resamples a photograph's colour with the same scaling to width x height, the size its grey
// was resampled to, into opaque texels (rows in the same order).
void resample(const _rgb_image& input, uint32_t width, uint32_t height, _texture& out);

}  // namespace stippon
