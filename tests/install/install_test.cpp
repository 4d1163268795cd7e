// The build installed as a user installs it: the layout of the prefix, the batch finding its data
// from any folder, the order of --data, STIPPON_DATA and the program's own folder, the desktop
// entry and icon, the manual pages, and the Debian package.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "batch/batch_runner.h"

namespace stippon::testing {
namespace {

namespace fs = std::filesystem;

const std::string DATA = STIPPON_DATA_DIR;
const std::string CAMERA = DATA + "/images/camera.pgm";
const bool WINDOW_INSTALLED = STIPPON_GUI_INSTALLED;
const char* const DATA_FOLDERS[] = {"dots", "tones", "icons", "images"};
const std::string NOT_FOUND = "no data folder holding dots/ and tones/ was found; searched:";
// The widest difference allowed between two renderings of the icon: anti-aliasing only.
const double ICON_MEAN_DIFFERENCE = 4.0;

bool on_path(const std::string& tool) {
  std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(path, folder, ':');)
    if (!folder.empty() && access((fs::path(folder) / tool).c_str(), X_OK) == 0) return true;
  return false;
}

// Every file under a folder, by its path relative to the folder.
std::set<std::string> files_under(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (!entry.is_directory()) files.insert(fs::relative(entry.path(), root).string());
  return files;
}

// The long options a text names: "--" and a lower-case word with hyphens.
std::set<std::string> long_options(const std::string& text) {
  std::set<std::string> found;
  for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    size_t end = at + 2;
    while (end < text.size() && (std::islower(static_cast<unsigned char>(text[end])) ||
                                 (text[end] == '-' && end > at + 2)))
      ++end;
    if (end > at + 2) found.insert(text.substr(at, end - at));
  }
  return found;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// An environment without STIPPON_DATA, in this working directory.
_run_context plain_context(const std::string& working_directory) {
  return {working_directory, {{"STIPPON_DATA", std::nullopt}}};
}

// Two prints that between them read dot sheets and a tone: their bytes, and what the batch said.
struct _prints {
  std::vector<std::string> bytes;
  std::string said;
};

_prints make_prints(const std::string& batch, const std::vector<std::string>& options,
                    const _run_context& context) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> prints = {
      {"dots.pgm", {"--size", "A9", "--ppi", "600", "--seed", "7"}},
      {"toned.png", {"--size", "A9", "--mode", "tones", "--tone", "sepia_2", "--seed", "7"}},
  };
  _scratch out;
  _prints result;
  for (const auto& [name, print_options] : prints) {
    std::vector<std::string> arguments = {CAMERA, out / name};
    arguments.insert(arguments.end(), print_options.begin(), print_options.end());
    arguments.insert(arguments.end(), options.begin(), options.end());
    const _batch_result run = run_program(batch, arguments, out, context);
    EXPECT_EQ(run.status, 0) << batch << ": " << run.err;
    result.bytes.push_back(read_file(out / name));
    result.said += run.err;
  }
  return result;
}

// A data folder that shares the committed dot sheets and tones.
void link_data(const std::string& folder) {
  fs::create_directories(folder);
  for (const char* name : {"dots", "tones"})
    fs::create_directory_symlink(DATA + "/" + name, folder + "/" + name);
}

// The build installed once per test program into a temporary prefix.
class Installed : public ::testing::Test {
 protected:
  static inline std::unique_ptr<_scratch> root;
  static inline _batch_result installation;

  static void SetUpTestSuite() {
    root = std::make_unique<_scratch>();
    fs::create_directory(*root / "prefix");
    installation =
        run_program(STIPPON_CMAKE, {"--install", STIPPON_BINARY_DIR, "--prefix", prefix()}, *root);
  }
  static void TearDownTestSuite() { root.reset(); }
  void SetUp() override {
    ASSERT_EQ(installation.status, 0) << installation.out << installation.err;
  }

  // The canonical name: the programs see their own path with every link resolved.
  static std::string prefix() { return fs::canonical(root->dir).string() + "/prefix"; }
  static std::string installed(const std::string& path) { return prefix() + "/" + path; }
  static std::string batch() { return installed("bin/stippon-batch"); }

  _scratch scratch;
  std::string canonical(const std::string& name) {
    fs::create_directories(scratch / name);
    return fs::canonical(scratch / name).string();
  }
};

// The prefix holds the programs, data/ byte for byte, and nothing else.
TEST_F(Installed, LaysOutProgramsDataEntryIconAndPages) {
  std::set<std::string> expected = {"bin/stippon-batch", "share/man/man1/stippon-batch.1"};
  if (WINDOW_INSTALLED) {
    expected.insert({"bin/stippon", "share/man/man1/stippon.1",
                     "share/applications/stippon.desktop",
                     "share/icons/hicolor/scalable/apps/stippon.svg",
                     "share/icons/hicolor/48x48/apps/stippon.png",
                     "share/icons/hicolor/256x256/apps/stippon.png"});
  }
  // data/ as it is committed, and nothing else from it (no settings file, no build output).
  for (const char* folder : DATA_FOLDERS) {
    for (const std::string& file : files_under(DATA + "/" + folder)) {
      const std::string path = std::string("share/stippon/") + folder + "/" + file;
      expected.insert(path);
      EXPECT_EQ(read_file(installed(path)), read_file(DATA + "/" + folder + "/" + file)) << path;
    }
  }
  EXPECT_EQ(files_under(prefix()), expected);
  for (const std::string program : {"bin/stippon-batch", "bin/stippon"})
    if (fs::exists(installed(program))) {
      EXPECT_EQ(access(installed(program).c_str(), X_OK), 0) << program;
    }
}

// The order of the places, each named in what --verbose says or in the error.
TEST_F(Installed, DataOptionBeforeEnvironmentBeforeTheProgramsFolder) {
  for (const char* name : {"first", "second", "work"}) link_data(scratch / name);
  fs::create_directories(scratch / "toneless/dots");
  const std::string first = canonical("first"), second = canonical("second"),
                    toneless = canonical("toneless"), nowhere = canonical("") + "/nowhere";
  const std::string from = "stippon-batch: data from ", none = "stippon-batch: " + NOT_FOUND;
  // clang-format off
  struct _case { const char* name; std::vector<std::string> options;
                 std::optional<std::string> environment; int status;
                 std::string said; /* naming the folder used, or the whole error */ } cases[] = {
      {"--data before STIPPON_DATA", {"--data", first}, second, 0, from + first + " (--data)\n"},
      {"STIPPON_DATA before the program's folder", {}, second, 0,
       from + second + " (STIPPON_DATA)\n"},
      {"the program's folder before the working directory", {}, std::nullopt, 0,
       from + installed("share/stippon") + " (beside the program)\n"},
      {"a --data folder without tones/ is not replaced", {"--data", toneless}, second, 3,
       none + "\n  " + toneless + " (--data)\n"},
      {"a missing STIPPON_DATA folder is not replaced", {}, nowhere, 3,
       none + "\n  " + nowhere + " (STIPPON_DATA)\n"}};
  // clang-format on
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = {CAMERA, scratch / "out.pgm", "--size", "A10",
                                          "--verbose"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const _run_context context = {scratch / "work", {{"STIPPON_DATA", c.environment}}};
    const _batch_result result = run_program(batch(), arguments, scratch, context);
    EXPECT_EQ(result.status, c.status) << result.err;
    if (c.status == 0) {
      EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    } else {
      EXPECT_TRUE(result.err.ends_with(c.said)) << result.err;
      EXPECT_FALSE(fs::exists(scratch / "out.pgm"));
    }
    fs::remove(scratch / "out.pgm");
  }
}

// The build tree's batch has no share/stippon beside it: from a folder without data it lists
// both places it searched. Images drawn without dots or tones need no data at all.
TEST(DataSearch, NothingFoundListsEveryPlaceSearched) {
  _scratch scratch;
  const std::string here = fs::canonical(scratch.dir).string();
  const _batch_result result =
      run_batch({CAMERA, scratch / "out.pgm", "--size", "A10"}, scratch, plain_context(here));
  EXPECT_EQ(result.status, 3);
  const std::string beside =
      (fs::canonical(STIPPON_BATCH_EXE).parent_path().parent_path() / "share/stippon").string();
  EXPECT_EQ(result.err, "stippon-batch: " + NOT_FOUND + "\n  " + beside +
                            " (beside the program)\n  " + here + " (the working directory)\n");
  EXPECT_TRUE(scratch.files().empty());
  for (const char* image : {"original", "borders", "halftoning"}) {
    const _batch_result drawn =
        run_batch({CAMERA, scratch / "out.pgm", "--size", "A10", "--image", image}, scratch,
                  plain_context(here));
    EXPECT_EQ(drawn.status, 0) << image << ": " << drawn.err;
  }
}

std::map<std::string, std::string> desktop_entry(const std::string& path) {
  std::map<std::string, std::string> keys;
  std::istringstream lines(read_file(path));
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return keys;
}

// Mean difference per channel of two images of one size, premultiplied so that the colour of
// transparent pixels does not count.
double mean_difference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
  const QImage y = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
  if (x.size() != y.size() || x.isNull()) return 255.0;
  double sum = 0.0;
  for (int row = 0; row < x.height(); ++row) {
    const uchar* p = x.constScanLine(row);
    const uchar* q = y.constScanLine(row);
    for (int i = 0; i < x.width() * 4; ++i) sum += std::abs(int(p[i]) - int(q[i]));
  }
  return sum / (x.width() * x.height() * 4.0);
}

// The entry passes desktop-file-validate, and the icons render alike at each size.
TEST_F(Installed, DesktopEntryAndIcon) {
  if (!WINDOW_INSTALLED) GTEST_SKIP() << "the desktop entry comes with the window";
  const std::string entry = installed("share/applications/stippon.desktop");
  const _batch_result validation = run_program("desktop-file-validate", {entry}, scratch);
  EXPECT_EQ(validation.status, 0);
  EXPECT_EQ(validation.out + validation.err, "");

  // The entry starts the installed program with the file, and the icon it names is installed
  // at the sizes its folders promise.
  std::map<std::string, std::string> keys = desktop_entry(entry);
  EXPECT_EQ(keys["Exec"], "stippon %f");
  EXPECT_TRUE(fs::exists(installed("bin/" + keys["TryExec"])));
  EXPECT_NE(keys["MimeType"].find("image/x-portable-graymap;"), std::string::npos);
  const std::string icons = installed("share/icons/hicolor/");
  for (int size : {48, 256}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_EQ(
        QImage(QString::fromStdString(icons + folder + "/apps/" + keys["Icon"] + ".png")).size(),
        QSize(size, size));
  }
  // The scalable icon draws what the bitmaps show (rendered by another library).
  const std::string svg = icons + "scalable/apps/" + keys["Icon"] + ".svg";
  for (int size : {48, 256}) {
    const std::string rendered = scratch / "rendered.png";
    const _batch_result render = run_program(
        "rsvg-convert",
        {"-w", std::to_string(size), "-h", std::to_string(size), svg, "-o", rendered}, scratch);
    ASSERT_EQ(render.status, 0) << render.err;
    const QString bitmap = QString::fromStdString(icons + std::to_string(size) + "x" +
                                                  std::to_string(size) + "/apps/stippon.png");
    EXPECT_LT(mean_difference(QImage(QString::fromStdString(rendered)), QImage(bitmap)),
              ICON_MEAN_DIFFERENCE)
        << size;
  }
}

// Each page renders without a warning and describes every option its program's --help lists;
// the batch's page gives every exit status.
TEST_F(Installed, ManualPagesRenderAndListEveryOption) {
  std::vector<std::string> programs = {"stippon-batch"};
  if (WINDOW_INSTALLED) programs.push_back("stippon");
  for (const std::string& program : programs) {
    SCOPED_TRACE(program);
    // The window's --help needs no display either.
    const _batch_result help = run_program(installed("bin/" + program), {"--help"}, scratch,
                                           {"", {{"DISPLAY", std::nullopt}}});
    ASSERT_EQ(help.status, 0) << help.err;
    const _batch_result page =
        run_program("man", {"--warnings=w", "-l", installed("share/man/man1/" + program + ".1")},
                    scratch, {"", {{"LC_ALL", "C"}, {"MANWIDTH", "80"}}});
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.err, "");
    EXPECT_NE(page.out.find("NAME\n       " + program + " - "), std::string::npos) << page.out;
    const std::set<std::string> listed = long_options(help.out);
    EXPECT_GE(listed.size(), 3u);
    for (const std::string& name : listed)
      EXPECT_NE(page.out.find(name), std::string::npos) << name << " is not in the page";
    if (program == "stippon-batch") {
      const size_t from = page.out.find("\nEXIT STATUS\n");
      ASSERT_NE(from, std::string::npos);
      // Each status as a tagged paragraph: "       3      The input ...".
      std::set<std::string> statuses;
      for (const std::string& line :
           lines_of(page.out.substr(from, page.out.find("\nENVIRONMENT\n") - from))) {
        const size_t tag = line.find_first_not_of(' ');
        if (tag != std::string::npos && std::isdigit(static_cast<unsigned char>(line[tag])) &&
            line.compare(tag + 1, 6, "      ") == 0)
          statuses.insert(line.substr(tag, 1));
      }
      EXPECT_EQ(statuses, (std::set<std::string>{"0", "1", "2", "3", "4"}));
    }
  }
}

// cpack -G DEB: the package holds the installed tree under /usr, depends on the libraries the
// programs link, and once unpacked anywhere (a prefix moved whole) its batch finds its data and
// prints as the build does.
TEST_F(Installed, DebianPackage) {
  if (!on_path("dpkg-deb") || !on_path("dpkg-shlibdeps")) GTEST_SKIP() << "no dpkg-deb";
  const _batch_result made = run_program(
      STIPPON_CPACK,
      {"--config", STIPPON_BINARY_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", scratch / "out"},
      scratch);
  ASSERT_EQ(made.status, 0) << made.out << made.err;
  std::string package;
  for (const auto& entry : fs::directory_iterator(scratch / "out"))
    if (entry.path().extension() == ".deb") package = entry.path().string();
  ASSERT_FALSE(package.empty());

  const _batch_result fields =
      run_program("dpkg-deb", {"-f", package, "Package", "Section", "Depends"}, scratch);
  ASSERT_EQ(fields.status, 0) << fields.err;
  EXPECT_TRUE(fields.out.starts_with("Package: stippon\nSection: graphics\nDepends: "))
      << fields.out;
  // "libc6 (>= 2.34), libopengl0, ...": the package names, versioned by dpkg-shlibdeps.
  const std::string depends_line = lines_of(fields.out).back();
  EXPECT_NE(depends_line.find("libc6 (>= "), std::string::npos) << depends_line;
  std::set<std::string> depends;
  std::istringstream entries(depends_line.substr(depends_line.find(": ") + 2));
  for (std::string entry, name; std::getline(entries, entry, ',');) {
    std::istringstream(entry) >> name;
    depends.insert(name);
  }
  // libgs-common holds the CMYK printing profile, read at run time.
  std::set<std::string> libraries = {"libc6",      "libstdc++6", "libpng16-16", "libqt6core6",
                                     "libqt6gui6", "liblcms2-2", "libgs-common"};
  if (WINDOW_INSTALLED) libraries.insert({"libqt6widgets6", "libqt6openglwidgets6", "libglew2.2"});
  for (const std::string& library : libraries)
    EXPECT_EQ(depends.count(library), 1u) << library << " missing from " << fields.out;

  const _batch_result listing = run_program("dpkg-deb", {"-c", package}, scratch);
  std::set<std::string> listed;  // "-rw-r--r-- root/root 2830 2026-12-06 17:16 ./usr/bin/..."
  for (const std::string& line : lines_of(listing.out)) {
    const std::string path = line.substr(line.rfind(' ') + 1);
    if (path.starts_with("./usr/") && !path.ends_with("/")) listed.insert(path.substr(6));
  }
  EXPECT_EQ(listed, files_under(prefix()));

  ASSERT_EQ(run_program("dpkg-deb", {"-x", package, scratch / "root"}, scratch).status, 0);
  const std::string usr = canonical("root/usr");
  const _prints got =
      make_prints(usr + "/bin/stippon-batch", {"--verbose"}, plain_context(canonical("empty")));
  EXPECT_TRUE(got.bytes == make_prints(STIPPON_BATCH_EXE, {"--data", DATA}, {}).bytes);
  EXPECT_NE(got.said.find("data from " + usr + "/share/stippon (beside the program)"),
            std::string::npos)
      << got.said;
}

}  // namespace
}  // namespace stippon::testing
