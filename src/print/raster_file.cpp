#include "print/raster_file.h"

#include <vector>

#include "image/sample_cast.h"
#include "print/print_pgm.h"
#include "print/print_png.h"

namespace stippon {

std::string write_pgm(const std::string& file, const _image& image) {
  _print_pgm writer;
  if (image.samples.size() < size_t{image.width} * image.height)
    return file + ": the image holds fewer samples than its size";
  std::vector<uint8_t> bytes(image.width);
  bool written = writer.open(file, image.width, image.height, 0, _print_kind::grey);
  for (unsigned r = image.height; written && r-- > 0;) {
    const float* row = image.samples.data() + size_t{r} * image.width;
    for (unsigned c = 0; c < image.width; ++c) bytes[c] = low_byte(row[c]);
    written = writer.write_rows(bytes.data(), 1);
  }
  return written && writer.commit() ? std::string() : writer.error();
}

std::string write_png(const std::string& file, const _texture& texture, unsigned ppi) {
  _print_png writer;
  if (texture.texels.size() < size_t{texture.width} * texture.height)
    return file + ": the texture holds fewer texels than its size";
  // The texels lie in the byte order of RGBA rows already.
  bool written = writer.open(file, texture.width, texture.height, ppi, _print_kind::rgba);
  for (unsigned r = texture.height; written && r-- > 0;)
    written = writer.write_rows(
        reinterpret_cast<const uint8_t*>(texture.texels.data() + size_t{r} * texture.width), 1);
  return written && writer.commit() ? std::string() : writer.error();
}

}  // namespace stippon
