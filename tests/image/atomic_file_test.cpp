#include <gtest/gtest.h>

#include "image/atomic_file.h"
#include "image/scratch.h"

namespace stippon {
namespace {

using testing::read_file;
using testing::scratch_dir;
using testing::write_file;

TEST(AtomicFile, ReplacesOnlyOnCommit) {
  scratch_dir dir;
  const std::string target = dir.file("target");
  write_file(target, "old");
  {
    _atomic_file file(target);
    ASSERT_NE(file.stream(), nullptr);
    std::fputs("new", file.stream());
    std::fflush(file.stream());
    EXPECT_EQ(read_file(target), "old");  // the target is untouched while writing
    EXPECT_EQ(dir.entries().size(), 2u);
    EXPECT_TRUE(file.commit());
    EXPECT_FALSE(file.commit());  // nothing left to commit
  }
  EXPECT_EQ(read_file(target), "new");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"target"});
}

TEST(AtomicFile, DiscardAndDestructionRemoveTheTemporary) {
  scratch_dir dir;
  const std::string target = dir.file("target");
  write_file(target, "old");
  {
    _atomic_file file(target);
    std::fputs("lost", file.stream());
    file.discard();
    EXPECT_EQ(file.stream(), nullptr);
    EXPECT_FALSE(file.commit());
  }
  {
    _atomic_file file(target);
    std::fputs("lost", file.stream());
  }
  {
    _atomic_file file(dir.file("fresh"));  // no older file: none appears
  }
  EXPECT_EQ(read_file(target), "old");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"target"});
}

TEST(AtomicFile, UncreatableTemporary) {
  scratch_dir dir;
  _atomic_file file(dir.file("no/such/folder/target"));
  EXPECT_EQ(file.stream(), nullptr);
  EXPECT_FALSE(file.commit());
  EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace stippon
