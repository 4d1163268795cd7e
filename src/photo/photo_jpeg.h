#pragma once

#include "photo/photo_format.h"

namespace stippon {

// A baseline or progressive JPEG through libjpeg, decoded as djpeg decodes it (integer DCT,
// fancy upsampling; Qt's path holds a 32-bit copy of the picture) and turned by its EXIF
// orientation. CMYK and YCCK pictures give other_kind.
class _photo_jpeg : public _photo_format {
 public:
  bool recognises(const _photo_file& file) const override;
  _decode_result read(const _photo_file& file, const _accept_size& accept, _image& grey,
                      _rgb_image& colour, _decode_notes& notes) const override;
};

}  // namespace stippon
