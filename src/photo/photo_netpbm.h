#pragma once

#include "photo/photo_format.h"

namespace stippon {

// netpbm files: PBM, PGM and PPM, plain (P1-P3) or raw (P4-P6), of any maximum value up to
// 65535. Header fields are unsigned decimals between white space and comments; the one white
// space after the last field ends the header. Plain samples may carry a sign; a sample above the
// maximum value, or a negative one, makes the file damaged.
class _photo_netpbm : public _photo_format {
 public:
  bool recognises(const _photo_file& file) const override;
  _decode_result read(const _photo_file& file, const _accept_size& accept, _image& grey,
                      _rgb_image& colour, _decode_notes& notes) const override;
};

}  // namespace stippon
