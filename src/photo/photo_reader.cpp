#include "photo/photo_reader.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "files/file_access.h"
#include "photo/colour_profile.h"
#include "photo/photo_grey.h"
#include "photo/photo_jpeg.h"
#include "photo/photo_netpbm.h"
#include "photo/photo_png.h"
#include "photo/photo_qt.h"
#include "photo/photo_tiff.h"

namespace stippon {

namespace {

constexpr uint64_t MAX_PIXELS = uint64_t{PHOTO_MAX_MEGAPIXELS} * 1000000;
constexpr char NOT_A_PICTURE[] = "not a picture Stippon can read";

const _photo_netpbm NETPBM_FORMAT;
const _photo_png PNG_FORMAT;
const _photo_tiff TIFF_FORMAT;
const _photo_jpeg JPEG_FORMAT;
const _photo_qt QT_FORMAT;
// Asked in turn; Qt, which recognises anything, comes last.
const _photo_format* const FORMATS[] = {&NETPBM_FORMAT, &PNG_FORMAT, &TIFF_FORMAT, &JPEG_FORMAT,
                                        &QT_FORMAT};

}  // namespace

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

bool _photo_reader::result(_decode_result decoded, const std::string& file_name) {
  switch (decoded) {
    case _decode_result::read:
      return true;
    case _decode_result::refused:
      return false;  // check_size gave the reason
    case _decode_result::truncated:
      return fail(_photo_failure::truncated, file_name, "truncated");
    case _decode_result::damaged:
      return fail(_photo_failure::damaged, file_name,
                  damage_.empty() ? std::string("damaged") : "damaged: " + damage_);
    default:
      return fail(_photo_failure::not_a_picture, file_name, NOT_A_PICTURE);
  }
}

template <class Decode>
bool _photo_reader::read_file(const std::string& file_name, Decode decode) {
  error_.clear();
  failure_ = _photo_failure::none;
  format_.clear();
  damage_.clear();
  warning_.clear();

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
  // The whole file in memory, mapped where the system allows, read otherwise.
  const qint64 length = file.size();
  QByteArray copy;
  _photo_file bytes{length > 0 ? file.map(0, length) : nullptr,
                    static_cast<size_t>(std::max<qint64>(length, 0))};
  if (bytes.data == nullptr) {
    copy = file.readAll();
    if (file.error() != QFileDevice::NoError)
      return fail(_photo_failure::cannot_open, file_name,
                  "cannot open it (" + file.errorString().toStdString() + ")");
    bytes = {reinterpret_cast<const unsigned char*>(copy.constData()),
             static_cast<size_t>(copy.size())};
  }
  if (bytes.size == 0) return fail(_photo_failure::not_a_picture, file_name, NOT_A_PICTURE);
  return result(decode(bytes), file_name);
}

bool _photo_reader::read(const std::string& file_name, _image& image, int max_size) {
  _rgb_image colour;
  return read(file_name, image, colour, max_size);
}

bool _photo_reader::read(const std::string& file_name, _image& image, _rgb_image& colour,
                         int max_size) {
  const _accept_size accept = [&](uint64_t width, uint64_t height) {
    return check_size(file_name, width, height, max_size);
  };
  return read_file(file_name, [&](const _photo_file& bytes) {
    const _photo_format* format = *std::find_if(std::begin(FORMATS), std::end(FORMATS),
                                                [&](auto f) { return f->recognises(bytes); });
    _decode_notes notes;
    _rgb_image rgb;
    _decode_result decoded = format->read(bytes, accept, image, rgb, notes);
    // The kinds of JPEG and TIFF that libjpeg and libtiff do not read exactly go to Qt.
    if (decoded == _decode_result::other_kind)
      decoded = QT_FORMAT.read(bytes, accept, image, rgb, notes);
    if (decoded == _decode_result::read) {
      manage_colour(notes.profile, file_name, image, rgb);
      colour = std::move(rgb);
    }
    format_ = notes.kind;
    damage_ = notes.detail;
    return decoded;
  });
}

void _photo_reader::manage_colour(const std::vector<uint8_t>& bytes, const std::string& file_name,
                                  _image& image, _rgb_image& colour) {
  const _colour_profile profile(bytes);
  if (profile.malformed())
    warning_ = file_name + ": the colour profile is damaged; the colours are read as sRGB";
  if (!profile.converts()) return;
  const size_t pixels = size_t{image.width} * image.height;
  if (colour.empty()) {  // a grey picture: R = G = B
    colour.width = image.width;
    colour.height = image.height;
    resize_large(colour.bytes, 3 * pixels);
    for (size_t i = 0; i < pixels; ++i)
      std::fill_n(colour.bytes.data() + 3 * i, 3, static_cast<uint8_t>(image.samples[i]));
  }
  profile.to_srgb(colour.bytes.data(), pixels);
  const uint8_t* rgb = colour.bytes.data();
  for (size_t i = 0; i < pixels; ++i, rgb += 3)
    image.samples[i] = static_cast<float>(grey_of(rgb[0], rgb[1], rgb[2]));
}

bool _photo_reader::read_colour(const std::string& file_name, _texture& texture) {
  const _accept_size accept = [&](uint64_t width, uint64_t height) {
    return check_size(file_name, width, height, INT_MAX);
  };
  return read_file(file_name, [&](const _photo_file& bytes) {
    if (!PNG_FORMAT.recognises(bytes)) return _decode_result::not_a_picture;
    const _decode_result decoded = PNG_FORMAT.read_colour(bytes, accept, texture);
    if (decoded == _decode_result::read) format_ = "png";
    return decoded;
  });
}

}  // namespace stippon
