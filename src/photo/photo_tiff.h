#pragma once

#include "photo/photo_format.h"

namespace stippon {

// The first page of a TIFF, through libtiff: grey, min-is-white, RGB and palette pictures of 1,
// 2, 4, 8 or 16 bits a sample, with or without an alpha channel (associated or not), contiguous
// or planar, in strips or tiles, with any compression libtiff decodes (Qt 6.4 drops the alpha of
// grey TIFF and rounds 16-bit palettes down). Palette entries are 16-bit samples. The
// Orientation tag is applied. Other kinds (YCbCr, CMYK, Lab, float samples, ...) give other_kind.
class _photo_tiff : public _photo_format {
 public:
  bool recognises(const _photo_file& file) const override;
  _decode_result read(const _photo_file& file, const _accept_size& accept, _image& grey,
                      _rgb_image& colour, _decode_notes& notes) const override;
};

}  // namespace stippon
