// Writing files: modes and owners kept, links followed and kept, any valid name, refused targets
// found before any work and left as they were, the same file under other names, standard output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/atomic_file.h"
#include "files/file_access.h"
#include "files/file_fixtures.h"
#include "print/raster_file.h"

namespace stippon {
namespace {

using namespace testing;

// A 3 x 2 image and the exact file written for it.
_image small_image() {
  _image image;
  std::vector<float> values = BOTTOM_UP;
  image.set(2, 3, values);
  return image;
}
const std::string WRITTEN = "P5\n3 2\n255\n" + RASTER;

// Writes the small image; returns the reason of a failure, empty on success.
std::string write_small(const std::string& name) {
  const std::string error = write_pgm(name, small_image());
  const std::string prefix = "Cannot create " + name + ": ";
  return error.starts_with(prefix) ? error.substr(prefix.size()) : error;
}

mode_t mode_of(const std::string& name) {
  struct stat status {};
  ::stat(name.c_str(), &status);
  return status.st_mode & 07777;
}

// A replaced file keeps its mode and, for root, its owner; a new one gets what the umask leaves
// of 0666.
TEST(AtomicFile, ModesAndOwnersKept) {
  scratch_dir dir;
  const bool root = ::geteuid() == 0;
  for (const mode_t mode : {0640, 0755, 0200}) {
    const std::string name = dir / "kept.pgm";
    write_file(name, "older");
    ASSERT_EQ(::chmod(name.c_str(), mode), 0);
    if (root) {
      ASSERT_EQ(::chown(name.c_str(), OTHER_USER, OTHER_GROUP), 0);
    }
    EXPECT_EQ(write_small(name), "");
    EXPECT_EQ(read_file(name), WRITTEN);
    struct stat status {};
    ::stat(name.c_str(), &status);
    EXPECT_EQ(status.st_mode & 07777, mode);
    EXPECT_TRUE(!root || (status.st_uid == OTHER_USER && status.st_gid == OTHER_GROUP)) << mode;
    ::unlink(name.c_str());
  }
  for (const mode_t mask : {022, 077}) {
    const mode_t old_mask = ::umask(mask);
    EXPECT_EQ(write_small(dir / "new.pgm"), "");
    ::umask(old_mask);
    EXPECT_EQ(mode_of(dir / "new.pgm"), 0666 & ~mask) << mask;
    ::unlink((dir / "new.pgm").c_str());
  }
  EXPECT_EQ(dir.files().size(), 0u);
}

// Writing through a link replaces the file it leads to, with its mode; every link stays.
TEST(AtomicFile, LinksStayLinks) {
  scratch_dir dir;
  std::filesystem::create_directories(dir.dir / "a");
  std::filesystem::create_directories(dir.dir / "b");
  const std::string real = dir / "b/real.pgm";
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link, its target
    std::string written;                                     // through the first link
    std::string lands_in;
  } cases[] = {
      {"relative, same folder", {{"b/same.pgm", "real.pgm"}}, "b/same.pgm", real},
      {"relative, other folder", {{"a/other.pgm", "../b/real.pgm"}}, "a/other.pgm", real},
      {"absolute", {{"a/absolute.pgm", real}}, "a/absolute.pgm", real},
      {"chain", {{"a/first", "second"}, {"a/second", "../b/real.pgm"}}, "a/first", real},
      {"dangling", {{"a/dangling.pgm", "../b/new.pgm"}}, "a/dangling.pgm", dir / "b/new.pgm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(real, "older");
    ::chmod(real.c_str(), 0640);
    for (const auto& [link, target] : c.links)
      std::filesystem::create_symlink(target, dir.dir / link);
    EXPECT_EQ(write_small(dir / c.written), "");
    EXPECT_EQ(read_file(c.lands_in), WRITTEN);
    EXPECT_EQ(mode_of(c.lands_in), c.lands_in == real ? 0640u : 0644u);
    for (const auto& [link, target] : c.links) {
      EXPECT_TRUE(std::filesystem::is_symlink(dir.dir / link));
      EXPECT_EQ(std::filesystem::read_symlink(dir.dir / link).string(), target);
      std::filesystem::remove(dir.dir / link);
    }
    std::filesystem::remove(dir.dir / "b/new.pgm");
  }
  // The links and the real file, nothing else: no temporary was left in either folder.
  EXPECT_EQ(snapshot(dir.dir).size(), 3u);
}

// Any name the system takes works, also replacing a file; the temporary beside it never makes it
// too long.
TEST(AtomicFile, LongNames) {
  scratch_dir dir;
  for (const size_t length : {251u, 255u, 256u}) {
    const std::string name = dir / (std::string(length - 4, 'n') + ".pgm");
    EXPECT_EQ(write_small(name), length <= 255 ? "" : "File name too long") << length;
    if (length > 255) continue;
    write_file(name, "older");
    EXPECT_EQ(write_small(name), "");
    EXPECT_EQ(read_file(name), WRITTEN);
  }
  EXPECT_EQ(dir.files().size(), 2u);
}

// Each target is refused before any work, for root and for another user, and a write attempted
// anyway changes nothing.
TEST(AtomicFile, RefusedTargetsStayAsTheyWere) {
  scratch_dir dir;
  ::chmod(dir.dir.c_str(), 0777);
  const auto folder = [&](const std::string& name, mode_t mode) {
    std::filesystem::create_directory(dir.dir / name);
    ::chmod((dir / name).c_str(), mode);
  };
  const auto file = [&](const std::string& name, mode_t mode) {
    write_file(dir / name, "older " + name);
    ::chmod((dir / name).c_str(), mode);
  };
  folder("open", 0777);
  folder("closed", 0755);
  folder("locked", 0555);
  folder("sticky", 01777);
  file("open/mine.pgm", 0644);
  file("open/shared.pgm", 0666);
  file("open/frozen.pgm", 0444);
  file("closed/shared.pgm", 0666);
  file("sticky/shared.pgm", 0666);
  file("plain", 0644);
  std::filesystem::create_symlink("frozen.pgm", dir.dir / "open/link.pgm");
  const std::string denied = "Permission denied";
  struct refusal {
    std::string name;
    std::string as_root, as_other;
  };
  const refusal cases[] = {
      {"open/new.pgm", "", ""},
      {"open/shared.pgm", "", ""},
      {"open/mine.pgm", "", IS_READ_ONLY},  // root's file, no write bit for others
      {"open/frozen.pgm", IS_READ_ONLY, IS_READ_ONLY},
      {"open/link.pgm", IS_READ_ONLY, IS_READ_ONLY},
      {"open", IS_A_FOLDER, IS_A_FOLDER},
      {"closed/shared.pgm", "", denied},  // the file may be written, not replaced
      {"locked/new.pgm", "", denied},
      {"sticky/shared.pgm", "", "Operation not permitted"},
      {"missing/new.pgm", "No such file or directory", "No such file or directory"},
      {"plain/new.pgm", "Not a directory", "Not a directory"},
      {"open/" + std::string(256, 'n'), "File name too long", "File name too long"},
      {"-", "", ""},
      {"/dev/null", "", ""},
  };
  // "problem|reason of the failed write" for each refused name, "problem" alone otherwise.
  const auto answers = [&] {
    std::string all;
    for (const auto& c : cases) {
      const std::string path = c.name == "-" || c.name.starts_with('/') ? c.name : dir / c.name;
      const std::string problem = output_problem(path);
      all += problem + (problem.empty() ? "" : "|" + write_small(path)) + "\n";
    }
    return all;
  };
  const auto expected = [&](std::string refusal::*column) {
    std::string all;
    for (const auto& c : cases) {
      const std::string& reason = c.*column;
      all += reason + (reason.empty() ? "" : "|" + reason) + "\n";
    }
    return all;
  };
  if (::geteuid() != 0) GTEST_SKIP() << "run as root to check permissions as another user";
  const auto before = snapshot(dir.dir);
  EXPECT_EQ(as_other_user(answers), expected(&refusal::as_other));
  EXPECT_EQ(answers(), expected(&refusal::as_root));
  EXPECT_EQ(snapshot(dir.dir), before);
}

TEST(AtomicFile, SameFile) {
  scratch_dir dir;
  const std::string x = dir / "x.pgm";
  write_file(x, "picture");
  write_file(dir / "copy.pgm", "picture");
  std::filesystem::create_directory(dir.dir / "sub");
  std::filesystem::create_symlink("../x.pgm", dir.dir / "sub/link.pgm");
  std::filesystem::create_hard_link(x, dir.dir / "hard.pgm");
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.dir);
  const struct {
    const char* name;
    std::string input, output;
    bool same;
  } cases[] = {
      {"itself", x, x, true},
      {"through ./", "./x.pgm", x, true},
      {"through a folder and back", x, dir / "sub/../x.pgm", true},
      {"symbolic link", dir / "sub/link.pgm", "x.pgm", true},
      {"hard link", "hard.pgm", x, true},
      {"equal copy", "copy.pgm", x, false},
      {"output not there yet", x, "new.pgm", false},
      {"output to standard output", x, "-", false},
  };
  for (const auto& c : cases) EXPECT_EQ(same_file(c.input, c.output), c.same) << c.name;
  // Standard input read from the output file.
  const int descriptor = ::open(x.c_str(), O_RDONLY | O_CLOEXEC);
  {
    redirected input(STDIN_FILENO, descriptor);
    EXPECT_TRUE(same_file("-", "hard.pgm"));
    EXPECT_FALSE(same_file("-", "copy.pgm"));
  }
  ::close(descriptor);
  std::filesystem::current_path(cwd);
}

// A FIFO is written in place and stays a FIFO (standard output is the batch tests').
TEST(AtomicFile, FifoWrittenInPlace) {
  scratch_dir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  {
    std::jthread reader([&] { received = read_file(fifo); });
    EXPECT_EQ(write_small(fifo), "");
  }
  EXPECT_EQ(received, WRITTEN);
  struct stat status {};
  ::lstat(fifo.c_str(), &status);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_EQ(dir.files().size(), 1u);
}

}  // namespace
}  // namespace stippon
