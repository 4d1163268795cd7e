// Interpolates the control points of tones.txt linearly into the fifteen 256-wide tone images:
// the texel at column g of the bottom row is the colour for grey level g.
// Usage: make_tones <tones.txt> <data folder> [preview.png]; the images go to <data>/tones/.
// The preview stacks every ramp, 20 rows each, in the order of the tone table.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "print/raster_file.h"
#include "tones/tone_table.h"

namespace {

using stippon::_pixel;
using stippon::_texture;

struct control_point {
  int grey;
  double rgb[3];
};

// "Name: g:r,g,b g:r,g,b ..." with the points in increasing grey from 0 to 255.
bool parse_points(const std::string& text, std::vector<control_point>& points) {
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    control_point point{};
    char colon, comma1, comma2;
    std::istringstream field(token);
    if (!(field >> point.grey >> colon >> point.rgb[0] >> comma1 >> point.rgb[1] >> comma2 >>
          point.rgb[2]) ||
        colon != ':' || comma1 != ',' || comma2 != ',')
      return false;
    if (!points.empty() && point.grey <= points.back().grey) return false;
    points.push_back(point);
  }
  return !points.empty() && points.front().grey == 0 && points.back().grey == 255;
}

_texture ramp(const std::vector<control_point>& points) {
  _texture texture;
  texture.dimensions(1, 256);
  texture.create();
  size_t segment = 0;
  for (int g = 0; g < 256; ++g) {
    while (points[segment + 1].grey < g) ++segment;
    const control_point& a = points[segment];
    const control_point& b = points[segment + 1];
    const double t = double(g - a.grey) / double(b.grey - a.grey);
    unsigned char channel[3];
    for (int c = 0; c < 3; ++c)
      channel[c] = static_cast<unsigned char>(std::lround(a.rgb[c] + t * (b.rgb[c] - a.rgb[c])));
    texture.put(0, g, _pixel(channel[0], channel[1], channel[2], 255));
  }
  return texture;
}

bool read_ramps(const char* file_name, std::map<std::string, _texture>& ramps) {
  std::ifstream in(file_name);
  if (!in) {
    std::fprintf(stderr, "make_tones: cannot read %s\n", file_name);
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t colon = line.find(": ");
    std::vector<control_point> points;
    if (colon == std::string::npos || !parse_points(line.substr(colon + 2), points)) {
      std::fprintf(stderr, "make_tones: bad line: %s\n", line.c_str());
      return false;
    }
    ramps[line.substr(0, colon)] = ramp(points);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "Usage: make_tones <tones.txt> <data folder> [preview.png]\n");
    return 1;
  }
  std::map<std::string, _texture> ramps;
  if (!read_ramps(argv[1], ramps)) return 1;

  const std::string folder = argv[2];
  const auto written = [](const std::string& name, const _texture& texture) {
    const std::string error = stippon::write_png(name, texture);
    if (!error.empty()) std::fprintf(stderr, "make_tones: %s\n", error.c_str());
    return error.empty();
  };
  _texture preview;
  preview.dimensions(20 * stippon::TONE_COUNT, 256);
  preview.create();
  for (int i = 0; i < stippon::TONE_COUNT; ++i) {
    const stippon::_tone_entry& tone = stippon::TONES[i];
    const auto found = ramps.find(tone.label);
    if (found == ramps.end()) {
      std::fprintf(stderr, "make_tones: no control points for \"%s\"\n", tone.label);
      return 1;
    }
    const std::string name = folder + "/" + std::string(tone.file).substr(2);  // drop "./"
    if (!written(name, found->second)) return 1;
    // The first tone goes on top of the preview, whose row 0 is its bottom.
    for (unsigned row = 0; row < 20; ++row)
      for (unsigned g = 0; g < 256; ++g)
        preview.put(20 * (stippon::TONE_COUNT - 1 - i) + row, g, found->second.get(0, g));
  }
  return argc > 3 && !written(argv[3], preview) ? 1 : 0;
}
