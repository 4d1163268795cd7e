#include "photo/photo_tiff.h"
#include "photo/whole_file.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "photo/byte_order.h"
#include "photo/photo_grey.h"

namespace stippon {

namespace {

// ---- libtiff reading from memory, quietly ----

struct memory_file {
  const unsigned char* data;
  size_t size;
  uint64_t pos;
};

tmsize_t read_proc(thandle_t handle, void* out, tmsize_t count) {
  auto* file = static_cast<memory_file*>(handle);
  if (count <= 0 || file->pos >= file->size) return 0;
  const size_t n = std::min<uint64_t>(static_cast<uint64_t>(count), file->size - file->pos);
  std::memcpy(out, file->data + file->pos, n);
  file->pos += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t write_proc(thandle_t, void*, tmsize_t) {
  return 0;
}
toff_t seek_proc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<memory_file*>(handle);
  const uint64_t base = whence == SEEK_CUR ? file->pos : whence == SEEK_END ? file->size : 0;
  file->pos = base + offset;
  return file->pos;
}
int close_proc(thandle_t) {
  return 0;
}
toff_t size_proc(thandle_t handle) {
  return static_cast<memory_file*>(handle)->size;
}
int map_proc(thandle_t handle, void** base, toff_t* size) {
  auto* file = static_cast<memory_file*>(handle);
  *base = const_cast<unsigned char*>(file->data);  // read-only: libtiff reads mapped data
  *size = file->size;
  return 1;
}
void unmap_proc(thandle_t, void*, toff_t) {}
int quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;  // handled: nothing is printed
}

struct tiff_closer {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// ---- one row of samples to grey ----

struct layout {
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
  int colours = 1;  // 1 (grey, palette) or 3 (RGB)
  int alpha = -1;   // the alpha sample's index, or -1
  bool associated = false;
  uint32_t maxval = 1;
  std::vector<uint8_t> depth;               // sample value -> 8 bits
  std::array<std::vector<uint8_t>, 3> map;  // palette index -> 8-bit R, G, B
};

// The value of sample i of a packed row of `bits` bits a sample (16-bit samples in the
// machine's order, as libtiff hands them).
inline uint32_t sample(const uint8_t* row, uint64_t i, int bits) {
  switch (bits) {
    case 8:
      return row[i];
    case 16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * i, 2);
      return v;
    }
    default: {
      const uint64_t bit = i * static_cast<uint64_t>(bits);
      return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    }
  }
}

// planes[p] is the row of plane p (contiguous files have one plane holding every sample). Out
// takes a byte a pixel for grey pictures, RGB for colour and palette ones.
void row_to_picture(const layout& l, const uint8_t* const* planes, uint8_t* out) {
  const bool contiguous = l.planar == PLANARCONFIG_CONTIG;
  const auto value = [&](uint32_t x, int s) -> uint32_t {
    return contiguous ? sample(planes[0], uint64_t{x} * l.samples + s, l.bits)
                      : sample(planes[s], x, l.bits);
  };
  const bool white_is_zero = l.photometric == PHOTOMETRIC_MINISWHITE;
  for (uint32_t x = 0; x < l.width; ++x) {
    if (l.photometric == PHOTOMETRIC_PALETTE) {
      const uint32_t index = value(x, 0);
      for (int c = 0; c < 3; ++c) out[3 * x + c] = l.map[c][index];
      continue;
    }
    uint32_t c[3];
    for (int s = 0; s < l.colours; ++s) {
      c[s] = value(x, s);
      if (white_is_zero) c[s] = l.maxval - c[s];
    }
    unsigned c8[3];
    if (l.alpha < 0) {
      for (int s = 0; s < l.colours; ++s) c8[s] = l.depth[c[s]];
    } else if (l.associated) {
      // Premultiplied: over white it is c + (max - a), in the file's own depth.
      const uint32_t a = value(x, l.alpha);
      for (int s = 0; s < l.colours; ++s)
        c8[s] = l.depth[std::min(l.maxval, c[s] + l.maxval - std::min(a, l.maxval))];
    } else {
      const unsigned a = l.depth[value(x, l.alpha)];
      for (int s = 0; s < l.colours; ++s) c8[s] = over_white(l.depth[c[s]], a);
    }
    if (l.colours == 1)
      out[x] = static_cast<uint8_t>(c8[0]);
    else
      for (int c = 0; c < 3; ++c) out[3 * x + c] = static_cast<uint8_t>(c8[c]);
  }
}

// The first page as 8-bit grey or RGB (`channels` 1 or 3), top row first, turned by its
// orientation, and its ICC profile.
_decode_result read_tiff(const unsigned char* data, size_t size, const _accept_size& accept_size,
                         std::vector<uint8_t>& shown, uint32_t& width, uint32_t& height,
                         int& channels, std::vector<uint8_t>& profile) {
  memory_file file{data, size, 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  std::unique_ptr<TIFF, tiff_closer> tiff(
      TIFFClientOpenExt("photo", "r", &file, read_proc, write_proc, seek_proc, close_proc,
                        size_proc, map_proc, unmap_proc, options));
  TIFFOpenOptionsFree(options);
  if (!tiff) return _decode_result::damaged;
  TIFF* t = tiff.get();

  layout l;
  uint16_t format = SAMPLEFORMAT_UINT, orientation = ORIENTATION_TOPLEFT;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &l.width) ||
      !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &l.height) || l.width == 0 || l.height == 0)
    return _decode_result::damaged;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &l.planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orientation);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &l.photometric)) return _decode_result::other_kind;
  if (format != SAMPLEFORMAT_UINT || l.samples == 0) return _decode_result::other_kind;
  if (l.bits != 1 && l.bits != 2 && l.bits != 4 && l.bits != 8 && l.bits != 16)
    return _decode_result::other_kind;
  switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      l.colours = 1;
      break;
    case PHOTOMETRIC_RGB:
      l.colours = 3;
      break;
    case PHOTOMETRIC_PALETTE:
      l.colours = 1;
      break;
    default:
      return _decode_result::other_kind;
  }
  if (l.samples < l.colours) return _decode_result::other_kind;
  l.maxval = (1u << l.bits) - 1;
  if (l.photometric != PHOTOMETRIC_PALETTE && l.samples > l.colours) {
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count > 0 &&
        (kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA)) {
      l.alpha = l.colours;
      l.associated = kinds[0] == EXTRASAMPLE_ASSOCALPHA;
    }
  }
  l.depth.resize(size_t{l.maxval} + 1);
  for (uint32_t v = 0; v <= l.maxval; ++v)
    l.depth[v] = static_cast<uint8_t>(to_8_bits(v, l.maxval));
  if (l.photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b)) return _decode_result::damaged;
    const size_t entries = size_t{1} << l.bits;
    // Old writers put 8-bit values in the 16-bit map; then every entry is below 256.
    bool eight_bit = true;
    for (size_t i = 0; i < entries; ++i)
      eight_bit = eight_bit && r[i] < 256 && g[i] < 256 && b[i] < 256;
    const uint16_t* channels[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
      l.map[c].resize(entries);
      for (size_t i = 0; i < entries; ++i)
        l.map[c][i] =
            static_cast<uint8_t>(eight_bit ? channels[c][i] : to_8_bits(channels[c][i], 65535));
    }
  }

  const bool turned = orientation >= 5 && orientation <= 8;
  if (!accept_size(turned ? l.height : l.width, turned ? l.width : l.height))
    return _decode_result::refused;

  uint32_t profile_length = 0;
  const void* profile_data = nullptr;
  if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &profile_length, &profile_data) &&
      profile_data != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(profile_data);
    profile.assign(bytes, bytes + profile_length);
  }
  channels = l.colours == 3 || l.photometric == PHOTOMETRIC_PALETTE ? 3 : 1;
  const int planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
  std::vector<uint8_t> picture;
  resize_large(picture, size_t{l.width} * l.height * static_cast<size_t>(channels));
  // Rows come in bands: a strip, or a row of tiles. band[p] holds the band's rows of plane p.
  const bool tiled = TIFFIsTiled(t);
  uint32_t band_rows = 0, tile_width = 0;
  if (tiled) {
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tile_width);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &band_rows);
    if (tile_width == 0 || band_rows == 0) return _decode_result::damaged;
  } else {
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &band_rows);
    band_rows = std::min(std::max(band_rows, 1u), l.height);
  }
  const uint64_t samples_in_row = uint64_t{l.width} * (planes == 1 ? l.samples : 1);
  const uint64_t row_bytes = (samples_in_row * l.bits + 7) / 8;
  std::vector<std::vector<uint8_t>> band(static_cast<size_t>(planes),
                                         std::vector<uint8_t>(row_bytes * band_rows));
  std::vector<uint8_t> tile;
  uint64_t tile_row_bytes = 0;
  if (tiled) {
    tile.resize(static_cast<size_t>(TIFFTileSize(t)));
    tile_row_bytes = static_cast<uint64_t>(TIFFTileRowSize(t));
    if (tile.empty() || tile_row_bytes == 0) return _decode_result::damaged;
  }
  std::vector<const uint8_t*> rows(static_cast<size_t>(planes));
  for (uint32_t top = 0; top < l.height; top += band_rows) {
    const uint32_t count = std::min(band_rows, l.height - top);
    for (int p = 0; p < planes; ++p) {
      if (!tiled) {
        const uint32_t strip = TIFFComputeStrip(t, top, static_cast<uint16_t>(p));
        if (TIFFReadEncodedStrip(t, strip, band[p].data(),
                                 static_cast<tmsize_t>(row_bytes * count)) < 0)
          return _decode_result::damaged;
        continue;
      }
      for (uint32_t left = 0; left < l.width; left += tile_width) {
        if (TIFFReadTile(t, tile.data(), left, top, 0, static_cast<uint16_t>(p)) < 0)
          return _decode_result::damaged;
        // The tile's columns [left, left + tile_width) within the band's rows; tile rows are
        // whole bytes, and tiles begin on whole bytes for the widths libtiff allows (x16).
        const uint64_t offset = (uint64_t{left} * (planes == 1 ? l.samples : 1) * l.bits) / 8;
        const uint64_t bytes = std::min(tile_row_bytes, row_bytes - offset);
        for (uint32_t r = 0; r < count; ++r)
          std::memcpy(band[p].data() + r * row_bytes + offset, tile.data() + r * tile_row_bytes,
                      bytes);
      }
    }
    for (uint32_t r = 0; r < count; ++r) {
      for (int p = 0; p < planes; ++p) rows[p] = band[p].data() + r * row_bytes;
      row_to_picture(l, rows.data(),
                     picture.data() + size_t{top + r} * l.width * static_cast<size_t>(channels));
    }
  }

  if (orientation >= 2 && orientation <= 8) {
    orient_picture(picture, l.width, l.height, orientation, channels, shown);
  } else {
    shown = std::move(picture);
  }
  width = turned ? l.height : l.width;
  height = turned ? l.width : l.height;
  return _decode_result::read;
}

}  // namespace

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

bool _photo_tiff::recognises(const _photo_file& file) const {
  return file.size >= 4 &&
         (std::memcmp(file.data, "II*\0", 4) == 0 || std::memcmp(file.data, "MM\0*", 4) == 0);
}

// The size first, from the first directory; then whether the file holds the strips or tiles.
_decode_result _photo_tiff::read(const _photo_file& file, const _accept_size& accept, _image& grey,
                                 _rgb_image& colour, _decode_notes& notes) const {
  std::vector<uint8_t> picture;
  uint32_t width = 0, height = 0;
  int channels = 1;
  const bool whole = tiff_whole(file.data, file.size);
  bool cut = false;
  const auto accept_whole = [&](uint64_t w, uint64_t h) {
    if (!accept(w, h)) return false;
    cut = !whole;
    return whole;
  };
  switch (read_tiff(file.data, file.size, accept_whole, picture, width, height, channels,
                    notes.profile)) {
    case _decode_result::read:
      break;
    case _decode_result::refused:
      return cut ? _decode_result::truncated : _decode_result::refused;
    case _decode_result::truncated:
      return _decode_result::truncated;
    case _decode_result::other_kind:
      return whole ? _decode_result::other_kind : _decode_result::truncated;
    default:
      return whole ? _decode_result::damaged : _decode_result::truncated;
  }
  if (channels == 3)
    store_colour(picture, width, height, grey, colour);
  else
    store_grey(picture, width, height, grey);
  notes.kind = "tiff";
  return _decode_result::read;
}

}  // namespace stippon
