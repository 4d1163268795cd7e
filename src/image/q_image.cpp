#include "image/q_image.h"

#include <algorithm>
#include <array>

#include "image/sample_cast.h"

namespace stippon {

namespace {

QImage grey_image(const _image& image) {
  const size_t width = image.width;
  const size_t height = image.height;
  if (width == 0 || height == 0 || image.samples.size() < width * height) return QImage();
  QImage grey(static_cast<int>(width), static_cast<int>(height), QImage::Format_Indexed8);
  if (grey.isNull()) return grey;
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i) table[i] = qRgba(i, i, i, 255);
  grey.setColorTable(table);
  for (size_t row = 0; row < height; ++row) {
    uchar* line = grey.scanLine(static_cast<int>(row));
    const float* samples = image.samples.data() + row * width;
    for (size_t column = 0; column < width; ++column) line[column] = low_byte(samples[column]);
  }
  return grey;
}

// Line 0 of a QImage is the top of the picture, row 0 of a texture its bottom.
QImage colour_image(const _texture& texture) {
  const size_t width = texture.width;
  const size_t height = texture.height;
  if (width == 0 || height == 0 || texture.texels.size() < width * height) return QImage();
  QImage colour(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
  if (colour.isNull()) return colour;
  for (size_t row = 0; row < height; ++row) {
    auto* line = reinterpret_cast<QRgb*>(colour.scanLine(static_cast<int>(height - 1 - row)));
    const _pixel* texels = texture.texels.data() + row * width;
    for (size_t column = 0; column < width; ++column) {
      const _pixel p = texels[column];
      line[column] = qRgba(p.r, p.g, p.b, p.a);
    }
  }
  return colour;
}

// The red channel of every pixel, as qRed(pixel(x, y)) gives it, read line by line for the
// formats that smooth scaling and the constructors produce; any other format goes through pixel().
void copy_red(const QImage& image, _image& target) {
  const int width = image.width();
  const int height = image.height();
  float* samples = target.samples.data();
  switch (image.format()) {
    case QImage::Format_Indexed8: {
      std::array<float, 256> reds{};
      const QList<QRgb> table = image.colorTable();
      for (int i = 0; i < std::min<int>(256, table.size()); ++i) reds[i] = qRed(table[i]);
      for (int y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < width; ++x) *samples++ = reds[line[x]];
      }
      return;
    }
    case QImage::Format_Grayscale8:
      for (int y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < width; ++x) *samples++ = line[x];
      }
      return;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) *samples++ = qRed(line[x]);
      }
      return;
    default:
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) *samples++ = qRed(image.pixel(x, y));
  }
}

}  // namespace

_q_image::_q_image(const _image& image) : QImage(grey_image(image)), kind(0) {}

_q_image::_q_image(const _texture& texture) : QImage(colour_image(texture)), kind(1) {}

_q_image::_q_image(const QImage& image, int kind) : QImage(image), kind(kind) {}

_q_image::~_q_image() = default;

_image& _image::operator=(const _q_image& image) {
  const bool has_pixels = image.width() > 0 && image.height() > 0;
  if (has_pixels) {
    width = static_cast<uint32_t>(image.width());
    height = static_cast<uint32_t>(image.height());
  }
  create(true);
  if (has_pixels) copy_red(image, *this);
  return *this;
}

void resample(const _image& input, float r, _image& out) {
  const float width = static_cast<float>(input.width);
  const float height = static_cast<float>(input.height);
  const QSize size(static_cast<int>(truncate_sample(width * r)),
                   static_cast<int>(truncate_sample(height * r)));
  const QImage scaled = _q_image(input).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  out = _q_image(scaled);
}

void resample(const _rgb_image& input, uint32_t width, uint32_t height, _texture& out) {
  _texture field;
  field.dimensions(height, width);
  field.create();
  if (input.width == width && input.height == height) {
    for (size_t i = 0; i < field.texels.size(); ++i) {
      const uint8_t* p = input.bytes.data() + 3 * i;
      field.texels[i] = _pixel(p[0], p[1], p[2]);
    }
    out = std::move(field);
    return;
  }
  // Wrapped, not copied: the bytes are RGB888 rows as they are.
  const QImage wrapped(input.bytes.data(), static_cast<int>(input.width),
                       static_cast<int>(input.height), qsizetype{3} * input.width,
                       QImage::Format_RGB888);
  const QImage scaled = wrapped
                            .scaled(QSize(static_cast<int>(width), static_cast<int>(height)),
                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
  if (scaled.width() != static_cast<int>(width) || scaled.height() != static_cast<int>(height)) {
    out = std::move(field);  // Qt could not scale it: black, as a missing picture is
    return;
  }
  for (uint32_t y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(scaled.constScanLine(static_cast<int>(y)));
    _pixel* texels = field.texels.data() + size_t{y} * width;
    for (uint32_t x = 0; x < width; ++x)
      texels[x] = _pixel(static_cast<unsigned char>(qRed(line[x])),
                         static_cast<unsigned char>(qGreen(line[x])),
                         static_cast<unsigned char>(qBlue(line[x])));
  }
  out = std::move(field);
}

}  // namespace stippon
