#include "photo/photo_jpeg.h"
#include "photo/whole_file.h"

#include <cstdio>  // before jpeglib.h, which uses FILE

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "photo/byte_order.h"
#include "photo/photo_grey.h"

namespace stippon {

namespace {

struct jpeg_errors {
  jpeg_error_mgr manager;  // first: libjpeg's callbacks get a pointer to it
  std::jmp_buf jump;
  bool ended_early = false;
};

void jpeg_fail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<jpeg_errors*>(info->err)->jump, 1);
}
// Warnings are dropped (the core prints nothing) except that the data ended early.
void jpeg_note(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<jpeg_errors*>(info->err);
  if (level < 0 && errors->manager.msg_code == JWRN_JPEG_EOF) errors->ended_early = true;
}
void jpeg_quiet(j_common_ptr) {}

struct jpeg_decoder {
  jpeg_decompress_struct info{};
  jpeg_errors errors;
  jpeg_decoder() {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpeg_fail;
    errors.manager.emit_message = jpeg_note;
    errors.manager.output_message = jpeg_quiet;
    jpeg_create_decompress(&info);
  }
  jpeg_decoder(const jpeg_decoder&) = delete;
  jpeg_decoder& operator=(const jpeg_decoder&) = delete;
  ~jpeg_decoder() { jpeg_destroy_decompress(&info); }
};

// The EXIF orientation (tag 0x112 of the first directory of an APP1 "Exif" block), or 1.
int exif_orientation(j_decompress_ptr info) {
  for (jpeg_saved_marker_ptr m = info->marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < 14 ||
        std::memcmp(m->data, "Exif\0\0", 6) != 0)
      continue;
    const unsigned char* tiff = m->data + 6;
    const uint64_t size = m->data_length - 6;
    const bool little = tiff[0] == 'I';
    const auto u16 = [&](uint64_t at) -> uint32_t {
      return little ? uint32_t{tiff[at + 1]} << 8 | tiff[at]
                    : uint32_t{tiff[at]} << 8 | tiff[at + 1];
    };
    const auto u32 = [&](uint64_t at) -> uint64_t {
      return little ? u16(at + 2) << 16 | u16(at) : u16(at) << 16 | u16(at + 2);
    };
    const uint64_t directory = u32(4);
    if (directory + 2 > size) return 1;
    const uint64_t entries = u16(directory);
    for (uint64_t i = 0; i < entries && directory + 2 + i * 12 + 12 <= size; ++i) {
      const uint64_t entry = directory + 2 + i * 12;
      if (u16(entry) == 0x112) {
        const uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
      }
    }
    return 1;
  }
  return 1;
}

bool jpeg_header(jpeg_decoder& d, const unsigned char* data, size_t size) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xffff);
  jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xffff);  // the ICC profile, in pieces
  jpeg_read_header(&d.info, TRUE);
  return true;
}

// Decodes every row into `stored` (width x height x components, top row first).
bool jpeg_rows(jpeg_decoder& d, uint8_t* stored) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_start_decompress(&d.info);
  const size_t row_bytes = size_t{d.info.output_width} * d.info.output_components;
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW rows[1] = {stored + d.info.output_scanline * row_bytes};
    if (jpeg_read_scanlines(&d.info, rows, 1) != 1) return false;
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

// The ICC profile the APP2 markers hold in sequence, or none (also when the pieces do not fit).
bool read_icc(jpeg_decoder& d, JOCTET** data, unsigned int* length) {
  if (setjmp(d.errors.jump)) return false;
  return jpeg_read_icc_profile(&d.info, data, length);
}
std::vector<uint8_t> icc_profile(jpeg_decoder& d) {
  JOCTET* data = nullptr;
  unsigned int length = 0;
  std::vector<uint8_t> profile;
  if (read_icc(d, &data, &length) && data != nullptr) profile.assign(data, data + length);
  std::free(data);
  return profile;
}

// The picture as 8-bit grey or RGB (`channels` 1 or 3), top row first, turned by its EXIF
// orientation, and its ICC profile.
_decode_result read_jpeg(const unsigned char* data, size_t size, const _accept_size& accept_size,
                         std::vector<uint8_t>& picture, uint32_t& width, uint32_t& height,
                         int& channels, std::vector<uint8_t>& profile) {
  jpeg_decoder d;
  if (!jpeg_header(d, data, size))
    return d.errors.ended_early ? _decode_result::truncated : _decode_result::damaged;
  switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      d.info.out_color_space = JCS_RGB;
      break;
    default:
      return _decode_result::other_kind;  // CMYK, YCCK
  }
  const int orientation = exif_orientation(&d.info);
  const bool turned = orientation >= 5;
  const uint32_t w = d.info.image_width, h = d.info.image_height;
  if (w == 0 || h == 0) return _decode_result::damaged;
  if (!accept_size(turned ? h : w, turned ? w : h)) return _decode_result::refused;

  channels = d.info.out_color_space == JCS_RGB ? 3 : 1;
  profile = icc_profile(d);
  std::vector<uint8_t> stored;
  resize_large(stored, size_t{w} * h * static_cast<size_t>(channels));
  if (!jpeg_rows(d, stored.data()) || d.info.output_width != w || d.info.output_height != h)
    return d.errors.ended_early ? _decode_result::truncated : _decode_result::damaged;
  if (d.errors.ended_early) return _decode_result::truncated;
  if (orientation > 1)
    orient_picture(stored, w, h, orientation, channels, picture);
  else
    picture = std::move(stored);
  width = turned ? h : w;
  height = turned ? w : h;
  return _decode_result::read;
}

}  // namespace

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

bool _photo_jpeg::recognises(const _photo_file& file) const {
  return file.size >= 3 && file.data[0] == 0xff && file.data[1] == 0xd8 && file.data[2] == 0xff;
}

_decode_result _photo_jpeg::read(const _photo_file& file, const _accept_size& accept, _image& grey,
                                 _rgb_image& colour, _decode_notes& notes) const {
  std::vector<uint8_t> picture;
  uint32_t width = 0, height = 0;
  int channels = 1;
  const _decode_result result =
      read_jpeg(file.data, file.size, accept, picture, width, height, channels, notes.profile);
  if (result != _decode_result::read) return result;
  if (channels == 3)
    store_colour(picture, width, height, grey, colour);
  else
    store_grey(picture, width, height, grey);
  notes.kind = "jpeg";
  return result;
}

}  // namespace stippon
