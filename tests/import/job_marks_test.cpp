// The mark locator where no graphic takes it: no pair, paths below zero, a full disk. (Which
// paths of a graphic are paired as the bottom marks are import rows of the run transcripts.)
#include "import/job_marks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/small_tmpfs.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

// A closed square path of side `size` with its lower-left corner at (x, y), as the parser
// writes it.
std::string Square(float x, float y, float size = 4.0F) {
  char text[512];
  const float x1 = x + size, y1 = y + size;
  std::snprintf(text, sizeof text,
                "M \nL %.2f %.2f %.2f %.2f \nL %.2f %.2f %.2f %.2f \nL %.2f %.2f %.2f %.2f \n"
                "L %.2f %.2f %.2f %.2f \n",
                x, y, x1, y, x1, y, x1, y1, x1, y1, x, y1, x, y1, x, y);
  return text;
}

TEST(JobMarks, OnePathHasNoPairAndPathsBelowZeroMakeTheLastOneTheTop) {
  test::TempDir dir;
  dir.Write("PSINT", Square(10, 5));
  EXPECT_FALSE(LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0).pairFound);
  EXPECT_TRUE(dir.Exists("mk3.dat"));
  dir.Write("PSINT", Square(10, -50) + Square(200, -50) + Square(100, -20));
  const JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
  EXPECT_FLOAT_EQ(marks.topX, 102.0F);
  EXPECT_FLOAT_EQ(marks.topY, -18.0F);
}

// On a full disk the new job's marks are not written: that is said, with the system's reason,
// and the previous job's mk3.dat stays whole (the loader then refuses the job).
TEST(JobMarks, MarksTheDiskRefusesAreReportedAndThePreviousFileStays) {
  test::SmallTmpfs disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  test::WriteFileBytes(disk.Path() / "PSINT", Square(10, 5) + Square(210, 5) + Square(10, 290));
  test::WriteFileBytes(disk.Path() / "mk3.dat", "previous marks\n");
  disk.Fill();
  const JobMarks marks = LocateJobMarks(disk.Path() / "PSINT", disk.Path() / "mk3.dat", 10, 5);
  EXPECT_TRUE(marks.pairFound);
  EXPECT_FALSE(marks.marksFileWritten);
  EXPECT_EQ(marks.marksFileFailure.file, disk.Path() / "mk3.dat");
  EXPECT_EQ(marks.marksFileFailure.Reason(), "No space left on device");
  EXPECT_EQ(test::ReadFileBytes(disk.Path() / "mk3.dat"), "previous marks\n");
}

}  // namespace
}  // namespace orvex
