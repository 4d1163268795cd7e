#include "photo/photo_decoders.h"

#include <cstdio>  // before jpeglib.h, which uses FILE

#include <jerror.h>
#include <jpeglib.h>
#include <sys/mman.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "photo/photo_reader.h"

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

// planes[p] is the row of plane p (contiguous files have one plane holding every sample).
void row_to_grey(const layout& l, const uint8_t* const* planes, uint8_t* out) {
  const bool contiguous = l.planar == PLANARCONFIG_CONTIG;
  const auto value = [&](uint32_t x, int s) -> uint32_t {
    return contiguous ? sample(planes[0], uint64_t{x} * l.samples + s, l.bits)
                      : sample(planes[s], x, l.bits);
  };
  const bool white_is_zero = l.photometric == PHOTOMETRIC_MINISWHITE;
  for (uint32_t x = 0; x < l.width; ++x) {
    if (l.photometric == PHOTOMETRIC_PALETTE) {
      const uint32_t index = value(x, 0);
      out[x] = static_cast<uint8_t>(grey_of(l.map[0][index], l.map[1][index], l.map[2][index]));
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
    out[x] = static_cast<uint8_t>(l.colours == 1 ? c8[0] : grey_of(c8[0], c8[1], c8[2]));
  }
}

}  // namespace

_decode_result read_tiff_grey(const unsigned char* data, size_t size,
                              const _accept_size& accept_size, std::vector<uint8_t>& grey,
                              uint32_t& width, uint32_t& height) {
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

  const int planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
  std::vector<uint8_t> picture;
  resize_large(picture, size_t{l.width} * l.height);
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
      row_to_grey(l, rows.data(), picture.data() + size_t{top + r} * l.width);
    }
  }

  if (orientation >= 2 && orientation <= 8) {
    orient_grey(picture, l.width, l.height, orientation, grey);
  } else {
    grey = std::move(picture);
  }
  width = turned ? l.height : l.width;
  height = turned ? l.width : l.height;
  return _decode_result::read;
}

// ---- the Orientation tag ----

void orient_grey(const std::vector<uint8_t>& in, uint32_t w, uint32_t h, int orientation,
                 std::vector<uint8_t>& out) {
  resize_large(out, in.size());
  const bool turned = orientation >= 5 && orientation <= 8;
  const uint32_t ow = turned ? h : w, oh = turned ? w : h;
  for (uint32_t y = 0; y < oh; ++y) {
    uint8_t* line = out.data() + size_t{y} * ow;
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
      line[x] = in[size_t{sy} * w + sx];
    }
  }
}

// ---- JPEG through libjpeg ----

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
  jpeg_read_header(&d.info, TRUE);
  return true;
}

// Decodes every row into `stored` (width x height, top row first). Colour rows are greyed by
// grey_of.
bool jpeg_rows(jpeg_decoder& d, unsigned char* row, uint8_t* stored) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_start_decompress(&d.info);
  const uint32_t width = d.info.output_width;
  const int components = d.info.output_components;
  while (d.info.output_scanline < d.info.output_height) {
    uint8_t* out = stored + size_t{d.info.output_scanline} * width;
    JSAMPROW rows[1] = {components == 1 ? out : row};
    if (jpeg_read_scanlines(&d.info, rows, 1) != 1) return false;
    if (components == 3)
      for (uint32_t x = 0; x < width; ++x)
        out[x] = static_cast<uint8_t>(grey_of(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

}  // namespace

_decode_result read_jpeg_grey(const unsigned char* data, size_t size,
                              const _accept_size& accept_size, std::vector<uint8_t>& grey,
                              uint32_t& width, uint32_t& height) {
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

  std::vector<unsigned char> row(size_t{w} * 3);
  std::vector<uint8_t> stored;
  resize_large(stored, size_t{w} * h);
  if (!jpeg_rows(d, row.data(), stored.data()) || d.info.output_width != w ||
      d.info.output_height != h)
    return d.errors.ended_early ? _decode_result::truncated : _decode_result::damaged;
  if (d.errors.ended_early) return _decode_result::truncated;
  if (orientation > 1)
    orient_grey(stored, w, h, orientation, grey);
  else
    grey = std::move(stored);
  width = turned ? h : w;
  height = turned ? w : h;
  return _decode_result::read;
}

// ---- memory ----

namespace {

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

void resize_large(std::vector<uint8_t>& v, size_t n) {
  resize_with_huge_pages(v, n);
}
void resize_large(std::vector<float>& v, size_t n) {
  resize_with_huge_pages(v, n);
}

}  // namespace stippon
