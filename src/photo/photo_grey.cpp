#include "photo/photo_grey.h"

#include <sys/mman.h>

#include <QImage>
#include <algorithm>
#include <array>

namespace stippon {

namespace {

inline float grey_float(unsigned r, unsigned g, unsigned b) {
  return static_cast<float>(grey_of(r, g, b));
}

// ---- the conversion of a decoded picture, one scan line at a time ----

// Where a scan line goes: its raster row of grey, and its row of RGB when colour is kept.
struct line_out {
  float* grey;
  uint8_t* rgb;  // null: the grey alone
  void put(int x, unsigned r, unsigned g, unsigned b) const {
    grey[x] = grey_float(r, g, b);
    if (rgb != nullptr) {
      uint8_t* p = rgb + 3 * size_t(x);
      p[0] = static_cast<uint8_t>(r), p[1] = static_cast<uint8_t>(g),
      p[2] = static_cast<uint8_t>(b);
    }
  }
};

// Rows are flipped: scan line 0 is the top, raster row 0 the bottom.
template <typename Row>
void each_line(const QImage& picture, _image& image, _rgb_image* colour, Row row) {
  const int width = picture.width();
  const int height = picture.height();
  for (int y = 0; y < height; ++y) {
    const size_t at = size_t(height - 1 - y) * size_t(width);
    row(picture.constScanLine(y),
        line_out{image.samples.data() + at, colour ? colour->bytes.data() + 3 * at : nullptr},
        width);
  }
}

void convert_rgb32(const QImage& picture, _image& image, _rgb_image* colour) {
  each_line(picture, image, colour, [](const uchar* line, line_out out, int width) {
    const auto* p = reinterpret_cast<const uint32_t*>(line);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = p[x];
      out.put(x, (v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
    }
  });
}

void convert_argb32(const QImage& picture, _image& image, _rgb_image* colour) {
  each_line(picture, image, colour, [](const uchar* line, line_out out, int width) {
    const auto* p = reinterpret_cast<const uint32_t*>(line);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = p[x];
      const uint32_t a = v >> 24;
      out.put(x, over_white((v >> 16) & 0xff, a), over_white((v >> 8) & 0xff, a),
              over_white(v & 0xff, a));
    }
  });
}

// Premultiplied colour c_p = c * a / 255: over white it is c_p + (255 - a).
inline unsigned premultiplied_over_white(unsigned c, unsigned a) {
  return std::min(255u, c + 255 - a);
}

void convert_argb32_premultiplied(const QImage& picture, _image& image, _rgb_image* colour) {
  each_line(picture, image, colour, [](const uchar* line, line_out out, int width) {
    const auto* p = reinterpret_cast<const uint32_t*>(line);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = p[x];
      const uint32_t a = v >> 24;
      out.put(x, premultiplied_over_white((v >> 16) & 0xff, a),
              premultiplied_over_white((v >> 8) & 0xff, a), premultiplied_over_white(v & 0xff, a));
    }
  });
}

// Byte-ordered formats: R, G, B (and A) at the given byte offsets of each pixel of `step` bytes.
template <int step, int r, int g, int b, int a>
void convert_bytes(const QImage& picture, _image& image, _rgb_image* colour, bool premultiplied) {
  each_line(picture, image, colour, [premultiplied](const uchar* line, line_out out, int width) {
    for (int x = 0; x < width; ++x) {
      const uchar* p = line + x * step;
      if constexpr (a < 0) {
        out.put(x, p[r], p[g], p[b]);
      } else if (premultiplied) {
        out.put(x, premultiplied_over_white(p[r], p[a]), premultiplied_over_white(p[g], p[a]),
                premultiplied_over_white(p[b], p[a]));
      } else {
        out.put(x, over_white(p[r], p[a]), over_white(p[g], p[a]), over_white(p[b], p[a]));
      }
    }
  });
}

void convert_grey8(const QImage& picture, _image& image) {
  each_line(picture, image, nullptr, [](const uchar* line, line_out out, int width) {
    for (int x = 0; x < width; ++x) out.grey[x] = line[x];
  });
}

void convert_grey16(const QImage& picture, _image& image) {
  const uint8_t* const depth = depth_16_to_8();
  each_line(picture, image, nullptr, [depth](const uchar* line, line_out out, int width) {
    const auto* p = reinterpret_cast<const uint16_t*>(line);
    for (int x = 0; x < width; ++x) out.grey[x] = depth[p[x]];
  });
}

// 16-bit channels in the order R, G, B, A (Qt's RGBX64, RGBA64 and their premultiplied form).
void convert_rgba64(const QImage& picture, _image& image, _rgb_image* colour, bool alpha,
                    bool premultiplied) {
  const uint8_t* const depth = depth_16_to_8();
  each_line(picture, image, colour,
            [depth, alpha, premultiplied](const uchar* line, line_out out, int width) {
              const auto* p = reinterpret_cast<const uint16_t*>(line);
              for (int x = 0; x < width; ++x, p += 4) {
                if (!alpha) {
                  out.put(x, depth[p[0]], depth[p[1]], depth[p[2]]);
                } else if (premultiplied) {
                  // Over white in 16 bits, then to 8 bits.
                  const unsigned white = 65535u - p[3];
                  out.put(x, depth[std::min(65535u, p[0] + white)],
                          depth[std::min(65535u, p[1] + white)],
                          depth[std::min(65535u, p[2] + white)]);
                } else {
                  const unsigned a = depth[p[3]];
                  out.put(x, over_white(depth[p[0]], a), over_white(depth[p[1]], a),
                          over_white(depth[p[2]], a));
                }
              }
            });
}

// One colour per table entry, over white; an index past the table is black, as QImage::pixel
// says.
std::array<std::array<unsigned, 3>, 256> palette_over_white(const QImage& picture) {
  std::array<std::array<unsigned, 3>, 256> colours{};
  const QList<QRgb> table = picture.colorTable();
  for (int i = 0; i < std::min<int>(256, static_cast<int>(table.size())); ++i) {
    const QRgb c = table[i];
    const unsigned a = static_cast<unsigned>(qAlpha(c));
    colours[i] = {over_white(static_cast<unsigned>(qRed(c)), a),
                  over_white(static_cast<unsigned>(qGreen(c)), a),
                  over_white(static_cast<unsigned>(qBlue(c)), a)};
  }
  return colours;
}

bool grey_palette(const std::array<std::array<unsigned, 3>, 256>& colours) {
  return std::all_of(colours.begin(), colours.end(),
                     [](const auto& c) { return c[0] == c[1] && c[1] == c[2]; });
}

void convert_indexed8(const QImage& picture, _image& image, _rgb_image* colour) {
  const auto colours = palette_over_white(picture);
  each_line(picture, image, colour, [&colours](const uchar* line, line_out out, int width) {
    for (int x = 0; x < width; ++x) {
      const auto& c = colours[line[x]];
      out.put(x, c[0], c[1], c[2]);
    }
  });
}

// Whether the picture's kind holds colour, after the conversions above.
bool colour_kind(const QImage& picture) {
  switch (picture.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
      return false;
    case QImage::Format_Indexed8:
      return !grey_palette(palette_over_white(picture));
    default:
      return true;
  }
}

template <typename T>
void resize_with_huge_pages(std::vector<T>& v, size_t n) {
  v.clear();
  v.shrink_to_fit();
  v.reserve(n);
  constexpr uintptr_t huge = uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<uintptr_t>(v.data());
  const uintptr_t end = begin + n * sizeof(T);
  const uintptr_t first = (begin + huge - 1) & ~(huge - 1);
  if (n * sizeof(T) >= 4 * huge && first < end)
    madvise(reinterpret_cast<void*>(first), (end - first) & ~(huge - 1), MADV_HUGEPAGE);
  v.resize(n);
}

}  // namespace

const uint8_t* depth_16_to_8() {
  static const std::array<uint8_t, 65536> table = [] {
    std::array<uint8_t, 65536> t{};
    for (uint32_t v = 0; v < 65536; ++v) t[v] = static_cast<uint8_t>(to_8_bits(v, 65535));
    return t;
  }();
  return table.data();
}

bool photo_to_grey(const QImage& source, _image& image, _rgb_image* colour) {
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
  _rgb_image rgb;
  _rgb_image* kept = colour != nullptr && colour_kind(picture) ? &rgb : nullptr;
  if (kept != nullptr) {
    rgb.width = grey.width;
    rgb.height = grey.height;
    resize_large(rgb.bytes, size_t{3} * grey.width * grey.height);
  }
  switch (picture.format()) {
    case QImage::Format_Indexed8:
      convert_indexed8(picture, grey, kept);
      break;
    case QImage::Format_Grayscale8:
      convert_grey8(picture, grey);
      break;
    case QImage::Format_Grayscale16:
      convert_grey16(picture, grey);
      break;
    case QImage::Format_RGB32:
      convert_rgb32(picture, grey, kept);
      break;
    case QImage::Format_ARGB32:
      convert_argb32(picture, grey, kept);
      break;
    case QImage::Format_ARGB32_Premultiplied:
      convert_argb32_premultiplied(picture, grey, kept);
      break;
    case QImage::Format_RGB888:
      convert_bytes<3, 0, 1, 2, -1>(picture, grey, kept, false);
      break;
    case QImage::Format_BGR888:
      convert_bytes<3, 2, 1, 0, -1>(picture, grey, kept, false);
      break;
    case QImage::Format_RGBX8888:
      convert_bytes<4, 0, 1, 2, -1>(picture, grey, kept, false);
      break;
    case QImage::Format_RGBA8888:
      convert_bytes<4, 0, 1, 2, 3>(picture, grey, kept, false);
      break;
    case QImage::Format_RGBA8888_Premultiplied:
      convert_bytes<4, 0, 1, 2, 3>(picture, grey, kept, true);
      break;
    case QImage::Format_RGBX64:
      convert_rgba64(picture, grey, kept, false, false);
      break;
    case QImage::Format_RGBA64:
      convert_rgba64(picture, grey, kept, true, false);
      break;
    case QImage::Format_RGBA64_Premultiplied:
      convert_rgba64(picture, grey, kept, true, true);
      break;
    default:
      return false;
  }
  image = std::move(grey);
  if (colour != nullptr) *colour = std::move(rgb);
  return true;
}

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

void store_colour(std::vector<uint8_t>& rgb, uint32_t width, uint32_t height, _image& grey,
                  _rgb_image& colour) {
  _image loaded;
  loaded.width = width;
  loaded.height = height;
  resize_large(loaded.samples, size_t{width} * height);
  const size_t row_bytes = size_t{3} * width;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* in = rgb.data() + size_t{y} * row_bytes;
    float* out = loaded.samples.data() + size_t{height - 1 - y} * width;
    for (uint32_t x = 0; x < width; ++x, in += 3) out[x] = grey_float(in[0], in[1], in[2]);
  }
  for (uint32_t y = 0; y < height / 2; ++y)
    std::swap_ranges(rgb.begin() + ptrdiff_t(y * row_bytes),
                     rgb.begin() + ptrdiff_t((y + 1) * row_bytes),
                     rgb.begin() + ptrdiff_t((height - 1 - y) * row_bytes));
  grey = std::move(loaded);
  colour.width = width;
  colour.height = height;
  colour.bytes = std::move(rgb);
}

void orient_picture(const std::vector<uint8_t>& in, uint32_t w, uint32_t h, int orientation,
                    int channels, std::vector<uint8_t>& out) {
  resize_large(out, in.size());
  const bool turned = orientation >= 5 && orientation <= 8;
  const uint32_t ow = turned ? h : w, oh = turned ? w : h;
  for (uint32_t y = 0; y < oh; ++y) {
    uint8_t* line = out.data() + size_t{y} * ow * channels;
    for (uint32_t x = 0; x < ow; ++x) {
      uint32_t sx, sy;
      switch (orientation) {
        case 2:
          sx = w - 1 - x, sy = y;
          break;
        case 3:
          sx = w - 1 - x, sy = h - 1 - y;
          break;
        case 4:
          sx = x, sy = h - 1 - y;
          break;
        case 5:
          sx = y, sy = x;
          break;
        case 6:
          sx = y, sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y, sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y, sy = x;
          break;
        default:
          sx = x, sy = y;
      }
      const uint8_t* from = in.data() + (size_t{sy} * w + sx) * channels;
      std::copy_n(from, channels, line + size_t{x} * channels);
    }
  }
}

void resize_large(std::vector<uint8_t>& v, size_t n) {
  resize_with_huge_pages(v, n);
}
void resize_large(std::vector<float>& v, size_t n) {
  resize_with_huge_pages(v, n);
}

}  // namespace stippon
