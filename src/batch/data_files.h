#pragma once

#include <string>

#include "image/image.h"
#include "image/texture.h"
#include "stipple/dot_library.h"
#include "tones/tone_table.h"

namespace stippon {

// The dot sheets and tones of a data folder, owned: the sheets are freed with the holder.
class _batch_data {
 public:
  _image* dot_sheets[DOT_RESOLUTIONS][DOT_SLOTS] = {};
  _texture tones[TONE_COUNT];

  _batch_data() = default;
  ~_batch_data();
  _batch_data(const _batch_data&) = delete;
  _batch_data& operator=(const _batch_data&) = delete;

  // All fifteen sheets of "<dir>/dots"; false at the first one that cannot be read.
  bool load_dots(const std::string& dir, int max_size);
  // Tone `index` of the tone table from "<dir>/tones"; false unless it reads as an image at
  // least 256 x 1.
  bool load_tone(const std::string& dir, int index);
  static std::string tone_path(const std::string& dir, int index);
};

}  // namespace stippon
