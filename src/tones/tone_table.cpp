#include "tones/tone_table.h"

#include "image/file_png.h"

namespace stippon {

const _tone_entry TONES[TONE_COUNT] = {
    {"Grayscale", "./tones/grayscale_01.png"},
    {"Cyanotype", "./tones/cyanotype_01.png"},
    {"Palladium 1", "./tones/palladium_01.png"},
    {"Palladium 2", "./tones/palladium_02.png"},
    {"Platinum 1", "./tones/platinum_01.png"},
    {"Platinum 2", "./tones/platinum_02.png"},
    {"Platinum Palladium", "./tones/platinum_palladium_01.png"},
    {"Selenium", "./tones/selenium_01.png"},
    {"Selenium Brown", "./tones/selenium_brown_01.png"},
    {"Sepia 1", "./tones/sepia_01.png"},
    {"Sepia 2", "./tones/sepia_02.png"},
    {"Sepia 3", "./tones/sepia_03.png"},
    {"Sepia 4", "./tones/sepia_04.png"},
    {"Silver", "./tones/silver_01.png"},
    {"Silver Gelatin", "./tones/silver_gelatin_01.png"},
};

// From the working directory the table's names are used as they stand, so messages show them so.
static std::string tone_path(const std::string& dir, const std::string& file) {
  if (dir == ".") return file;
  return dir + "/" + (file.starts_with("./") ? file.substr(2) : file);
}

int load_tones(_texture (&tones)[TONE_COUNT], const std::string& dir) {
  _file_png reader;
  if (!reader.read(tone_path(dir, TONES[0].file), tones[0])) return 0;
  for (int i = 1; i < TONE_COUNT; ++i) reader.read(tone_path(dir, TONES[i].file), tones[i]);
  return 1;
}

}  // namespace stippon
