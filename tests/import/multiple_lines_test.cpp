// Geometry and text of the multiple special lines, and the safe replacement of TPSINT.
#include "import/multiple_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "import/path_record_stream.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

std::vector<PathRecord> Records(const std::filesystem::path& file) {
  PathRecordStream stream;
  std::vector<PathRecord> out;
  if (!stream.Open(file)) return out;
  PathRecord r;
  while (stream.Next(r)) out.push_back(r);
  return out;
}

int PathCount(const std::vector<PathRecord>& records) {
  int count = 0;
  for (const auto& r : records) count += r.letter == 'M';
  return count;
}

TEST(MultipleLines, HorizontalSegmentTwoLinesExactText) {
  test::TempDir dir;
  dir.Write("TPSINT", "M \nL 0.00 0.00 10.00 0.00 \n");
  MultipleLinesResult result =
      LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), 2, 0.5);
  ASSERT_TRUE(result.ok);
  EXPECT_FALSE(dir.Exists("multi.prn"));  // renamed into place
  EXPECT_EQ(dir.Read("TPSINT"), "M \nL 0.00 0.50 10.00 0.50 \nM \nL 10.00 -0.50 -0.00 -0.50 \n");
}

TEST(MultipleLines, PathCountsPerLineCount) {
  const char* input = "M \nL 0.00 0.00 10.00 0.00 \nC 0 0 10 0 3 4 7 4 \n";
  // Straight: 2 -> 2 paths, 3 -> 3, 4 -> 2 (each side twice), 5 -> 3. Curve: 2, 3, 2, 2.
  const int expected[6] = {0, 0, 4, 6, 4, 5};
  for (int n = 2; n <= 5; ++n) {
    test::TempDir dir;
    dir.Write("TPSINT", input);
    ASSERT_TRUE(LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), n, 0.5).ok);
    auto records = Records(dir.File("TPSINT"));
    EXPECT_EQ(PathCount(records), expected[n]) << n;
    int straight = 0;
    for (const auto& r : records) straight += r.letter == 'L';
    EXPECT_EQ(straight, (n >= 4 ? 4 : 2) + (n == 3 || n == 5 ? 1 : 0)) << n;
  }
}

TEST(MultipleLines, DrawnCurveCopyEndsWithTwoSpaces) {
  test::TempDir dir;
  dir.Write("TPSINT", "M \nC 0.00 0.00 10.00 0.00 3.00 4.00 7.00 4.00 \n");
  ASSERT_TRUE(LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), 3, 1.0).ok);
  std::string text = dir.Read("TPSINT");
  EXPECT_NE(text.find("M \nC 0.00 0.00 10.00 0.00 3.00 4.00 7.00 4.00  \n"), std::string::npos);
}

TEST(MultipleLines, CurveWithControlOnItsStartTakesTheNextDistinctPoint) {
  test::TempDir dir;
  // A "v"-style curve: first control equal to the start; the curve leaves along +x, so its side
  // lines must start 1 mm above and below it, not on it.
  dir.Write("TPSINT", "M \nC 0.00 0.00 10.00 0.00 0.00 0.00 5.00 0.00 \n");
  ASSERT_TRUE(LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), 2, 1.0).ok);
  auto records = Records(dir.File("TPSINT"));
  ASSERT_EQ(records.size(), 4U);
  const PathRecord& a = records[1];
  const PathRecord& b = records[3];
  EXPECT_NEAR(a.v[0], 0.0F, 0.01F);
  EXPECT_NEAR(a.v[1], -1.0F, 0.01F);
  EXPECT_NEAR(b.v[2], 0.0F, 0.01F);  // side B is written backward: its end is at the start
  EXPECT_NEAR(b.v[3], 1.0F, 0.01F);
}

TEST(MultipleLines, CurveWithControlOnItsEndTakesThePreviousDistinctPoint) {
  test::TempDir dir;
  // "y"-style: second control equal to the end; the curve arrives moving along +x.
  dir.Write("TPSINT", "M \nC 0.00 0.00 10.00 0.00 5.00 0.00 10.00 0.00 \n");
  ASSERT_TRUE(LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), 2, 1.0).ok);
  auto records = Records(dir.File("TPSINT"));
  ASSERT_EQ(records.size(), 4U);
  // End of side A: offset across +x, so x stays 10 and y moves by 1.
  EXPECT_NEAR(records[1].v[2], 10.0F, 0.01F);
  EXPECT_NEAR(std::fabs(records[1].v[3]), 1.0F, 0.01F);
}

TEST(MultipleLines, ZeroLengthSegmentOffsetsAlongX) {
  test::TempDir dir;
  dir.Write("TPSINT", "M \nL 5.00 5.00 5.00 5.00 \n");
  ASSERT_TRUE(LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), 2, 0.5).ok);
  EXPECT_EQ(dir.Read("TPSINT"), "M \nL 4.50 5.00 4.50 5.00 \nM \nL 5.50 5.00 5.50 5.00 \n");
}

TEST(MultipleLines, UnwritableLayoutKeepsTheSpecialFile) {
  test::TempDir dir;
  const std::string original = "M \nL 0.00 0.00 10.00 0.00 \n";
  dir.Write("TPSINT", original);
  auto result = LayoutMultipleLines(dir.File("TPSINT"), dir.File("missing") / "multi.prn", 3, 0.5);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(dir.Read("TPSINT"), original);
}

}  // namespace
}  // namespace orvex
