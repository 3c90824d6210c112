// Which paths the mark locator takes as the bottom marks and the top reference, and mk3.dat.
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

// Which pair forms from paths in the order given: x of the left and right mark, the base y.
TEST(JobMarks, TheLowestTwoPathsWithinTheToleranceArePairedLeftToRight) {
  struct Case {
    const char* name;
    std::string psint;
    float leftX, rightX, baseY;
  };
  const std::string top = Square(10, 290);
  for (const Case& c : {
           Case{"right mark first", Square(210, 5) + Square(10, 5) + top, 12, 212, 7},
           Case{"within 0.05 mm, lower first",
                Square(100, 100) + Square(10, 5) + Square(210, 5.05F) + top, 12, 212, 7.05F},
           Case{"within 0.05 mm, higher first",
                Square(100, 100) + Square(210, 5.05F) + Square(10, 5) + top, 12, 212, 7},
           Case{"a lower mark later beats a higher one",
                Square(100, 100) + Square(210, 5.2F) + Square(10, 5), 12, 212, 7},
           // The higher mark fails its test and the runner-up is the path that was best before
           // the lower mark: the label at y = 100.
           Case{"a higher mark later is no pair",
                Square(100, 100) + Square(10, 5) + Square(210, 5.2F), 12, 102, 7},
           // A curve dipping to y = -5 before the marks: only straight segments count.
           Case{"curves do not decide",
                "M \nC 0.00 0.00 100.00 0.00 30.00 -5.00 60.00 -5.00 \n" + Square(10, 5) +
                    Square(210, 5),
                12, 212, 7},
       }) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    dir.Write("PSINT", c.psint);
    const JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
    EXPECT_FLOAT_EQ(marks.leftX, c.leftX);
    EXPECT_FLOAT_EQ(marks.rightX, c.rightX);
    EXPECT_FLOAT_EQ(marks.baseY, c.baseY);
  }
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
