// Cutting order where the transcripts' jobs do not take it: equal and unreachable keys, reverse
// order, a stale special offset, files that cannot be read or replaced, and the record syntax's
// edge cases. The reach key's weighting, the special section and edge mode's mirroring decide the
// sample's cut; closed and open contours, curve letters, passes and the overcut decide the
// hand-drawn shapes' files: both are held by the run transcripts.
#include "run/cut_order.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "run/contour_records.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

// A closed square whose furthest point along the feed is at `reach`.
std::string Square(float reach, float cross = 0.0F) {
  std::string s;
  AppendContourRecord(s, 'M', reach - 10, cross);
  AppendContourRecord(s, 'L', reach, cross);
  AppendContourRecord(s, 'L', reach, cross + 10);
  AppendContourRecord(s, 'L', reach - 10, cross + 10);
  AppendContourRecord(s, 'L', reach - 10, cross);
  return s;
}

struct OrderFixture : ::testing::Test {
  test::TempDir dir;
  WorkDir work{dir.Path()};
  RunContext ctx;

  std::string Order(const std::string& sort) {
    dir.Write("sort.prn", sort);
    OrderResult result = OrderCuts(ctx, work);
    EXPECT_TRUE(result.ok) << result.error;
    return dir.Read("sortx.prn");
  }
};

TEST_F(OrderFixture, EqualReachKeepsFileOrderUnreachableIsDroppedAndReverseFollowsTheFile) {
  // Same reach: the earlier contour first. A contour reaching 1000 + 0.05 b has key <= 0.
  const std::string out = Order(Square(40, 0) + Square(40, 0) + Square(1000, 0) + Square(30, 50) +
                                "M 70.00 5.00\nM 1.00 1.00\nL nan 2\nA");
  EXPECT_EQ(out.find("1000.00"), std::string::npos);
  // 30 - 0.05 x 50 = 27.5 < 40: the contour at cross 50 goes first, then the two equal ones.
  EXPECT_EQ(out.rfind("M 30.00 50.00", 0), 0U);
  // Neither a contour without cut points nor one whose only point is no number is cut again
  // in place of the one before it.
  EXPECT_EQ(CountContourStarts(out, 0), 3);
  EXPECT_EQ(out.find("70.00"), std::string::npos);
  EXPECT_EQ(out.find("nan"), std::string::npos);
  // The unreachable contour's length still counts in the total, as it is part of the job.
  EXPECT_DOUBLE_EQ(ctx.totalCutLength, 4 * 40.0);

  // Reverse order ignores reach: the last contour of the file is cut first.
  ctx.reverseOrder = 1;
  const std::string reversed = Order(Square(50) + Square(80) + Square(20) + "A");
  EXPECT_LT(reversed.find("M 20.00"), reversed.find("M 80.00"));
  EXPECT_LT(reversed.find("M 80.00"), reversed.find("M 50.00"));
  EXPECT_NE(reversed.find("M 50.00"), std::string::npos);
}

// No special contours: a stale offset from the import must not cut the job in two.
TEST_F(OrderFixture, AStaleSpecialOffsetWithoutSpecialContoursIsDropped) {
  ctx.specialCount = 0;
  ctx.importSpecialEnd = 20;
  ctx.specialEnd = 20;
  EXPECT_EQ(Order(Square(30) + "A").rfind("M 30.00 0.00", 0), 0U);
  EXPECT_EQ(ctx.specialEnd, 0);
}

TEST_F(OrderFixture, MissingInputOrAnUnreplaceableOutputLeavesTheEarlierSortedFileAlone) {
  dir.Write("sortx.prn", "earlier");
  OrderResult result = OrderCuts(ctx, work);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(dir.Read("sortx.prn"), "earlier");

  std::filesystem::remove(dir.File("sortx.prn"));
  std::filesystem::create_directory(dir.File("sortx.prn"));
  dir.Write("sort.prn", Square(10) + "A");
  result = OrderCuts(ctx, work);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("sortx.prn"), std::string::npos);
}

// The largest key above 0 first, the earlier of equal keys first, none at or below 0. Keys of
// -1 to 3 over 29 entries are enough for a sort that does not keep the order of equal keys to
// show it.
TEST(CutOrder, LargestKeyFirstEqualKeysInFileOrderNoneAtOrBelowZero) {
  std::vector<ContourEntry> entries(29);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i].key = static_cast<double>(i % 5) - 1;
  EXPECT_EQ(CutOrder(entries), (std::vector<std::size_t>{4, 9, 14, 19, 24, 3, 8, 13, 18, 23, 28, 2,
                                                         7, 12, 17, 22, 27}));
}

TEST(ContourRecordReader, RecordsMayEndAfterTheLetterAndKeepTheLastValues) {
  ContourRecordReader reader("M 1.5 -2\n\nA L +3.25 4 X");
  const std::tuple<char, int, float, float> expected[] = {
      {'M', 2, 1.5F, -2.0F}, {'A', 0, 1.5F, -2.0F}, {'L', 2, 3.25F, 4.0F}, {'X', 0, 3.25F, 4.0F}};
  ContourRecord r;
  for (const auto& record : expected) {
    ASSERT_TRUE(reader.Next(r));
    EXPECT_EQ(std::make_tuple(r.letter, r.values, r.a, r.b), record);
    if (r.letter == 'M') {
      EXPECT_EQ(reader.Offset(), 10U);
    }
  }
  EXPECT_FALSE(reader.Next(r));
  std::string out;
  AppendContourRecord(out, 'L', 0.125F, -0.004F);  // exact tie rounds to even, like printf
  EXPECT_EQ(out, "L 0.12 -0.00\n");
}

}  // namespace
}  // namespace orvex
