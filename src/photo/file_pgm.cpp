#include "photo/file_pgm.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "files/atomic_file.h"
#include "files/file_access.h"
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

// The reasons of failures that are no system error.
constexpr char NOT_PGM[] = "is not a PGM file";
constexpr char BAD_HEADER[] = "has an incomplete or malformed header";
constexpr char SHORT_DATA[] = "ends before the last sample its header declares";
// Plain samples longer than this are shown cut short in a message.
constexpr size_t TOKEN_SHOWN = 24;

// One plain sample as "%d" reads it: optional sign and digits. The value is held at +-2^40
// rather than overflowing, far outside any maximum value; `token` keeps the start of the text for
// a message.
enum class sample_read { ok, not_a_number, end_of_file };
sample_read ascii_sample(FILE* file, int64_t& value, std::string& token) {
  constexpr int64_t held = int64_t{1} << 40;
  token.clear();
  int c = std::getc(file);
  while (is_space(c)) c = std::getc(file);
  if (c == EOF) return sample_read::end_of_file;
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    token.push_back(static_cast<char>(c));
    c = std::getc(file);
  }
  if (!is_digit(c)) return sample_read::not_a_number;
  int64_t number = 0;
  bool cut = false;
  for (; is_digit(c); c = std::getc(file)) {
    if (number < held) number = number * 10 + (c - '0');
    cut = cut || token.size() == TOKEN_SHOWN;
    if (!cut) token.push_back(static_cast<char>(c));
  }
  if (cut) token += "...";
  if (c != EOF && !is_space(c)) return sample_read::not_a_number;
  value = negative ? -number : number;
  return sample_read::ok;
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

// Where a sample lies for a person reading the file: rows and columns counted from 1 at its top
// left.
std::string position(uint64_t index, uint32_t width) {
  return "row " + std::to_string(index / width + 1) + ", column " +
         std::to_string(index % width + 1);
}

// The reason a stream stopped short: a read error, or simply its end.
std::string short_read(FILE* file) {
  return std::ferror(file) ? system_reason(errno) : SHORT_DATA;
}

}  // namespace

int _file_pgm::refuse(std::string reason) {
  error = std::move(reason);
  return 0;
}

int _file_pgm::open_and_read_header(const std::string& file_name, file_handle& file,
                                    header_fields& fields, uint64_t max_size) {
  const char* name = file_name.c_str();
  std::string reason;
  file = open_input(file_name, reason);
  if (!file && reason == IS_A_FOLDER) {
    std::fprintf(stderr, "read_PGM: %s is a folder\n", name);
    return refuse(reason);
  }
  if (!file) {
    std::printf("Error: Cannot open image file %s\n", name);
    return refuse(reason);
  }
  std::string magic;
  for (int i = 0; i < 3; ++i) {
    const int c = std::getc(file.get());
    if (c == EOF) break;
    magic.push_back(static_cast<char>(c));
  }
  fields.binary = magic.starts_with("P5");
  const bool separated = magic.size() < 3 || is_space(magic[2]) || magic[2] == '#';
  if ((!fields.binary && !magic.starts_with("P2")) || !separated) {
    std::printf("read_PGM: unknown file type %s\n", first_line(file.get(), magic).c_str());
    return refuse(NOT_PGM);
  }
  if (magic.size() == 3 && magic[2] == '#') skip_comment(file.get());

  if (magic.size() < 3 || !header_field(file.get(), fields.width) ||
      !header_field(file.get(), fields.height)) {
    std::fprintf(stderr, "read_PGM: incomplete or malformed header in %s\n", name);
    return refuse(BAD_HEADER);
  }
  const std::string size = std::to_string(fields.width) + " x " + std::to_string(fields.height);
  if (fields.width == 0 || fields.height == 0) {
    std::fprintf(stderr, "read_PGM: %s declares an empty image (%s)\n", name, size.c_str());
    return refuse("declares an empty image (" + size + ")");
  }
  if (fields.width > max_size || fields.height > max_size) {
    std::fprintf(stderr,
                 "The size is greater than the maximum texture size supported with this "
                 "card=%llu pixels\n",
                 static_cast<unsigned long long>(max_size));
    if (on_oversize) on_oversize(static_cast<int>(max_size));
    return refuse("is " + size + " pixels, beyond the largest edge of " + std::to_string(max_size));
  }
  if (!header_field(file.get(), fields.max_value)) {
    std::fprintf(stderr, "read_PGM: incomplete or malformed header in %s\n", name);
    return refuse(BAD_HEADER);
  }
  if (fields.max_value == 0 || fields.max_value > 255) {
    std::fprintf(stderr, "read_PGM: %s has the maximum value %u; only 8-bit images are read\n",
                 name, fields.max_value);
    return refuse("has the maximum value " + std::to_string(fields.max_value) +
                  "; only 8-bit images are read");
  }
  return 1;
}

bool _file_pgm::read_raw(FILE* file, const header_fields& fields, _image& image, sample_text& bad) {
  std::vector<unsigned char> bytes;
  if (!read_bytes(file, uint64_t{fields.width} * fields.height, bytes)) {
    std::fprintf(stderr, "Error during reading BINARY PGM Input file\n");
    return refuse(short_read(file));
  }
  // Only below 255 can a byte exceed the maximum value: the common file skips the scan.
  const auto above = fields.max_value >= 255
                         ? bytes.end()
                         : std::find_if(bytes.begin(), bytes.end(),
                                        [&](unsigned char b) { return b > fields.max_value; });
  if (above != bytes.end()) {
    bad = {std::to_string(*above), static_cast<uint64_t>(above - bytes.begin())};
    return true;
  }
  store_flipped(bytes, fields.width, fields.height, image);
  return true;
}

bool _file_pgm::read_plain(FILE* file, const header_fields& fields, _image& image,
                           sample_text& bad) {
  const uint64_t count = uint64_t{fields.width} * fields.height;
  std::vector<float> values;
  std::string token;
  for (uint64_t i = 0; i < count; ++i) {
    int64_t value = 0;
    const sample_read outcome = ascii_sample(file, value, token);
    if (outcome != sample_read::ok) {
      std::fprintf(stderr, "Error during reading ASCII PGM Input file\n");
      return refuse(outcome == sample_read::end_of_file
                        ? short_read(file)
                        : "has a sample that is not a number at " + position(i, fields.width));
    }
    if (value < 0 || value > fields.max_value) {
      bad = {token, i};
      return true;
    }
    values.push_back(static_cast<float>(value));
  }
  store_flipped(values, fields.width, fields.height, image);
  return true;
}

bool _file_pgm::read_samples(FILE* file, const std::string& file_name, const header_fields& fields,
                             _image& image) {
  sample_text bad;
  if (!(fields.binary ? read_raw(file, fields, image, bad) : read_plain(file, fields, image, bad)))
    return false;
  if (bad.text.empty()) return true;
  error = "has the sample " + bad.text + " at " + position(bad.index, fields.width) +
          ", outside 0.." + std::to_string(fields.max_value);
  std::fprintf(stderr, "read_PGM: %s %s\n", file_name.c_str(), error.c_str());
  return false;
}

int _file_pgm::read(std::string file_name, _image& image, int max_size) {
  error.clear();
  file_handle file;
  header_fields fields;
  if (!open_and_read_header(file_name, file, fields, static_cast<unsigned>(max_size))) return 0;
  if (on_header) {
    std::string refusal = on_header(fields.width, fields.height);
    if (!refusal.empty()) return refuse(std::move(refusal));
  }
  // Read into a scratch raster so that a failure leaves the caller's image untouched.
  _image loaded;
  if (!read_samples(file.get(), file_name, fields, loaded)) return 0;
  image = std::move(loaded);
  return 1;
}

int _file_pgm::read_header(std::string file_name, unsigned& width, unsigned& height) {
  error.clear();
  file_handle file;
  header_fields fields;
  if (!open_and_read_header(file_name, file, fields, UINT32_MAX)) return 0;
  width = fields.width;
  height = fields.height;
  return 1;
}

int _file_pgm::write(std::string file_name, const _image& image) {
  error.clear();
  const size_t width = image.width;
  const size_t height = image.height;
  if (image.samples.size() < width * height) {
    std::fprintf(stderr, "write_PGM: the image holds fewer samples than its size\n");
    return refuse("the image holds fewer samples than its size");
  }
  _atomic_file output(file_name);
  FILE* file = output.stream();
  if (file == nullptr) {
    std::fprintf(stderr, "Error: Cannot create image file %s\n", file_name.c_str());
    return refuse(output.problem());
  }
  std::fprintf(file, "P5\n%u %u\n%d\n", image.width, image.height, 255);
  std::vector<unsigned char> bytes(width);
  for (size_t n = 0; n < height; ++n) {
    if (on_progress && !on_progress(static_cast<unsigned>(n), image.height))
      return refuse("the write was cancelled");
    const float* row = image.samples.data() + (height - 1 - n) * width;
    for (size_t column = 0; column < width; ++column) bytes[column] = low_byte(row[column]);
    if (std::fwrite(bytes.data(), 1, width, file) != width) break;
  }
  if (on_progress) on_progress(image.height, image.height);
  if (!output.commit()) {
    std::fprintf(stderr, "Error: Cannot write image file %s\n", file_name.c_str());
    return refuse(output.problem());
  }
  // On standard output the line would land inside the picture.
  if (!is_standard_stream(file_name)) std::printf("File written.\n");
  return 1;
}

}  // namespace stippon
