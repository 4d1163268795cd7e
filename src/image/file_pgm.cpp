#include "image/file_pgm.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/atomic_file.h"
#include "image/file_handle.h"
#include "image/sample_cast.h"

namespace stippon {

namespace {

bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(int c) {
  return c >= '0' && c <= '9';
}

void skip_comment(FILE* file) {
  int c;
  do c = std::getc(file);
  while (c != '\n' && c != EOF);
}

// The rest of the first line for the "unknown file type" message, as a 255-byte line buffer
// would have read it (at most 254 characters, the line break included).
std::string first_line(FILE* file, std::string start) {
  const size_t line_break = start.find('\n');
  if (line_break != std::string::npos) return start.substr(0, line_break + 1);
  int c = 0;
  while (start.size() < 254 && (c = std::getc(file)) != EOF) {
    start.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return start;
}

// One header field: an unsigned decimal number after any white space and '#' comments. The
// character that ends it must be white space (consumed, so after the maximum value the samples
// begin right behind it), a comment or the end of the file.
bool header_field(FILE* file, uint32_t& value) {
  int c = std::getc(file);
  while (is_space(c) || c == '#') {
    if (c == '#') skip_comment(file);
    c = std::getc(file);
  }
  if (!is_digit(c)) return false;
  uint64_t number = 0;
  for (; is_digit(c); c = std::getc(file)) {
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > UINT32_MAX) return false;
  }
  if (c == '#')
    skip_comment(file);
  else if (c != EOF && !is_space(c))
    return false;
  value = static_cast<uint32_t>(number);
  return true;
}

// One plain sample as "%d" reads it: optional sign and digits. Values beyond the int range are
// held at its ends instead of overflowing.
bool ascii_sample(FILE* file, float& value) {
  int c = std::getc(file);
  while (is_space(c)) c = std::getc(file);
  const bool negative = c == '-';
  if (c == '-' || c == '+') c = std::getc(file);
  if (!is_digit(c)) return false;
  int64_t number = 0;
  for (; is_digit(c); c = std::getc(file))
    if (number <= INT32_MAX) number = number * 10 + (c - '0');
  if (c != EOF && !is_space(c)) return false;
  if (number > INT32_MAX) number = INT32_MAX;
  value = static_cast<float>(static_cast<int>(negative ? -number : number));
  return true;
}

// Reads count bytes without trusting the header: the buffer grows with the data actually
// present, so a huge declared size in a tiny file fails before anything large is allocated.
bool read_bytes(FILE* file, uint64_t count, std::vector<unsigned char>& bytes) {
  constexpr uint64_t chunk = uint64_t{1} << 20;
  bytes.clear();
  while (bytes.size() < count) {
    const size_t start = bytes.size();
    const size_t wanted = static_cast<size_t>(std::min(chunk, count - start));
    bytes.resize(start + wanted);
    if (std::fread(bytes.data() + start, 1, wanted, file) != wanted) return false;
  }
  return true;
}

// The file's first row is the top of the picture, which is the image's last row.
template <typename T>
void store_flipped(const std::vector<T>& file_order, uint32_t width, uint32_t height,
                   _image& image) {
  image.width = width;
  image.height = height;
  image.samples.resize(file_order.size());
  for (uint32_t k = 0; k < height; ++k)
    std::copy_n(file_order.begin() + size_t{k} * width, width,
                image.samples.begin() + size_t{height - 1 - k} * width);
}

bool read_binary(FILE* file, uint32_t width, uint32_t height, _image& image) {
  std::vector<unsigned char> bytes;
  if (!read_bytes(file, uint64_t{width} * height, bytes)) {
    std::fprintf(stderr, "Error during reading BINARY PGM Input file\n");
    return false;
  }
  store_flipped(bytes, width, height, image);
  return true;
}

bool read_ascii(FILE* file, uint32_t width, uint32_t height, _image& image) {
  std::vector<float> values;
  for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
    float value;
    if (!ascii_sample(file, value)) {
      std::fprintf(stderr, "Error during reading ASCII PGM Input file\n");
      return false;
    }
    values.push_back(value);
  }
  store_flipped(values, width, height, image);
  return true;
}

}  // namespace

int _file_pgm::read(std::string file_name, _image& image, int max_size) {
  file_handle file(std::fopen(file_name.c_str(), "rb"));
  if (!file) {
    std::printf("Error: Cannot open image file %s\n", file_name.c_str());
    return 0;
  }
  std::string magic;
  for (int i = 0; i < 3; ++i) {
    const int c = std::getc(file.get());
    if (c == EOF) break;
    magic.push_back(static_cast<char>(c));
  }
  const bool binary = magic.starts_with("P5");
  const bool separated = magic.size() < 3 || is_space(magic[2]) || magic[2] == '#';
  if ((!binary && !magic.starts_with("P2")) || !separated) {
    std::printf("read_PGM: unknown file type %s\n", first_line(file.get(), magic).c_str());
    return 0;
  }
  if (magic.size() == 3 && magic[2] == '#') skip_comment(file.get());

  uint32_t width = 0, height = 0, max_value = 0;
  if (magic.size() < 3 || !header_field(file.get(), width) || !header_field(file.get(), height)) {
    std::fprintf(stderr, "read_PGM: incomplete or malformed header in %s\n", file_name.c_str());
    return 0;
  }
  if (width == 0 || height == 0) {
    std::fprintf(stderr, "read_PGM: %s declares an empty image (%u x %u)\n", file_name.c_str(),
                 width, height);
    return 0;
  }
  if (width > static_cast<unsigned>(max_size) || height > static_cast<unsigned>(max_size)) {
    std::fprintf(stderr,
                 "The size is greather than the maximum texture size supported with this "
                 "card=%d pixels\n",
                 max_size);
    if (on_oversize) on_oversize(max_size);
    return 0;
  }
  if (!header_field(file.get(), max_value)) {
    std::fprintf(stderr, "read_PGM: incomplete or malformed header in %s\n", file_name.c_str());
    return 0;
  }
  if (max_value == 0 || max_value > 255) {
    std::fprintf(stderr, "read_PGM: %s has the maximum value %u; only 8-bit images are read\n",
                 file_name.c_str(), max_value);
    return 0;
  }

  // Read into a scratch raster so that a failure leaves the caller's image untouched.
  _image loaded;
  if (!(binary ? read_binary(file.get(), width, height, loaded)
               : read_ascii(file.get(), width, height, loaded)))
    return 0;
  image = std::move(loaded);
  return 1;
}

int _file_pgm::write(std::string file_name, const _image& image) {
  const size_t width = image.width;
  const size_t height = image.height;
  if (image.samples.size() < width * height) {
    std::fprintf(stderr, "write_PGM: the image holds fewer samples than its size\n");
    return 0;
  }
  _atomic_file output(file_name);
  FILE* file = output.stream();
  if (file == nullptr) {
    std::fprintf(stderr, "Error: Cannot create image file %s\n", file_name.c_str());
    return 0;
  }
  std::fprintf(file, "P5\n%u %u\n%d\n", image.width, image.height, 255);
  std::vector<unsigned char> bytes(width);
  for (size_t n = 0; n < height; ++n) {
    if (on_progress && !on_progress(static_cast<unsigned>(n), image.height)) return 0;
    const float* row = image.samples.data() + (height - 1 - n) * width;
    for (size_t column = 0; column < width; ++column) bytes[column] = low_byte(row[column]);
    if (std::fwrite(bytes.data(), 1, width, file) != width) break;
  }
  if (on_progress) on_progress(image.height, image.height);
  if (!output.commit()) {
    std::fprintf(stderr, "Error: Cannot write image file %s\n", file_name.c_str());
    return 0;
  }
  std::printf("File written.\n");
  return 1;
}

}  // namespace stippon
