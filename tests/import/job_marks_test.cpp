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
  float x1 = x + size, y1 = y + size;
  std::snprintf(text, sizeof text,
                "M \nL %.2f %.2f %.2f %.2f \nL %.2f %.2f %.2f %.2f \nL %.2f %.2f %.2f %.2f \n"
                "L %.2f %.2f %.2f %.2f \n",
                x, y, x1, y, x1, y, x1, y1, x1, y1, x, y1, x, y1, x, y);
  return text;
}

// The position a reader reports for the path that starts at byte `offset`.
long PathPosition(const std::string& psint, const std::string& path) {
  return static_cast<long>(psint.find(path)) + 3;
}

TEST(JobMarks, TwoBottomMarksAndATopMark) {
  test::TempDir dir;
  std::string left = Square(10, 5), right = Square(210, 5), top = Square(10, 290);
  std::string label = Square(50, 50, 30);
  std::string psint = left + label + right + top;
  dir.Write("PSINT", psint);
  JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 10, 5);
  EXPECT_TRUE(marks.pairFound);
  EXPECT_FLOAT_EQ(marks.leftX, 2.0F);
  EXPECT_FLOAT_EQ(marks.rightX, 202.0F);
  EXPECT_FLOAT_EQ(marks.baseY, 2.0F);
  EXPECT_FLOAT_EQ(marks.topX, 2.0F);
  EXPECT_FLOAT_EQ(marks.topY, 287.0F);
  long leftPos = PathPosition(psint, left);
  long rightPos = static_cast<long>(psint.find(right)) + 3;
  EXPECT_EQ(marks.excluded[0], leftPos);
  EXPECT_EQ(marks.excluded[1], rightPos);
  EXPECT_EQ(marks.excluded[2], leftPos);
  EXPECT_EQ(dir.Read("mk3.dat"), "2.000000 2.000000\n202.000000 2.000000\n2.000000 287.000000\n");
}

// On a full disk the new job's marks are not written: that is said, with the system's reason,
// and the previous job's mk3.dat stays whole (the loader then refuses the job).
TEST(JobMarks, MarksTheDiskRefusesAreReportedAndThePreviousFileStays) {
  test::SmallTmpfs disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  test::WriteFileBytes(disk.Path() / "PSINT", Square(10, 5) + Square(210, 5) + Square(10, 290));
  test::WriteFileBytes(disk.Path() / "mk3.dat", "previous marks\n");
  disk.Fill();
  JobMarks marks = LocateJobMarks(disk.Path() / "PSINT", disk.Path() / "mk3.dat", 10, 5);
  EXPECT_TRUE(marks.pairFound);
  EXPECT_FALSE(marks.marksFileWritten);
  EXPECT_EQ(marks.marksFileFailure.file, disk.Path() / "mk3.dat");
  EXPECT_EQ(marks.marksFileFailure.Reason(), "No space left on device");
  EXPECT_EQ(test::ReadFileBytes(disk.Path() / "mk3.dat"), "previous marks\n");
}

TEST(JobMarks, RightMarkFirstStillEndsLeftToRight) {
  test::TempDir dir;
  std::string psint = Square(210, 5) + Square(10, 5) + Square(10, 290);
  dir.Write("PSINT", psint);
  JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
  EXPECT_FLOAT_EQ(marks.leftX, 12.0F);
  EXPECT_FLOAT_EQ(marks.rightX, 212.0F);
  EXPECT_EQ(marks.excluded[0], 3 + static_cast<long>(Square(210, 5).size()));
}

TEST(JobMarks, BottomEdgesWithinTheToleranceFormThePairInEitherOrder) {
  for (bool lowerFirst : {true, false}) {
    test::TempDir dir;
    std::string a = Square(10, 5.00F), b = Square(210, 5.05F);
    dir.Write("PSINT", Square(100, 100) + (lowerFirst ? a + b : b + a) + Square(10, 290));
    JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
    EXPECT_FLOAT_EQ(marks.leftX, 12.0F) << lowerFirst;
    EXPECT_FLOAT_EQ(marks.rightX, 212.0F) << lowerFirst;
  }
}

TEST(JobMarks, ALowerMarkBeyondTheToleranceKeepsTheFormerBestAsRunnerUp) {
  // Higher mark first: the lower one beats it and the pair forms.
  {
    test::TempDir dir;
    dir.Write("PSINT", Square(100, 100) + Square(210, 5.2F) + Square(10, 5.0F));
    JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
    EXPECT_FLOAT_EQ(marks.leftX, 12.0F);
    EXPECT_FLOAT_EQ(marks.rightX, 212.0F);
  }
  // Lower mark first: the higher one fails its test and the runner-up is the path that was
  // best before the lower mark (here the label at y = 100).
  {
    test::TempDir dir;
    dir.Write("PSINT", Square(100, 100) + Square(10, 5.0F) + Square(210, 5.2F));
    JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
    EXPECT_FLOAT_EQ(marks.leftX, 12.0F);
    EXPECT_FLOAT_EQ(marks.rightX, 102.0F);
    EXPECT_FLOAT_EQ(marks.baseY, 7.0F);
  }
}

TEST(JobMarks, SinglePathHasNoPair) {
  test::TempDir dir;
  dir.Write("PSINT", Square(10, 5));
  JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
  EXPECT_FALSE(marks.pairFound);
  EXPECT_TRUE(dir.Exists("mk3.dat"));
}

TEST(JobMarks, PathsBelowZeroMakeTheLastOneTheTop) {
  test::TempDir dir;
  dir.Write("PSINT", Square(10, -50) + Square(200, -50) + Square(100, -20));
  JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
  EXPECT_FLOAT_EQ(marks.topX, 102.0F);
  EXPECT_FLOAT_EQ(marks.topY, -18.0F);
}

TEST(JobMarks, CurvesDoNotDecideTheLowestPath) {
  test::TempDir dir;
  // A curve dipping to y = 0 before the marks: only straight segments count.
  std::string curve = "M \nC 0.00 0.00 100.00 0.00 30.00 -5.00 60.00 -5.00 \n";
  dir.Write("PSINT", curve + Square(10, 5) + Square(210, 5));
  JobMarks marks = LocateJobMarks(dir.File("PSINT"), dir.File("mk3.dat"), 0, 0);
  EXPECT_FLOAT_EQ(marks.leftX, 12.0F);
  EXPECT_FLOAT_EQ(marks.rightX, 212.0F);
}

}  // namespace
}  // namespace orvex
