#pragma once

#include "photo/photo_format.h"

namespace stippon {

// WebP, BMP and GIF (first frame), and the CMYK JPEG and exotic TIFF kinds the other modules
// hand over, through Qt's QImageReader with its EXIF orientation applied, brought to grey by
// photo_to_grey. The kind is Qt's to find from the content; kinds Qt knows that are no
// photograph (icons, TGA, XPM, ...) are not pictures here.
class _photo_qt : public _photo_format {
 public:
  bool recognises(const _photo_file& file) const override;  // any file: the last one asked
  _decode_result read(const _photo_file& file, const _accept_size& accept, _image& grey,
                      _rgb_image& colour, _decode_notes& notes) const override;
};

}  // namespace stippon
