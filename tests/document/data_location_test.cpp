// Where the programs find their data, for what the installed batch's tests cannot arrange: the
// working directory as the last place, no path of the program, and an empty STIPPON_DATA.
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

TEST(DataLocation, TheWorkingDirectoryComesLast) {
  scratch_dir scratch;
  fs::create_directories(scratch / "work/dots");
  fs::create_directories(scratch / "work/tones");
  fs::create_directories(scratch / "bare/bin");
  const fs::path previous = fs::current_path();
  fs::current_path(scratch / "work");
  const std::string beside = scratch / "bare/share/stippon";
  // the program's path, the places searched
  const std::tuple<const char*, std::string, std::vector<_data_place>> cases[] = {
      {"nothing beside the program",
       scratch / "bare/bin/stippon-batch",
       {{beside, data_beside_program}, {".", data_in_working_directory}}},
      {"no program path", "", {{".", data_in_working_directory}}},
  };
  for (const auto& [name, program, searched] : cases) {
    const _data_location location = _data_location::find("", "", program);
    EXPECT_EQ(location.folder(), ".") << name;
    ASSERT_EQ(location.searched().size(), searched.size()) << name;
    for (size_t i = 0; i < searched.size(); ++i) {
      EXPECT_EQ(location.searched()[i].folder, searched[i].folder) << name;
      EXPECT_EQ(location.searched()[i].source, searched[i].source) << name;
    }
  }
  // As the programs call it: a STIPPON_DATA that is set but empty counts as unset.
  ASSERT_EQ(setenv(DATA_ENVIRONMENT, "", 1), 0);
  EXPECT_EQ(_data_location::find("").folder(), ".");
  ASSERT_EQ(unsetenv(DATA_ENVIRONMENT), 0);
  fs::current_path(previous);
}

}  // namespace
}  // namespace stippon::testing
