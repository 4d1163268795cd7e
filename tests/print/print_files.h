#pragma once

// Print files read back by independent tools: netpbm for PGM, PNG and TIFF, tiffinfo's listing
// for TIFFs of four channels, pdfimages for the image of a PDF.

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "image/scratch.h"
#include "print/print_format.h"

namespace stippon::testing {

struct raster {
  unsigned width = 0, height = 0, channels = 0;
  std::vector<uint8_t> samples;  // top row first; PBM black is 0, white 255
  bool operator==(const raster&) const = default;
};

// Any netpbm file of maxval 1 or 255: P4, P5, P6 or P7.
inline raster parse_netpbm(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string magic, key;
  unsigned maxval = 1;
  raster r;
  in >> magic;
  if (magic == "P7") {
    while (in >> key && key != "ENDHDR") {
      if (key == "WIDTH") in >> r.width;
      if (key == "HEIGHT") in >> r.height;
      if (key == "DEPTH") in >> r.channels;
      if (key == "MAXVAL") in >> maxval;
    }
  } else {
    in >> r.width >> r.height;
    if (magic != "P4") in >> maxval;
    r.channels = magic == "P6" ? 3 : 1;
  }
  in.get();
  const std::string data = bytes.substr(static_cast<size_t>(in.tellg()));
  if (magic == "P4") {
    const size_t stride = (r.width + 7) / 8;
    for (unsigned y = 0; y < r.height && data.size() >= stride * r.height; ++y)
      for (unsigned x = 0; x < r.width; ++x)
        r.samples.push_back((data[y * stride + x / 8] >> (7 - x % 8)) & 1 ? 0 : 255);
  } else {
    for (unsigned char c : data) r.samples.push_back(maxval == 1 ? c * 255 : c);
  }
  return r;
}

// The pixels of a written file as an outside tool decodes them.
inline raster read_back(_print_format format, const std::string& name, const raster& shape,
                        const scratch_dir& dir) {
  switch (format) {
    case _print_format::pgm:
      return parse_netpbm(output_of("pamtopnm '" + name + "'"));
    case _print_format::png:
      return parse_netpbm(output_of(std::string("pngtopam ") +
                                    (shape.channels == 4 ? "-alphapam '" : "'") + name + "'"));
    case _print_format::tiff:
      if (shape.channels < 4) return parse_netpbm(output_of("tifftopnm -quiet '" + name + "'"));
      // tifftopnm and libtiff's RGBA reading multiply the colours by alpha, and make CMYK RGB:
      // take the decoded strips as tiffinfo lists them in hex.
      return {shape.width, shape.height, 4, tiff_samples(name)};
    case _print_format::pdf: {
      // The image as it is stored, uncompressed in a TIFF, CMYK kept.
      output_of("pdfimages -tiff '" + name + "' '" + dir / "image" + "'");
      const raster r = read_back(_print_format::tiff, dir / "image-000.tif", shape, dir);
      std::filesystem::remove(dir / "image-000.tif");
      return r;
    }
  }
  return {};
}

}  // namespace stippon::testing
