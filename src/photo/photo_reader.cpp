#include "photo/photo_reader.h"

#include <png.h>
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/file_access.h"
#include "photo/file_pgm.h"
#include "photo/photo_decoders.h"

namespace stippon {

namespace {

constexpr uint64_t MAX_PIXELS = uint64_t{PHOTO_MAX_MEGAPIXELS} * 1000000;
// Qt's own allocation limit, in MiB: the largest picture in the widest format Qt decodes into
// (16 bits by 4 channels), with room for a decoder's line buffers.
constexpr int QT_ALLOCATION_LIMIT_MB = static_cast<int>(MAX_PIXELS * 8 / (1024 * 1024)) + 256;

// The kinds handed to Qt, by the names its handlers give. Anything else Qt may recognise (icons,
// TGA, XPM, ...) is not a photograph, and TGA's loose test would take random files for pictures.
bool qt_kind_read(const QByteArray& format) {
  for (const char* kind : {"jpeg", "tiff", "tiff", "webp", "bmp", "gif"})
    if (format == kind) return true;
  return false;
}

// ---- 8-bit values of wider samples, as pamdepth computes them ----

const std::array<uint8_t, 65536>& depth_16_to_8() {
  static const std::array<uint8_t, 65536> table = [] {
    std::array<uint8_t, 65536> t{};
    for (uint32_t v = 0; v < 65536; ++v) t[v] = static_cast<uint8_t>(to_8_bits(v, 65535));
    return t;
  }();
  return table;
}

inline float grey_float(unsigned r, unsigned g, unsigned b) {
  return static_cast<float>(grey_of(r, g, b));
}

// ---- the conversion of a decoded picture, one scan line at a time ----

// out points to the raster row of scan line y (rows are flipped: line 0 is the top).
template <typename Row>
void each_line(const QImage& picture, _image& image, Row row) {
  const int width = picture.width();
  const int height = picture.height();
  for (int y = 0; y < height; ++y)
    row(picture.constScanLine(y), image.samples.data() + size_t(height - 1 - y) * size_t(width),
        width);
}

void convert_rgb32(const QImage& picture, _image& image) {
  each_line(picture, image, [](const uchar* line, float* out, int width) {
    const auto* p = reinterpret_cast<const uint32_t*>(line);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = p[x];
      out[x] = grey_float((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
    }
  });
}

void convert_argb32(const QImage& picture, _image& image) {
  each_line(picture, image, [](const uchar* line, float* out, int width) {
    const auto* p = reinterpret_cast<const uint32_t*>(line);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = p[x];
      const uint32_t a = v >> 24;
      out[x] = grey_float(over_white((v >> 16) & 0xff, a), over_white((v >> 8) & 0xff, a),
                          over_white(v & 0xff, a));
    }
  });
}

// Premultiplied colour c_p = c * a / 255: over white it is c_p + (255 - a).
inline unsigned premultiplied_over_white(unsigned c, unsigned a) {
  return std::min(255u, c + 255 - a);
}

void convert_argb32_premultiplied(const QImage& picture, _image& image) {
  each_line(picture, image, [](const uchar* line, float* out, int width) {
    const auto* p = reinterpret_cast<const uint32_t*>(line);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = p[x];
      const uint32_t a = v >> 24;
      out[x] = grey_float(premultiplied_over_white((v >> 16) & 0xff, a),
                          premultiplied_over_white((v >> 8) & 0xff, a),
                          premultiplied_over_white(v & 0xff, a));
    }
  });
}

// Byte-ordered formats: R, G, B (and A) at the given byte offsets of each pixel of `step` bytes.
template <int step, int r, int g, int b, int a>
void convert_bytes(const QImage& picture, _image& image, bool premultiplied) {
  each_line(picture, image, [premultiplied](const uchar* line, float* out, int width) {
    for (int x = 0; x < width; ++x) {
      const uchar* p = line + x * step;
      if constexpr (a < 0) {
        out[x] = grey_float(p[r], p[g], p[b]);
      } else if (premultiplied) {
        out[x] =
            grey_float(premultiplied_over_white(p[r], p[a]), premultiplied_over_white(p[g], p[a]),
                       premultiplied_over_white(p[b], p[a]));
      } else {
        out[x] = grey_float(over_white(p[r], p[a]), over_white(p[g], p[a]), over_white(p[b], p[a]));
      }
    }
  });
}

void convert_grey8(const QImage& picture, _image& image) {
  each_line(picture, image, [](const uchar* line, float* out, int width) {
    for (int x = 0; x < width; ++x) out[x] = line[x];
  });
}

void convert_grey16(const QImage& picture, _image& image) {
  const auto& depth = depth_16_to_8();
  each_line(picture, image, [&depth](const uchar* line, float* out, int width) {
    const auto* p = reinterpret_cast<const uint16_t*>(line);
    for (int x = 0; x < width; ++x) out[x] = depth[p[x]];
  });
}

// 16-bit channels in the order R, G, B, A (Qt's RGBX64, RGBA64 and their premultiplied form).
void convert_rgba64(const QImage& picture, _image& image, bool alpha, bool premultiplied) {
  const auto& depth = depth_16_to_8();
  each_line(picture, image,
            [&depth, alpha, premultiplied](const uchar* line, float* out, int width) {
              const auto* p = reinterpret_cast<const uint16_t*>(line);
              for (int x = 0; x < width; ++x, p += 4) {
                if (!alpha) {
                  out[x] = grey_float(depth[p[0]], depth[p[1]], depth[p[2]]);
                } else if (premultiplied) {
                  // Over white in 16 bits, then to 8 bits.
                  const unsigned white = 65535u - p[3];
                  out[x] = grey_float(depth[std::min(65535u, p[0] + white)],
                                      depth[std::min(65535u, p[1] + white)],
                                      depth[std::min(65535u, p[2] + white)]);
                } else {
                  const unsigned a = depth[p[3]];
                  out[x] = grey_float(over_white(depth[p[0]], a), over_white(depth[p[1]], a),
                                      over_white(depth[p[2]], a));
                }
              }
            });
}

void convert_indexed8(const QImage& picture, _image& image) {
  // One grey per colour-table entry; an index past the table is black, as QImage::pixel says.
  std::array<float, 256> greys{};
  const QList<QRgb> table = picture.colorTable();
  for (int i = 0; i < std::min<int>(256, static_cast<int>(table.size())); ++i) {
    const QRgb c = table[i];
    const unsigned a = static_cast<unsigned>(qAlpha(c));
    greys[i] = grey_float(over_white(static_cast<unsigned>(qRed(c)), a),
                          over_white(static_cast<unsigned>(qGreen(c)), a),
                          over_white(static_cast<unsigned>(qBlue(c)), a));
  }
  each_line(picture, image, [&greys](const uchar* line, float* out, int width) {
    for (int x = 0; x < width; ++x) out[x] = greys[line[x]];
  });
}

// ---- whether the file holds the whole picture ----
// Qt's decoders take a JPEG, BMP or GIF that ends early for a whole picture, the missing part
// painted grey or black; these checks walk the file's structure first. They answer "whole" for
// anything they cannot follow, so that the decoder reports the damage.

uint32_t be16(const unsigned char* p) {
  return uint32_t{p[0]} << 8 | p[1];
}
uint32_t be32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t le16(const unsigned char* p) {
  return uint32_t{p[1]} << 8 | p[0];
}
uint32_t le32(const unsigned char* p) {
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// The chunks up to IEND.
bool png_whole(const unsigned char* data, size_t size) {
  uint64_t pos = 8;
  while (pos + 8 <= size) {
    if (std::memcmp(data + pos + 4, "IEND", 4) == 0) return true;
    pos += uint64_t{12} + be32(data + pos);
  }
  return false;
}

// The marker segments up to the first scan, then the scans up to the end-of-image marker. In
// entropy-coded data 0xff is followed by 0x00 (a stuffed byte), a restart marker or a marker.
bool jpeg_whole(const unsigned char* data, size_t size) {
  uint64_t pos = 2;
  bool scanning = false;
  while (pos < size) {
    if (data[pos] != 0xff) {
      if (!scanning) return true;  // not a marker where one belongs: the decoder's matter
      ++pos;
      continue;
    }
    if (pos + 1 >= size) return false;
    const unsigned marker = data[pos + 1];
    if (marker == 0xff) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xd9) return true;
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) {
      pos += 2;
      continue;
    }
    if (pos + 4 > size) return false;
    pos += 2 + uint64_t{be16(data + pos + 2)};
    if (marker == 0xda) scanning = true;
  }
  return false;
}

// The blocks up to the end of the first image's data.
bool gif_whole(const unsigned char* data, size_t size) {
  if (size < 13) return false;
  uint64_t pos = 13;
  if (data[10] & 0x80) pos += 3 * (uint64_t{2} << (data[10] & 7));
  const auto sub_blocks = [&] {  // true when the terminating empty block is in the file
    while (pos < size) {
      const unsigned length = data[pos];
      pos += 1 + uint64_t{length};
      if (length == 0) return true;
    }
    return false;
  };
  while (pos < size) {
    const unsigned block = data[pos];
    if (block == 0x21) {  // extension: label, then data sub-blocks
      pos += 2;
      if (!sub_blocks()) return false;
    } else if (block == 0x2c) {  // image descriptor
      if (pos + 10 > size) return false;
      const unsigned packed = data[pos + 9];
      pos += 10;
      if (packed & 0x80) pos += 3 * (uint64_t{2} << (packed & 7));
      pos += 1;  // LZW minimum code size
      return sub_blocks() && pos <= size;
    } else {
      return true;  // trailer or garbage: the decoder's matter
    }
  }
  return false;
}

// Uncompressed and bit-field rows, or the declared size of run-length data.
bool bmp_whole(const unsigned char* data, size_t size) {
  if (size < 26) return false;
  const uint64_t offset = le32(data + 10);
  const uint32_t header = le32(data + 14);
  uint64_t width, height, bits, compression = 0, image_size = 0;
  if (header == 12) {
    width = le16(data + 18);
    height = le16(data + 20);
    bits = le16(data + 24);
  } else if (header >= 40) {
    if (size < 38) return false;
    width = static_cast<uint64_t>(
        std::abs(static_cast<int64_t>(static_cast<int32_t>(le32(data + 18)))));
    height = static_cast<uint64_t>(
        std::abs(static_cast<int64_t>(static_cast<int32_t>(le32(data + 22)))));
    bits = le16(data + 28);
    compression = le32(data + 30);
    image_size = le32(data + 34);
  } else {
    return true;
  }
  if (width == 0 || height == 0) return true;
  uint64_t needed;
  if (compression == 0 || compression == 3 || compression == 6)  // RGB, bit fields
    needed = offset + (width * bits + 31) / 32 * 4 * (height - 1) + (width * bits + 7) / 8;
  else if (compression == 1 || compression == 2)  // RLE8, RLE4
    needed = offset + image_size;
  else
    return true;
  return needed <= size;
}

// The RIFF container's declared length.
bool webp_whole(const unsigned char* data, size_t size) {
  return size >= 12 && uint64_t{le32(data + 4)} + 8 <= size;
}

// The first directory and the strips or tiles it points to (classic TIFF; BigTIFF is left to
// the decoder).
bool tiff_whole(const unsigned char* data, size_t size) {
  if (size < 8) return false;
  const bool little = data[0] == 'I';
  const auto u16 = [&](uint64_t at) { return little ? le16(data + at) : be16(data + at); };
  const auto u32 = [&](uint64_t at) { return little ? le32(data + at) : be32(data + at); };
  if (u16(2) != 42) return true;
  const uint64_t directory = u32(4);
  if (directory + 2 > size) return false;
  const uint64_t entries = u16(directory);
  if (directory + 2 + entries * 12 > size) return false;
  // (offsets tag, counts tag) -> (type, count, value or offset of the values)
  struct field {
    uint32_t type = 0;
    uint64_t count = 0, at = 0;
  };
  field offsets, counts;
  for (uint64_t i = 0; i < entries; ++i) {
    const uint64_t entry = directory + 2 + i * 12;
    const uint32_t tag = u16(entry);
    field f{u16(entry + 2), u32(entry + 4), entry + 8};
    const uint64_t bytes = f.count * (f.type == 3 ? 2 : 4);
    if (f.type != 3 && f.type != 4) continue;
    if (bytes > 4) f.at = u32(entry + 8);
    if (tag == 273 || tag == 324) offsets = f;
    if (tag == 279 || tag == 325) counts = f;
  }
  if (offsets.count == 0 || counts.count != offsets.count) return true;
  const uint64_t width_o = offsets.type == 3 ? 2 : 4, width_c = counts.type == 3 ? 2 : 4;
  if (offsets.at + offsets.count * width_o > size || counts.at + counts.count * width_c > size)
    return false;
  for (uint64_t i = 0; i < offsets.count; ++i) {
    const uint64_t o = offsets.type == 3 ? u16(offsets.at + 2 * i) : u32(offsets.at + 4 * i);
    const uint64_t c = counts.type == 3 ? u16(counts.at + 2 * i) : u32(counts.at + 4 * i);
    if (o + c > size) return false;
  }
  return true;
}

bool whole(const QByteArray& format, const unsigned char* data, size_t size) {
  if (format == "png") return png_whole(data, size);
  if (format == "jpeg") return jpeg_whole(data, size);
  if (format == "gif") return gif_whole(data, size);
  if (format == "bmp") return bmp_whole(data, size);
  if (format == "webp") return webp_whole(data, size);
  if (format == "tiff") return tiff_whole(data, size);
  return true;
}

// ---- PNG through libpng: Qt 6.4 garbles 16-bit RGB with a transparent colour (tRNS) ----

struct png_source {
  const unsigned char* data;
  size_t size;
  size_t pos;
  char message[200];
};

void png_read_memory(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<png_source*>(png_get_io_ptr(png));
  if (count > source->size - source->pos) png_error(png, "truncated");
  std::memcpy(out, source->data + source->pos, count);
  source->pos += count;
}

// Errors are kept for the reader's message, warnings dropped: the core prints nothing.
void png_keep_error(png_structp png, png_const_charp message) {
  auto* source = static_cast<png_source*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message);
  png_longjmp(png, 1);
}
void png_drop_warning(png_structp, png_const_charp) {}

struct png_structs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_structs(png_source* source) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, source, png_keep_error, png_drop_warning);
    info = png ? png_create_info_struct(png) : nullptr;
    if (png) png_set_read_fn(png, source, png_read_memory);
  }
  png_structs(const png_structs&) = delete;
  png_structs& operator=(const png_structs&) = delete;
  ~png_structs() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

// libpng reports errors by longjmp to the last setjmp: each step runs in its own frame whose
// locals are trivially destructible, and the objects that own memory live in the caller.
bool png_header(png_structp png, png_infop info, uint32_t* width, uint32_t* height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  return true;
}

// Palette to RGB, grey below 8 bits to 8 bits (exact multiples: 0, 85, 170, 255 for 2 bits),
// a transparent colour to alpha; 16-bit samples stay 16 bits, most significant byte first.
bool png_prepare(png_structp png, png_infop info, int* channels, int* bytes, int* passes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_expand(png);
  *passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *channels = png_get_channels(png, info);
  *bytes = png_get_bit_depth(png, info) == 16 ? 2 : 1;
  return true;
}

// One decoded row of 1 to 4 channels (grey, grey + alpha, RGB, RGBA) of 1 or 2 bytes each.
void png_row_to_grey(const unsigned char* row, int channels, int bytes, float* out,
                     uint32_t width) {
  const auto& depth = depth_16_to_8();
  const auto value = [&](const unsigned char* p) -> unsigned {
    return bytes == 2 ? depth[be16(p)] : p[0];
  };
  const int step = channels * bytes;
  for (uint32_t x = 0; x < width; ++x, row += step) {
    switch (channels) {
      case 1:
        out[x] = static_cast<float>(value(row));
        break;
      case 2:
        out[x] = static_cast<float>(over_white(value(row), value(row + bytes)));
        break;
      case 3:
        out[x] = grey_float(value(row), value(row + bytes), value(row + 2 * bytes));
        break;
      default: {
        const unsigned a = value(row + 3 * bytes);
        out[x] = grey_float(over_white(value(row), a), over_white(value(row + bytes), a),
                            over_white(value(row + 2 * bytes), a));
      }
    }
  }
}

// Rows in file order into a raster whose row 0 is the bottom. Interlaced files are gathered
// whole in `rows`; the others pass one row at a time through rows[0].
bool png_rows(png_structp png, png_bytepp rows, bool whole_image, int channels, int bytes,
              uint32_t width, uint32_t height, float* raster) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (whole_image) {
    png_read_image(png, rows);
    for (uint32_t y = 0; y < height; ++y)
      png_row_to_grey(rows[y], channels, bytes, raster + size_t{height - 1 - y} * width, width);
  } else {
    for (uint32_t y = 0; y < height; ++y) {
      png_read_row(png, rows[0], nullptr);
      png_row_to_grey(rows[0], channels, bytes, raster + size_t{height - 1 - y} * width, width);
    }
  }
  return true;
}

// ---- netpbm, read from memory with the header rules of _file_pgm ----

bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(int c) {
  return c >= '0' && c <= '9';
}

struct netpbm_cursor {
  const unsigned char* data;
  size_t size;
  size_t pos = 0;

  int get() { return pos < size ? data[pos++] : EOF; }
  void skip_comment() {
    int c;
    do c = get();
    while (c != '\n' && c != EOF);
  }
  size_t left() const { return size - pos; }
};

enum class parsed { ok, ended, malformed };

// A header field: an unsigned decimal number after white space and comments, ended by white
// space (consumed), a comment or the end of the file.
parsed header_field(netpbm_cursor& in, uint32_t& value) {
  int c = in.get();
  while (is_space(c) || c == '#') {
    if (c == '#') in.skip_comment();
    c = in.get();
  }
  if (c == EOF) return parsed::ended;
  if (!is_digit(c)) return parsed::malformed;
  uint64_t number = 0;
  for (; is_digit(c); c = in.get()) {
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > UINT32_MAX) return parsed::malformed;
  }
  if (c == '#')
    in.skip_comment();
  else if (c != EOF && !is_space(c))
    return parsed::malformed;
  value = static_cast<uint32_t>(number);
  return parsed::ok;
}

// A plain sample as _file_pgm reads it: optional sign, digits, then white space or the end.
parsed plain_sample(netpbm_cursor& in, int64_t& value) {
  int c = in.get();
  while (is_space(c) || c == '#') {
    if (c == '#') in.skip_comment();
    c = in.get();
  }
  if (c == EOF) return parsed::ended;
  const bool negative = c == '-';
  if (c == '-' || c == '+') c = in.get();
  if (!is_digit(c)) return c == EOF ? parsed::ended : parsed::malformed;
  int64_t number = 0;
  for (; is_digit(c); c = in.get())
    if (number <= INT32_MAX) number = number * 10 + (c - '0');
  if (c != EOF && !is_space(c)) return parsed::malformed;
  value = negative ? -number : number;
  return parsed::ok;
}

}  // namespace

// ---- the conversion ----

namespace {

// 8-bit grey, top row first, into the raster, whose row 0 is the bottom.
void store_grey(const std::vector<uint8_t>& grey, uint32_t width, uint32_t height, _image& image) {
  _image loaded;
  loaded.width = width;
  loaded.height = height;
  resize_large(loaded.samples, grey.size());
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* in = grey.data() + size_t{y} * width;
    float* out = loaded.samples.data() + size_t{height - 1 - y} * width;
    for (uint32_t x = 0; x < width; ++x) out[x] = in[x];
  }
  image = std::move(loaded);
}

}  // namespace

bool photo_to_grey(const QImage& source, _image& image) {
  if (source.isNull()) return false;
  QImage picture = source;
  switch (picture.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      picture = picture.convertToFormat(QImage::Format_Indexed8);  // exact: indices only
      break;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
      break;
    default:
      // Kinds no photograph decoder gives here: through Qt's conversion to the nearest kind.
      picture = picture.convertToFormat(picture.depth() > 32 || picture.pixelFormat().redSize() > 8
                                            ? QImage::Format_RGBA64
                                            : QImage::Format_ARGB32);
      if (picture.isNull()) return false;
  }
  _image grey;
  grey.width = static_cast<uint32_t>(picture.width());
  grey.height = static_cast<uint32_t>(picture.height());
  resize_large(grey.samples, size_t{grey.width} * grey.height);
  switch (picture.format()) {
    case QImage::Format_Indexed8:
      convert_indexed8(picture, grey);
      break;
    case QImage::Format_Grayscale8:
      convert_grey8(picture, grey);
      break;
    case QImage::Format_Grayscale16:
      convert_grey16(picture, grey);
      break;
    case QImage::Format_RGB32:
      convert_rgb32(picture, grey);
      break;
    case QImage::Format_ARGB32:
      convert_argb32(picture, grey);
      break;
    case QImage::Format_ARGB32_Premultiplied:
      convert_argb32_premultiplied(picture, grey);
      break;
    case QImage::Format_RGB888:
      convert_bytes<3, 0, 1, 2, -1>(picture, grey, false);
      break;
    case QImage::Format_BGR888:
      convert_bytes<3, 2, 1, 0, -1>(picture, grey, false);
      break;
    case QImage::Format_RGBX8888:
      convert_bytes<4, 0, 1, 2, -1>(picture, grey, false);
      break;
    case QImage::Format_RGBA8888:
      convert_bytes<4, 0, 1, 2, 3>(picture, grey, false);
      break;
    case QImage::Format_RGBA8888_Premultiplied:
      convert_bytes<4, 0, 1, 2, 3>(picture, grey, true);
      break;
    case QImage::Format_RGBX64:
      convert_rgba64(picture, grey, false, false);
      break;
    case QImage::Format_RGBA64:
      convert_rgba64(picture, grey, true, false);
      break;
    case QImage::Format_RGBA64_Premultiplied:
      convert_rgba64(picture, grey, true, true);
      break;
    default:
      return false;
  }
  image = std::move(grey);
  return true;
}

// ---- the reader ----

bool _photo_reader::fail(_photo_failure failure, const std::string& file_name,
                         const std::string& reason) {
  failure_ = failure;
  error_ = "Cannot read " + file_name + ": " + reason;
  return false;
}

bool _photo_reader::check_size(const std::string& file_name, uint64_t width, uint64_t height,
                               int max_size) {
  const std::string size =
      "too large: " + std::to_string(width) + " \u00d7 " + std::to_string(height) + " pixels";
  const uint64_t edge = max_size > 0 ? static_cast<uint64_t>(max_size) : UINT64_MAX;
  if (width > edge || height > edge)
    return fail(_photo_failure::too_large, file_name,
                size + ", the limit is " + std::to_string(edge) + " pixels on a side");
  if (width * height > MAX_PIXELS)
    return fail(_photo_failure::too_large, file_name,
                size + ", the limit is " + std::to_string(PHOTO_MAX_MEGAPIXELS) + " megapixels");
  return true;
}

bool _photo_reader::read(const std::string& file_name, _image& image, int max_size) {
  error_.clear();
  failure_ = _photo_failure::none;
  format_.clear();

  // "-" is standard input; pipes and devices are read as the stream they are.
  QFile file;
  const bool standard = is_standard_stream(file_name);
  if (!standard && QFileInfo(QFile::decodeName(file_name.c_str())).isDir())
    return fail(_photo_failure::cannot_open, file_name, IS_A_FOLDER);
  if (!standard) file.setFileName(QFile::decodeName(file_name.c_str()));
  const bool opened =
      standard ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
  if (!opened)
    return fail(_photo_failure::cannot_open, file_name,
                "cannot open it (" + file.errorString().toStdString() + ")");
  streamed = standard || file.isSequential();
  // The whole file in memory, mapped where the system allows, read otherwise.
  const qint64 length = file.size();
  QByteArray copy;
  const unsigned char* data = length > 0 ? file.map(0, length) : nullptr;
  size_t size = static_cast<size_t>(std::max<qint64>(length, 0));
  if (data == nullptr) {
    copy = file.readAll();
    if (file.error() != QFileDevice::NoError)
      return fail(_photo_failure::cannot_open, file_name,
                  "cannot open it (" + file.errorString().toStdString() + ")");
    data = reinterpret_cast<const unsigned char*>(copy.constData());
    size = static_cast<size_t>(copy.size());
  }
  if (size == 0)
    return fail(_photo_failure::not_a_picture, file_name, "not a picture Stippon can read");

  if (size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6')
    return read_netpbm(file_name, data, size, image, max_size);
  if (size >= 8 && png_sig_cmp(data, 0, 8) == 0)
    return read_png(file_name, data, size, image, max_size);
  if (size >= 4 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
    return read_tiff(file_name, data, size, image, max_size);
  if (size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
    return read_jpeg(file_name, data, size, image, max_size);
  return read_qt(file_name, data, size, image, max_size);
}

bool _photo_reader::read_qt(const std::string& file_name, const unsigned char* data, size_t size,
                            _image& image, int max_size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  const QByteArray format = reader.format();
  if (!qt_kind_read(format))
    return fail(_photo_failure::not_a_picture, file_name, "not a picture Stippon can read");
  // The size from the header, turned as the orientation turns the picture.
  QSize stored = reader.size();
  if (stored.isValid()) {
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) stored.transpose();
    if (!check_size(file_name, static_cast<uint64_t>(stored.width()),
                    static_cast<uint64_t>(stored.height()), max_size))
      return false;
  }
  if (!whole(format, data, size)) return fail(_photo_failure::truncated, file_name, "truncated");
  if (QImageReader::allocationLimit() < QT_ALLOCATION_LIMIT_MB)
    QImageReader::setAllocationLimit(QT_ALLOCATION_LIMIT_MB);

  QImage picture;
  if (!reader.read(&picture) || picture.isNull()) {
    if (reader.error() == QImageReader::UnsupportedFormatError)
      return fail(_photo_failure::not_a_picture, file_name, "not a picture Stippon can read");
    return fail(_photo_failure::damaged, file_name, "damaged");
  }
  if (!check_size(file_name, static_cast<uint64_t>(picture.width()),
                  static_cast<uint64_t>(picture.height()), max_size))
    return false;
  if (!photo_to_grey(picture, image))
    return fail(_photo_failure::not_a_picture, file_name, "not a picture Stippon can read");
  format_ = format.toStdString();
  return true;
}

bool _photo_reader::read_tiff(const std::string& file_name, const unsigned char* data, size_t size,
                              _image& image, int max_size) {
  // The size first, from the first directory; then whether the file holds the strips or tiles.
  std::vector<uint8_t> grey;
  uint32_t width = 0, height = 0;
  const auto accept = [&](uint32_t w, uint32_t h) {
    return check_size(file_name, w, h, max_size) &&
           (tiff_whole(data, size) || fail(_photo_failure::truncated, file_name, "truncated"));
  };
  switch (read_tiff_grey(data, size, accept, grey, width, height)) {
    case _decode_result::read:
      break;
    case _decode_result::other_kind:
      return tiff_whole(data, size) ? read_qt(file_name, data, size, image, max_size)
                                    : fail(_photo_failure::truncated, file_name, "truncated");
    case _decode_result::refused:
      return false;
    case _decode_result::truncated:
      return fail(_photo_failure::truncated, file_name, "truncated");
    case _decode_result::damaged:
      return tiff_whole(data, size) ? fail(_photo_failure::damaged, file_name, "damaged")
                                    : fail(_photo_failure::truncated, file_name, "truncated");
  }
  store_grey(grey, width, height, image);
  format_ = "tiff";
  return true;
}

bool _photo_reader::read_jpeg(const std::string& file_name, const unsigned char* data, size_t size,
                              _image& image, int max_size) {
  std::vector<uint8_t> grey;
  uint32_t width = 0, height = 0;
  const auto accept = [&](uint32_t w, uint32_t h) { return check_size(file_name, w, h, max_size); };
  switch (read_jpeg_grey(data, size, accept, grey, width, height)) {
    case _decode_result::read:
      break;
    case _decode_result::other_kind:
      return read_qt(file_name, data, size, image, max_size);
    case _decode_result::refused:
      return false;
    case _decode_result::truncated:
      return fail(_photo_failure::truncated, file_name, "truncated");
    case _decode_result::damaged:
      return fail(_photo_failure::damaged, file_name, "damaged");
  }
  store_grey(grey, width, height, image);
  format_ = "jpeg";
  return true;
}

bool _photo_reader::read_png(const std::string& file_name, const unsigned char* data, size_t size,
                             _image& image, int max_size) {
  png_source source{data, size, 8, {}};
  png_structs structs(&source);
  if (!structs.png || !structs.info) return fail(_photo_failure::damaged, file_name, "damaged");
  png_set_sig_bytes(structs.png, 8);
  uint32_t width = 0, height = 0;
  if (!png_header(structs.png, structs.info, &width, &height))
    return png_whole(data, size) ? fail(_photo_failure::damaged, file_name, "damaged")
                                 : fail(_photo_failure::truncated, file_name, "truncated");
  if (!check_size(file_name, width, height, max_size)) return false;
  if (!png_whole(data, size)) return fail(_photo_failure::truncated, file_name, "truncated");
  int channels = 0, bytes = 0, passes = 0;
  if (!png_prepare(structs.png, structs.info, &channels, &bytes, &passes) || channels < 1 ||
      channels > 4)
    return fail(_photo_failure::damaged, file_name, "damaged");

  const size_t row_bytes = size_t{width} * static_cast<size_t>(channels * bytes);
  const bool whole_image = passes > 1;
  std::vector<png_byte> buffer(row_bytes * (whole_image ? height : 1));
  std::vector<png_bytep> rows(whole_image ? height : 1);
  for (size_t k = 0; k < rows.size(); ++k) rows[k] = buffer.data() + k * row_bytes;
  _image loaded;
  loaded.width = width;
  loaded.height = height;
  resize_large(loaded.samples, size_t{width} * height);
  if (!png_rows(structs.png, rows.data(), whole_image, channels, bytes, width, height,
                loaded.samples.data()))
    return fail(std::strcmp(source.message, "truncated") == 0 ? _photo_failure::truncated
                                                              : _photo_failure::damaged,
                file_name, std::strcmp(source.message, "truncated") == 0 ? "truncated" : "damaged");
  image = std::move(loaded);
  format_ = "png";
  return true;
}

bool _photo_reader::read_netpbm(const std::string& file_name, const unsigned char* data,
                                size_t size, _image& image, int max_size) {
  const char kind = static_cast<char>(data[1]);
  const bool bits = kind == '1' || kind == '4';
  const bool colour = kind == '3' || kind == '6';
  const bool raw = kind >= '4';
  netpbm_cursor in{data, size, 2};
  const auto header_end = [&](parsed p) {
    return p == parsed::ended ? fail(_photo_failure::truncated, file_name, "truncated")
                              : fail(_photo_failure::damaged, file_name, "damaged");
  };
  // The magic number stands alone: white space or a comment follows it.
  if (size == 2) return header_end(parsed::ended);
  if (!is_space(data[2]) && data[2] != '#')
    return fail(_photo_failure::not_a_picture, file_name, "not a picture Stippon can read");

  uint32_t width = 0, height = 0, maxval = 1;
  for (uint32_t* field : {&width, &height}) {
    const parsed p = header_field(in, *field);
    if (p != parsed::ok) return header_end(p);
  }
  if (!bits) {
    const parsed p = header_field(in, maxval);
    if (p != parsed::ok) return header_end(p);
  }
  if (width == 0 || height == 0 || maxval == 0 || maxval > 65535)
    return fail(_photo_failure::damaged, file_name, "damaged");
  if (!check_size(file_name, width, height, max_size)) return false;

  // Enough bytes for every sample before anything is allocated: raw samples have a fixed size,
  // plain ones take at least a byte each.
  const uint64_t channels = colour ? 3 : 1;
  const uint64_t sample_bytes = maxval > 255 ? 2 : 1;
  const uint64_t row_bytes = bits ? (uint64_t{width} + 7) / 8 : width * channels * sample_bytes;
  const uint64_t needed = raw ? row_bytes * height : uint64_t{width} * height * channels;
  if (in.left() < needed) return fail(_photo_failure::truncated, file_name, "truncated");

  if (!bits && !colour && maxval == 255 && !streamed) {
    // 8-bit PGM: checked here, read by _file_pgm as it always was. A stream cannot be read twice:
    // the general path below gives the same samples for it.
    if (!raw) {
      int64_t value;
      for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
        const parsed p = plain_sample(in, value);
        if (p != parsed::ok) return header_end(p);
      }
    }
    _image loaded;
    if (_file_pgm().read(file_name, loaded, INT_MAX) != 1)
      return fail(_photo_failure::damaged, file_name, "damaged");
    image = std::move(loaded);
    format_ = "pgm";
    return true;
  }

  _image loaded;
  loaded.width = width;
  loaded.height = height;
  resize_large(loaded.samples, size_t{width} * height);
  std::vector<uint32_t> values(width * channels);
  for (uint32_t y = 0; y < height; ++y) {
    // One row of samples, in file order.
    if (kind == '4') {
      const unsigned char* row = data + in.pos + y * row_bytes;
      for (uint32_t x = 0; x < width; ++x) values[x] = (row[x / 8] >> (7 - x % 8)) & 1;
    } else if (kind == '1') {
      for (uint32_t x = 0; x < width; ++x) {
        int c = in.get();
        while (is_space(c) || c == '#') {
          if (c == '#') in.skip_comment();
          c = in.get();
        }
        if (c == EOF) return fail(_photo_failure::truncated, file_name, "truncated");
        if (c != '0' && c != '1') return fail(_photo_failure::damaged, file_name, "damaged");
        values[x] = static_cast<uint32_t>(c - '0');
      }
    } else if (raw) {
      const unsigned char* row = data + in.pos + y * row_bytes;
      for (size_t i = 0; i < values.size(); ++i)
        values[i] = sample_bytes == 2 ? be16(row + 2 * i) : row[i];
    } else {
      for (auto& value : values) {
        int64_t v;
        const parsed p = plain_sample(in, v);
        if (p != parsed::ok) return header_end(p);
        if (v < 0) return fail(_photo_failure::damaged, file_name, "damaged");
        value = static_cast<uint32_t>(std::min<int64_t>(v, UINT32_MAX));
      }
    }
    float* out = loaded.samples.data() + size_t{height - 1 - y} * width;
    if (bits) {
      for (uint32_t x = 0; x < width; ++x) out[x] = values[x] ? 0.0f : 255.0f;  // 1 is black
      continue;
    }
    for (uint32_t value : values)
      if (value > maxval) return fail(_photo_failure::damaged, file_name, "damaged");
    if (colour) {
      for (uint32_t x = 0; x < width; ++x)
        out[x] = maxval == 255 ? grey_float(values[3 * x], values[3 * x + 1], values[3 * x + 2])
                               : grey_float(to_8_bits(values[3 * x], maxval),
                                            to_8_bits(values[3 * x + 1], maxval),
                                            to_8_bits(values[3 * x + 2], maxval));
    } else {
      for (uint32_t x = 0; x < width; ++x)
        out[x] = static_cast<float>(to_8_bits(values[x], maxval));
    }
  }
  image = std::move(loaded);
  format_ = bits ? "pbm" : colour ? "ppm" : "pgm";
  return true;
}

}  // namespace stippon
