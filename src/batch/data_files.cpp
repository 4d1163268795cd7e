#include "batch/data_files.h"

#include "image/file_png.h"

namespace stippon {

_batch_data::~_batch_data() {
  for (auto& row : dot_sheets)
    for (_image*& sheet : row) {
      delete sheet;
      sheet = nullptr;
    }
}

bool _batch_data::load_dots(const std::string& dir, int max_size) {
  return load_dot_sheets(dot_sheets, max_size, dir) == 1;
}

std::string _batch_data::tone_path(const std::string& dir, int index) {
  std::string file = TONES[index].file;
  if (file.starts_with("./")) file.erase(0, 2);
  return dir + "/" + file;
}

bool _batch_data::load_tone(const std::string& dir, int index) {
  // Only the tone in use is read, and unlike the desktop program's start-up a broken or narrow
  // tone file is refused rather than printed through as a black or empty picture.
  _file_png reader;
  if (reader.read(tone_path(dir, index), tones[index]) != 1) return false;
  return tones[index].width >= 256 && tones[index].height >= 1;
}

}  // namespace stippon
