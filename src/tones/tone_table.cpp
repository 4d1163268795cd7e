#include "tones/tone_table.h"

#include <cctype>

#include "photo/photo_reader.h"

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

std::string tone_name(int index) {
  std::string name = TONES[index].label;
  for (char& c : name)
    c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

std::string tone_path(const std::string& dir, int index) {
  const std::string file = TONES[index].file;
  if (dir == ".") return file;
  return dir + "/" + (file.starts_with("./") ? file.substr(2) : file);
}

int load_tones(_texture (&tones)[TONE_COUNT], const std::string& dir) {
  _photo_reader reader;
  if (!reader.read_colour(tone_path(dir, 0), tones[0])) return 0;
  for (int i = 1; i < TONE_COUNT; ++i) reader.read_colour(tone_path(dir, i), tones[i]);
  return 1;
}

bool load_tone(_texture& tone, const std::string& dir, int index) {
  // Unlike the start-up of the window, a broken or narrow tone file is refused rather than
  // printed through as a black or empty picture.
  if (!_photo_reader().read_colour(tone_path(dir, index), tone)) return false;
  return tone.width >= 256 && tone.height >= 1;
}

}  // namespace stippon
