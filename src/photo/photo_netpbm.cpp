#include "photo/photo_netpbm.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "photo/byte_order.h"
#include "photo/photo_grey.h"

namespace stippon {

namespace {

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

// A plain sample: optional sign, digits, then white space or the end.
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

bool _photo_netpbm::recognises(const _photo_file& file) const {
  return file.size >= 2 && file.data[0] == 'P' && file.data[1] >= '1' && file.data[1] <= '6';
}

_decode_result _photo_netpbm::read(const _photo_file& file, const _accept_size& accept,
                                   _image& grey, _rgb_image& colour_out,
                                   _decode_notes& notes) const {
  const unsigned char* data = file.data;
  const size_t size = file.size;
  const char type = static_cast<char>(data[1]);
  const bool bits = type == '1' || type == '4';
  const bool colour = type == '3' || type == '6';
  const bool raw = type >= '4';
  netpbm_cursor in{data, size, 2};
  const auto header_end = [](parsed p) {
    return p == parsed::ended ? _decode_result::truncated : _decode_result::damaged;
  };
  // The magic number stands alone: white space or a comment follows it.
  if (size == 2) return header_end(parsed::ended);
  if (!is_space(data[2]) && data[2] != '#') return _decode_result::not_a_picture;

  uint32_t width = 0, height = 0, maxval = 1;
  for (uint32_t* field : {&width, &height}) {
    const parsed p = header_field(in, *field);
    if (p != parsed::ok) return header_end(p);
  }
  if (!bits) {
    const parsed p = header_field(in, maxval);
    if (p != parsed::ok) return header_end(p);
  }
  if (width == 0 || height == 0 || maxval == 0 || maxval > 65535) return _decode_result::damaged;
  if (!accept(width, height)) return _decode_result::refused;

  // Enough bytes for every sample before anything is allocated: raw samples have a fixed size,
  // plain ones take at least a byte each.
  const uint64_t channels = colour ? 3 : 1;
  const uint64_t sample_bytes = maxval > 255 ? 2 : 1;
  const uint64_t row_bytes = bits ? (uint64_t{width} + 7) / 8 : width * channels * sample_bytes;
  const uint64_t needed = raw ? row_bytes * height : uint64_t{width} * height * channels;
  if (in.left() < needed) return _decode_result::truncated;

  // Each value of the file's depth brought to 8 bits once, rather than a division a sample.
  std::vector<uint8_t> depth(size_t{maxval} + 1);
  for (uint32_t v = 0; v <= maxval; ++v) depth[v] = static_cast<uint8_t>(to_8_bits(v, maxval));
  _image loaded;
  loaded.width = width;
  loaded.height = height;
  resize_large(loaded.samples, size_t{width} * height);
  _rgb_image rgb;
  if (colour) {
    rgb.width = width;
    rgb.height = height;
    resize_large(rgb.bytes, size_t{3} * width * height);
  }
  std::vector<uint32_t> values(width * channels);
  // Where a person reading the file finds the sample: rows and columns from 1 at its top left.
  const auto outside = [&](int64_t value, uint32_t y, size_t i) {
    notes.detail = "the sample " + std::to_string(value) + " at row " + std::to_string(y + 1) +
                   ", column " + std::to_string(i / channels + 1) + " is outside 0.." +
                   std::to_string(maxval);
    return _decode_result::damaged;
  };
  for (uint32_t y = 0; y < height; ++y) {
    // One row of samples, in file order.
    if (type == '4') {
      const unsigned char* row = data + in.pos + y * row_bytes;
      for (uint32_t x = 0; x < width; ++x) values[x] = (row[x / 8] >> (7 - x % 8)) & 1;
    } else if (type == '1') {
      for (uint32_t x = 0; x < width; ++x) {
        int c = in.get();
        while (is_space(c) || c == '#') {
          if (c == '#') in.skip_comment();
          c = in.get();
        }
        if (c == EOF) return _decode_result::truncated;
        if (c != '0' && c != '1') return _decode_result::damaged;
        values[x] = static_cast<uint32_t>(c - '0');
      }
    } else if (raw) {
      const unsigned char* row = data + in.pos + y * row_bytes;
      for (size_t i = 0; i < values.size(); ++i)
        values[i] = sample_bytes == 2 ? be16(row + 2 * i) : row[i];
    } else {
      for (size_t i = 0; i < values.size(); ++i) {
        int64_t v;
        const parsed p = plain_sample(in, v);
        if (p != parsed::ok) return header_end(p);
        if (v < 0 || v > maxval) return outside(v, y, i);
        values[i] = static_cast<uint32_t>(v);
      }
    }
    float* out = loaded.samples.data() + size_t{height - 1 - y} * width;
    if (bits) {
      for (uint32_t x = 0; x < width; ++x) out[x] = values[x] ? 0.0f : 255.0f;  // 1 is black
      continue;
    }
    for (size_t i = 0; i < values.size(); ++i)
      if (values[i] > maxval) return outside(values[i], y, i);
    if (colour) {
      uint8_t* rgb_out = rgb.bytes.data() + size_t{height - 1 - y} * width * 3;
      for (size_t i = 0; i < values.size(); ++i) rgb_out[i] = depth[values[i]];
      for (uint32_t x = 0; x < width; ++x)
        out[x] =
            static_cast<float>(grey_of(rgb_out[3 * x], rgb_out[3 * x + 1], rgb_out[3 * x + 2]));
    } else {
      for (uint32_t x = 0; x < width; ++x) out[x] = depth[values[x]];
    }
  }
  grey = std::move(loaded);
  colour_out = std::move(rgb);
  notes.kind = bits ? "pbm" : colour ? "ppm" : "pgm";
  return _decode_result::read;
}

}  // namespace stippon
