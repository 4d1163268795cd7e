#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace stippon::testing {

// A fresh folder under the system's temporary directory, removed with everything in it.
struct scratch_dir {
  std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "stippon-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
  }();

  scratch_dir() = default;
  scratch_dir(const scratch_dir&) = delete;
  ~scratch_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  std::string operator/(const std::string& name) const { return (dir / name).string(); }
  // Names of the entries in the folder, to find temporaries left behind.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    return names;
  }
};

inline std::string read_file(const std::filesystem::path& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::filesystem::path& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

// What an outside program printed on standard output.
inline std::string output_of(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char chunk[1 << 16];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
  ::pclose(pipe);
  return out;
}

// The decoded samples of a TIFF, top row first, as tiffinfo lists its strips in hex: unlike
// tifftopnm it neither multiplies colours by alpha nor turns inks into RGB.
inline std::vector<uint8_t> tiff_samples(const std::string& name) {
  std::istringstream dump(output_of("tiffinfo -d '" + name + "' 2>/dev/null"));
  std::vector<uint8_t> samples;
  std::string token;
  while (dump >> token && token != "Strip") continue;
  while (dump >> token)
    if (token.size() == 2 && std::isxdigit(token[0]) && std::isxdigit(token[1]))
      samples.push_back(uint8_t(std::stoi(token, nullptr, 16)));
  return samples;
}

}  // namespace stippon::testing
