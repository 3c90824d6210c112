// Geometry and text of the multiple special lines, and the safe replacement of TPSINT.
#include "import/multiple_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "import/path_record_stream.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

// Lays out `tpsint` in `lines` lines `spacing` mm apart; the records of the new TPSINT.
std::vector<PathRecord> Layout(const test::TempDir& dir, const std::string& tpsint, int lines,
                               double spacing) {
  dir.Write("TPSINT", tpsint);
  EXPECT_TRUE(LayoutMultipleLines(dir.File("TPSINT"), dir.File("multi.prn"), lines, spacing).ok);
  EXPECT_FALSE(dir.Exists("multi.prn"));  // renamed into place
  PathRecordStream stream;
  std::vector<PathRecord> records;
  if (!stream.Open(dir.File("TPSINT"))) return records;
  for (PathRecord r; stream.Next(r);) records.push_back(r);
  return records;
}

TEST(MultipleLines, StraightLinesAreOffsetAcrossTheirDirection) {
  test::TempDir dir;
  Layout(dir, "M \nL 0.00 0.00 10.00 0.00 \n", 2, 0.5);
  EXPECT_EQ(dir.Read("TPSINT"), "M \nL 0.00 0.50 10.00 0.50 \nM \nL 10.00 -0.50 -0.00 -0.50 \n");
  // A zero-length segment is offset along x.
  Layout(dir, "M \nL 5.00 5.00 5.00 5.00 \n", 2, 0.5);
  EXPECT_EQ(dir.Read("TPSINT"), "M \nL 4.50 5.00 4.50 5.00 \nM \nL 5.50 5.00 5.50 5.00 \n");
}

TEST(MultipleLines, PathCountsPerLineCount) {
  // Straight: 2 -> 2 paths, 3 -> 3, 4 -> 2 (each side twice), 5 -> 3. Curve: 2, 3, 2, 2.
  for (const auto& [lines, paths, straight] :
       {std::tuple{2, 4, 2}, std::tuple{3, 6, 3}, std::tuple{4, 4, 4}, std::tuple{5, 5, 5}}) {
    test::TempDir dir;
    Layout(dir, "M \nL 0.00 0.00 10.00 0.00 \nC 0 0 10 0 3 4 7 4 \n", lines, 0.5);
    const std::string text = dir.Read("TPSINT");
    EXPECT_EQ(std::count(text.begin(), text.end(), 'M'), paths) << lines;
    EXPECT_EQ(std::count(text.begin(), text.end(), 'L'), straight) << lines;
  }
  // With three lines the middle one is the drawn curve, its record ending in two spaces.
  test::TempDir dir;
  Layout(dir, "M \nC 0.00 0.00 10.00 0.00 3.00 4.00 7.00 4.00 \n", 3, 1.0);
  EXPECT_NE(dir.Read("TPSINT").find("M \nC 0.00 0.00 10.00 0.00 3.00 4.00 7.00 4.00  \n"),
            std::string::npos);
}

TEST(MultipleLines, CurveEndsTakeTheirDirectionFromTheNextDistinctPoint) {
  test::TempDir dir;
  // First control on the start: the curve leaves along +x, so side lines start 1 mm below and
  // above it (side B is written backward: its end is at the start).
  auto records = Layout(dir, "M \nC 0.00 0.00 10.00 0.00 0.00 0.00 5.00 0.00 \n", 2, 1.0);
  ASSERT_EQ(records.size(), 4U);
  EXPECT_NEAR(records[1].v[0], 0.0F, 0.01F);
  EXPECT_NEAR(records[1].v[1], -1.0F, 0.01F);
  EXPECT_NEAR(records[3].v[2], 0.0F, 0.01F);
  EXPECT_NEAR(records[3].v[3], 1.0F, 0.01F);
  // Both controls on the start's vertical: the second one sets the direction (up), not the end.
  records = Layout(dir, "M \nC 0.00 0.00 10.00 0.00 0.00 0.00 0.00 5.00 \n", 2, 1.0);
  ASSERT_EQ(records.size(), 4U);
  EXPECT_NEAR(records[1].v[0], 1.0F, 0.01F);
  EXPECT_NEAR(records[1].v[1], 0.0F, 0.01F);
  // Second control on the end: the curve arrives along +x, so x stays 10 and y moves by 1.
  records = Layout(dir, "M \nC 0.00 0.00 10.00 0.00 5.00 0.00 10.00 0.00 \n", 2, 1.0);
  ASSERT_EQ(records.size(), 4U);
  EXPECT_NEAR(records[1].v[2], 10.0F, 0.01F);
  EXPECT_NEAR(std::fabs(records[1].v[3]), 1.0F, 0.01F);
}

TEST(MultipleLines, UnwritableLayoutKeepsTheSpecialFile) {
  test::TempDir dir;
  dir.Write("TPSINT", "M \nL 0.00 0.00 10.00 0.00 \n");
  EXPECT_FALSE(
      LayoutMultipleLines(dir.File("TPSINT"), dir.File("missing") / "multi.prn", 3, 0.5).ok);
  EXPECT_EQ(dir.Read("TPSINT"), "M \nL 0.00 0.00 10.00 0.00 \n");
}

}  // namespace
}  // namespace orvex
