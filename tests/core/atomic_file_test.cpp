#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvex {
namespace {

TEST(AtomicFileTest, ReplacesContentsAndLeavesNoTemporaryBehind) {
  test::TempDir dir;
  dir.Write("recent.dat", "old\n");
  ASSERT_TRUE(WriteFileAtomically(dir.File("recent.dat"), "new contents\n"));
  EXPECT_EQ(dir.Read("recent.dat"), "new contents\n");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFileTest, UncommittedWriterLeavesDestinationUntouched) {
  test::TempDir dir;
  dir.Write("job.cst", "keep me");
  {
    AtomicFileWriter writer(dir.File("job.cst"));
    ASSERT_NE(writer.File(), nullptr);
    std::fputs("half a file", writer.File());
  }
  EXPECT_EQ(dir.Read("job.cst"), "keep me");
}

TEST(AtomicFileTest, FailsCleanlyWhenTheDirectoryIsMissing) {
  test::TempDir dir;
  EXPECT_FALSE(WriteFileAtomically(dir.File("no-such-dir/file"), "x"));
  EXPECT_FALSE(dir.Exists("no-such-dir"));
}

}  // namespace
}  // namespace orvex
