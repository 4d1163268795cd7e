// Reading files: samples outside the declared range, sizes refused from the header alone, pictures
// larger than their file can hold, and inputs that are no plain file (FIFOs, standard input,
// devices, folders).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <zlib.h>

#include <fstream>

#include "image/file_access.h"
#include "image/file_fixtures.h"
#include "image/file_pgm.h"
#include "image/file_png.h"

namespace stippon {
namespace {

using namespace testing;

const std::string P5 = "P5\n3 2\n255\n" + RASTER;

const auto be32 = [](uint32_t v) {
  return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
};

std::string chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
}

// An RGBA PNG that declares a size and carries one tiny stored row of data.
std::string declared_png(uint32_t width, uint32_t height) {
  const std::string ihdr = be32(width) + be32(height) + std::string("\x08\x06\0\0\0", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
         chunk("IDAT", std::string("\x78\x01\x01\x01\x00\xfe\xff\x00\x00\x01\x00\x01", 12)) +
         chunk("IEND", "");
}

TEST(Pgm, SamplesOutsideTheRange) {
  const struct {
    const char* name;
    std::string bytes, reason;
  } cases[] = {
      {"above, plain", "P2 3 2 255\n1 2 3\n4 300 6\n",
       "has the sample 300 at row 2, column 2, outside 0..255"},
      {"negative", "P2 3 2 255\n-1000 2 3\n4 5 6\n",
       "has the sample -1000 at row 1, column 1, outside 0..255"},
      {"largest int", "P2 3 2 255\n1 2 2147483647\n4 5 6\n",
       "has the sample 2147483647 at row 1, column 3, outside 0..255"},
      {"beyond 64 bits", "P2 3 2 255\n1 2 3\n" + std::string(30, '9') + " 5 6\n",
       "has the sample " + std::string(24, '9') + "... at row 2, column 1, outside 0..255"},
      {"above a small maximum", "P2 3 2 15\n1 2 3\n4 5 +16\n",
       "has the sample +16 at row 2, column 3, outside 0..15"},
      {"first of two", "P2 2 1 9 10 -1", "has the sample 10 at row 1, column 1, outside 0..9"},
      {"raw byte above the maximum", std::string("P5 3 2 100\n\x01\x02\x03\x04\x65\x06", 17),
       "has the sample 101 at row 2, column 2, outside 0..100"},
  };
  scratch_dir dir;
  const std::string name = dir / "in.pgm";
  for (const auto& c : cases) {
    write_file(name, c.bytes);
    _image image;
    std::vector<float> values = {7};
    image.set(1, 1, values);
    _file_pgm pgm;
    const auto [out, err] = printed([&] { EXPECT_EQ(pgm.read(name, image, 100), 0) << c.name; });
    EXPECT_EQ(pgm.last_error(), c.reason) << c.name;
    EXPECT_EQ(out + err, "read_PGM: " + name + " " + c.reason + "\n") << c.name;
    EXPECT_EQ(image.samples, values) << c.name;
  }
  // The ends of the range are samples like any other.
  write_file(name, "P2 2 1 9 0 9");
  _image image;
  ASSERT_EQ(_file_pgm().read(name, image, 100), 1);
  EXPECT_EQ(image.samples, (std::vector<float>{0, 9}));
}

// The size is known, and may be refused, before a sample is read: a tiny file declaring a huge
// picture shows the refusal, not a read that ran out of data.
TEST(Pgm, SizeFromTheHeaderAlone) {
  scratch_dir dir;
  const std::string huge = dir / "huge.pgm";
  write_file(huge, "P5\n16384 16384\n255\nabc");
  const std::string refusal = "is 16384 x 16384 pixels, too large for the optimal size";
  _file_pgm pgm;
  unsigned width = 0, height = 0;
  ASSERT_EQ(pgm.read_header(huge, width, height), 1);
  EXPECT_TRUE(width == 16384 && height == 16384);
  printed([&] { EXPECT_EQ(pgm.read_header(dir / "missing.pgm", width, height), 0); });
  EXPECT_EQ(pgm.last_error(), "No such file or directory");

  std::vector<std::pair<unsigned, unsigned>> seen;
  pgm.on_header = [&](unsigned w, unsigned h) {
    seen.emplace_back(w, h);
    return w > 8192 ? refusal : std::string();
  };
  _image image;
  const auto [out, err] = printed([&] { EXPECT_EQ(pgm.read(huge, image, 1 << 15), 0); });
  EXPECT_EQ(pgm.last_error(), refusal);
  EXPECT_EQ(out + err, "");  // the caller tells the user
  write_file(dir / "small.pgm", P5);
  EXPECT_EQ(pgm.read(dir / "small.pgm", image, 100), 1);
  EXPECT_EQ(pgm.last_error(), "");
  EXPECT_EQ(seen, (std::vector<std::pair<unsigned, unsigned>>{{16384, 16384}, {3, 2}}));
}

// Pipes and FIFOs cannot seek: they read as the same file would.
TEST(Files, StreamsReadLikeFiles) {
  scratch_dir dir;
  const std::string png = read_file(SUITE + "basn6a08.png");
  _texture from_file;
  ASSERT_EQ(_file_png().read(SUITE + "basn6a08.png", from_file), 1);
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const bool standard_input : {false, true}) {
    SCOPED_TRACE(standard_input ? "standard input" : "FIFO");
    const auto through = [&](const std::string& bytes, const auto& read) {
      feeder writer(fifo, bytes);
      if (!standard_input) return read(fifo);
      const int descriptor = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
      redirected input(STDIN_FILENO, descriptor);
      ::close(descriptor);
      const int result = read(std::string("-"));
      EXPECT_NE(::fcntl(STDIN_FILENO, F_GETFD), -1);  // still open for the rest of the program
      return result;
    };
    _image image;
    EXPECT_EQ(
        through(P5, [&](const std::string& name) { return _file_pgm().read(name, image, 100); }),
        1);
    EXPECT_EQ(image.samples, BOTTOM_UP);
    _texture texture;
    EXPECT_EQ(
        through(png, [&](const std::string& name) { return _file_png().read(name, texture); }), 1);
    EXPECT_EQ(texture.texels, from_file.texels);
    // A refusal from the header leaves the writer with nobody to read the rest: no harm done.
    _file_pgm refusing;
    refusing.on_header = [](unsigned, unsigned) { return std::string("no"); };
    EXPECT_EQ(through("P5\n2000 2000\n255\n" + std::string(4000000, 'x'),
                      [&](const std::string& name) { return refusing.read(name, image, 4096); }),
              0);
    EXPECT_EQ(refusing.last_error(), "no");
  }
}

// Folders and devices are refused with a reason, and nothing is read from them.
TEST(Files, InputsThatAreNoPictures) {
  scratch_dir dir;
  const std::string folder = dir / "folder.pgm";
  std::filesystem::create_directory(folder);
  const struct {
    std::string name, pgm_reason, png_reason, printed;
  } cases[] = {
      {folder, IS_A_FOLDER, IS_A_FOLDER, "read_PGM: " + folder + " is a folder\n"},
      {"/dev/null", "is not a PGM file", "is not a PNG file", "read_PGM: unknown file type \n"},
      {"/dev/zero", "is not a PGM file", "is not a PNG file", "read_PGM: unknown file type \n"},
  };
  for (const auto& c : cases) {
    _file_pgm pgm;
    _image image;
    const auto [out, err] = printed([&] { EXPECT_EQ(pgm.read(c.name, image, 100), 0); });
    EXPECT_EQ(out + err, c.printed) << c.name;
    EXPECT_EQ(pgm.last_error(), c.pgm_reason);
    _file_png png;
    _texture texture;
    printed([&] { EXPECT_EQ(png.read(c.name, texture), 0); });
    EXPECT_EQ(png.last_error(), c.png_reason);
  }
  EXPECT_EQ(snapshot(dir.dir).size(), 1u);
}

// Runs a PNG read in a child process whose address space leaves room for the small things a read
// needs, not for the picture the file declares: the child dies if the reader allocates it.
std::string read_with_little_memory(const std::string& name) {
#if defined(__SANITIZE_ADDRESS__)
  (void)name;
  return "skipped";  // the sanitizer reserves terabytes of address space up front
#else
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::ifstream status("/proc/self/statm");
    size_t pages = 0;
    status >> pages;
    const rlim_t room = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{64} << 20);
    const rlimit limit{room, room};
    _file_png png;
    _texture texture;
    std::string reason = "no limit";
    if (::setrlimit(RLIMIT_AS, &limit) == 0) {
      try {
        printed([&] { png.read(name, texture); });
      } catch (...) {
        ::_exit(2);  // never back into the test runner, which would go on in the child
      }
      reason = png.last_error();
    }
    const bool sent =
        ::write(channel[1], reason.data(), reason.size()) == static_cast<ssize_t>(reason.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(channel[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    answer.append(buffer, static_cast<size_t>(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : "child failed";
#endif
}

// A file declares far more pixels than its data could inflate to: refused before anything is
// allocated for the picture. Pictures that compress as well as deflate can still read.
TEST(Png, PicturesLargerThanTheirFileCanHold) {
  scratch_dir dir;
  const std::string bomb = dir / "bomb.png";
  write_file(bomb, declared_png(8192, 8192));
  const std::string size = std::to_string(read_file(bomb).size());
  const std::string reason =
      "declares 8192 x 8192 pixels, more than its " + size + " bytes can hold";
  _file_png png;
  _texture texture;
  const std::string err = printed([&] { EXPECT_EQ(png.read(bomb, texture), 0); }).second;
  EXPECT_EQ(png.last_error(), reason);
  EXPECT_EQ(err, "[read_png_file] File " + bomb + " " + reason + "\n");
  const std::string limited = read_with_little_memory(bomb);
  EXPECT_TRUE(limited == reason || limited == "skipped") << limited;

  // A chunk that declares 1.6 GB in a file of a few dozen bytes (found by fuzzing): libpng would
  // allocate the declared length before finding the data missing.
  const std::string ihdr = be32(32) + be32(32) + std::string("\x08\x02\0\0\0", 5);
  write_file(bomb, declared_png(1, 1).substr(0, 8) + chunk("IHDR", ihdr) + be32(0x5f704859) +
                       "sPLTabcdefgh");
  EXPECT_EQ(printed([&] { EXPECT_EQ(png.read(bomb, texture), 0); }).second,
            "[read_png_file] File " + bomb + " has a chunk longer than the file\n");
  EXPECT_EQ(png.last_error(), "is damaged or cut short");
  const std::string chunk_limited = read_with_little_memory(bomb);
  EXPECT_TRUE(chunk_limited == png.last_error() || chunk_limited == "skipped") << chunk_limited;

  // The same declaration with room enough in the file is only damaged, not refused for its size.
  write_file(dir / "small.png", declared_png(16, 16));
  printed([&] { EXPECT_EQ(png.read(dir / "small.png", texture), 0); });
  EXPECT_EQ(png.last_error(), "is damaged or cut short");

  // One flat colour, written at the writer's own compression, reads back.
  _texture flat;
  flat.dimensions(2048, 2048);
  flat.texels.assign(size_t{2048} * 2048, _pixel(12, 34, 56, 255));
  printed([&] { ASSERT_EQ(png.write(dir / "flat.png", flat), 1); });
  ASSERT_EQ(png.read(dir / "flat.png", texture), 1);
  EXPECT_TRUE(texture.texels == flat.texels);
}

}  // namespace
}  // namespace stippon
