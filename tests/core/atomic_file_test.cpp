#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

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

// Temporaries of a writer that is gone are removed; a live writer's, and every other file, stay.
TEST(AtomicFileTest, OnlyTheTemporariesOfEndedProcessesAreRemoved) {
  test::TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = std::to_string(child);
  const std::string live = std::to_string(::getpid());
  const std::vector<std::string> orphans = {".sort.prn.tmp." + dead + ".0",
                                            ".PSINT.tmp." + dead + ".12",
                                            "out.ps.converting-" + dead + "-3",
                                            "out.ps.converting-" + dead + "-3.pdf"};
  const std::vector<std::string> kept = {".sort.prn.tmp." + live + ".0",
                                         "out.ps.converting-" + live + "-1.pdf",
                                         "sort.prn",
                                         "PSINT.tmp." + dead + ".1",
                                         ".notes.tmp.x.1",
                                         ".PSINT.tmp." + dead + ".1.bak"};
  for (const auto& name : orphans) dir.Write(name, "x");
  for (const auto& name : kept) dir.Write(name, "x");
  EXPECT_EQ(RemoveOrphanedTemporaries(dir.Path()), 4);
  for (const auto& name : orphans) EXPECT_FALSE(dir.Exists(name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(dir.Exists(name)) << name;
}

}  // namespace
}  // namespace orvex
