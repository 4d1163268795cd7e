#include "photo/photo_qt.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdlib>

#include "photo/byte_order.h"
#include "photo/photo_grey.h"
#include "photo/whole_file.h"

namespace stippon {

namespace {

// Qt's own allocation limit, in MiB: the largest picture in the widest format Qt decodes into
// (16 bits by 4 channels), with room for a decoder's line buffers.
constexpr int QT_ALLOCATION_LIMIT_MB =
    static_cast<int>(uint64_t{PHOTO_MAX_MEGAPIXELS} * 1000000 * 8 / (1024 * 1024)) + 256;

// The kinds handed to Qt, by the names its handlers give. Anything else Qt may recognise (icons,
// TGA, XPM, ...) is not a photograph, and TGA's loose test would take random files for pictures.
bool qt_kind_read(const QByteArray& format) {
  for (const char* kind : {"jpeg", "tiff", "webp", "bmp", "gif"})
    if (format == kind) return true;
  return false;
}

// ---- whether the file holds the whole picture ----
// Qt's decoders take a JPEG, BMP or GIF that ends early for a whole picture, the missing part
// painted grey or black; these checks walk the file's structure first. They answer "whole" for
// anything they cannot follow, so that the decoder reports the damage.

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

// The canvas Qt's GIF decoder allocates: the logical screen, or the first frame's extent where
// it reaches further. Qt's size query disbelieves a screen far larger than the frame while its
// decoder keeps it, so a few bytes could otherwise ask for gigabytes before the size is checked.
QSize gif_canvas(const unsigned char* data, size_t size) {
  if (size < 13) return {};
  uint64_t pos = 13;
  if (data[10] & 0x80) pos += 3 * (uint64_t{2} << (data[10] & 7));
  uint32_t width = le16(data + 6), height = le16(data + 8);
  while (pos < size && data[pos] == 0x21) {  // extensions before the first image
    pos += 2;
    while (pos < size && data[pos] != 0) pos += 1 + uint64_t{data[pos]};
    ++pos;
  }
  if (pos + 9 <= size && data[pos] == 0x2c) {
    width = std::max(width, le16(data + pos + 1) + le16(data + pos + 5));
    height = std::max(height, le16(data + pos + 3) + le16(data + pos + 7));
  }
  return QSize(static_cast<int>(width), static_cast<int>(height));
}

bool whole(const QByteArray& format, const unsigned char* data, size_t size) {
  if (format == "jpeg") return jpeg_whole(data, size);
  if (format == "gif") return gif_whole(data, size);
  if (format == "bmp") return bmp_whole(data, size);
  if (format == "webp") return webp_whole(data, size);
  if (format == "tiff") return tiff_whole(data, size);
  return true;
}

}  // namespace

bool _photo_qt::recognises(const _photo_file&) const {
  return true;
}

_decode_result _photo_qt::read(const _photo_file& file, const _accept_size& accept, _image& grey,
                               _rgb_image& colour, _decode_notes& notes) const {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file.data),
                                                   static_cast<qsizetype>(file.size));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  const QByteArray format = reader.format();
  if (!qt_kind_read(format)) return _decode_result::not_a_picture;
  // The size from the header, turned as the orientation turns the picture.
  QSize stored = reader.size();
  if (stored.isValid()) {
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) stored.transpose();
    if (!accept(static_cast<uint64_t>(stored.width()), static_cast<uint64_t>(stored.height())))
      return _decode_result::refused;
  }
  if (format == "gif") {
    const QSize canvas = gif_canvas(file.data, file.size);
    if (!accept(static_cast<uint64_t>(canvas.width()), static_cast<uint64_t>(canvas.height())))
      return _decode_result::refused;
  }
  if (!whole(format, file.data, file.size)) return _decode_result::truncated;
  if (QImageReader::allocationLimit() < QT_ALLOCATION_LIMIT_MB)
    QImageReader::setAllocationLimit(QT_ALLOCATION_LIMIT_MB);

  QImage picture;
  if (!reader.read(&picture) || picture.isNull())
    return reader.error() == QImageReader::UnsupportedFormatError ? _decode_result::not_a_picture
                                                                  : _decode_result::damaged;
  if (!accept(static_cast<uint64_t>(picture.width()), static_cast<uint64_t>(picture.height())))
    return _decode_result::refused;
  if (!photo_to_grey(picture, grey, &colour)) return _decode_result::not_a_picture;
  notes.kind = format.toStdString();
  const QByteArray profile = picture.colorSpace().iccProfile();
  notes.profile.assign(profile.begin(), profile.end());
  return _decode_result::read;
}

}  // namespace stippon
