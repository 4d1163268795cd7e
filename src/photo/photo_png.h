#pragma once

#include "image/texture.h"
#include "photo/photo_format.h"

namespace stippon {

// PNG through libpng, every colour type and depth (Qt 6.4 garbles 16-bit RGB with a transparent
// colour). Palettes and grey below 8 bits are expanded exactly, a transparent colour becomes
// alpha, 16-bit samples are brought to 8 bits by the reader's rule. A file is refused before its
// picture is allocated when a chunk is longer than the file, or when it declares more pixels
// than its data could inflate to.
class _photo_png : public _photo_format {
 public:
  bool recognises(const _photo_file& file) const override;
  _decode_result read(const _photo_file& file, const _accept_size& accept, _image& grey,
                      _rgb_image& colour, _decode_notes& notes) const override;
  // The picture in colour, 8-bit RGBA (opaque without alpha), row 0 at the bottom: the tone
  // ramps are read so.
  _decode_result read_colour(const _photo_file& file, const _accept_size& accept,
                             _texture& colour) const;
};

}  // namespace stippon
