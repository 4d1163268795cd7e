// Where the programs find their data: the order of the places, a named folder never replaced by
// another, and the report that lists every place searched.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document/data_location.h"
#include "image/scratch.h"

namespace stippon::testing {
namespace {

namespace fs = std::filesystem;

// Runs with the working directory changed, restoring it afterwards.
class _working_directory {
 public:
  explicit _working_directory(const fs::path& folder) : previous(fs::current_path()) {
    fs::current_path(folder);
  }
  ~_working_directory() { fs::current_path(previous); }

 private:
  fs::path previous;
};

class DataLocation : public ::testing::Test {
 protected:
  scratch_dir scratch;

  void SetUp() override {
    for (const char* folder : {"given", "environment", "prefix/share/stippon", "work"}) {
      fs::create_directories(scratch / folder + "/dots");
      fs::create_directories(scratch / folder + "/tones");
    }
    fs::create_directories(scratch / "toneless/dots");  // no tones/: does not qualify
    fs::create_directories(scratch / "bare/bin");
    fs::create_directories(scratch / "empty");
  }
};

TEST_F(DataLocation, OrderOfThePlaces) {
  const std::string given = scratch / "given", environment = scratch / "environment",
                    installed = scratch / "prefix/bin/stippon-batch",
                    bare = scratch / "bare/bin/stippon-batch", toneless = scratch / "toneless";
  struct _case {
    const char* name;
    std::string option, environment, program, working;
    std::string found;  // empty: nothing found
    std::vector<_data_place> searched;
  };
  const _case cases[] = {
      {"--data before everything",
       given,
       environment,
       installed,
       "work",
       given,
       {{given, data_from_option}}},
      {"STIPPON_DATA before the program's folder",
       "",
       environment,
       installed,
       "work",
       environment,
       {{environment, data_from_environment}}},
      {"share/stippon beside the program",
       "",
       "",
       installed,
       "work",
       scratch / "prefix/share/stippon",
       {{scratch / "prefix/share/stippon", data_beside_program}}},
      {"the working directory last",
       "",
       "",
       bare,
       "work",
       ".",
       {{scratch / "bare/share/stippon", data_beside_program}, {".", data_in_working_directory}}},
      {"no program path", "", "", "", "work", ".", {{".", data_in_working_directory}}},
      {"a --data folder without tones/ is not replaced",
       toneless,
       environment,
       installed,
       "work",
       "",
       {{toneless, data_from_option}}},
      {"a missing STIPPON_DATA folder is not replaced",
       "",
       scratch / "nowhere",
       installed,
       "work",
       "",
       {{scratch / "nowhere", data_from_environment}}},
      {"nothing anywhere",
       "",
       "",
       bare,
       "empty",
       "",
       {{scratch / "bare/share/stippon", data_beside_program}, {".", data_in_working_directory}}},
  };
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    const _working_directory here(scratch / c.working);
    const _data_location location = _data_location::find(c.option, c.environment, c.program);
    EXPECT_EQ(location.found(), !c.found.empty());
    EXPECT_EQ(location.folder(), c.found);
    ASSERT_EQ(location.searched().size(), c.searched.size());
    for (size_t i = 0; i < c.searched.size(); ++i) {
      EXPECT_EQ(location.searched()[i].folder, c.searched[i].folder);
      EXPECT_EQ(location.searched()[i].source, c.searched[i].source);
    }
  }
}

TEST_F(DataLocation, MessagesNameEveryFolderAndItsSource) {
  const _working_directory here(scratch / "empty");
  const _data_location none = _data_location::find("", "", scratch / "bare/bin/stippon-batch");
  EXPECT_EQ(none.report(), "no data folder holding dots/ and tones/ was found; searched:\n  " +
                               scratch / "bare/share/stippon" + " (beside the program)\n  " +
                               fs::current_path().string() + " (the working directory)");
  EXPECT_EQ(none.description(), "");
  EXPECT_EQ(_data_location::find("rel/data", "", "").report(),
            "no data folder holding dots/ and tones/ was found; searched:\n  rel/data (--data)");
  EXPECT_EQ(_data_location::find("", scratch / "environment", "").description(),
            scratch / "environment" + " (STIPPON_DATA)");
}

// The search as the programs call it: the real environment and the test program's own path,
// whose build folder holds no share/stippon.
TEST_F(DataLocation, ReadsTheEnvironment) {
  const _working_directory here(scratch / "work");
  ASSERT_EQ(setenv(DATA_ENVIRONMENT, (scratch / "environment").c_str(), 1), 0);
  EXPECT_EQ(_data_location::find("").folder(), scratch / "environment");
  EXPECT_EQ(_data_location::find(scratch / "given").folder(), scratch / "given");
  ASSERT_EQ(setenv(DATA_ENVIRONMENT, "", 1), 0);  // set but empty: as if unset
  EXPECT_EQ(_data_location::find("").folder(), ".");
  ASSERT_EQ(unsetenv(DATA_ENVIRONMENT), 0);
  const _data_location location = _data_location::find("");
  EXPECT_EQ(location.folder(), ".");
  ASSERT_EQ(location.searched().size(), 2u);
  EXPECT_EQ(
      location.searched()[0].folder,
      (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "share/stippon").string());
}

}  // namespace
}  // namespace stippon::testing
