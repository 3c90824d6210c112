// Cutting order: the ordered files byte for byte, the key rule, reverse order, several passes
// with their overcut, the special section, mirroring, and the sort-based selection against the
// repeated scan it replaces.
#include "run/cut_order.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "run/contour_records.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

using test::TempDir;

constexpr const char* kSquare =
    "M 0.00 0.00\nL 10.00 0.00\nL 10.00 10.00\nL 0.00 10.00\nL 0.00 0.00\n";

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
  TempDir dir;
  WorkDir work{dir.Path()};
  RunContext ctx;

  std::string Order(const std::string& sort) {
    dir.Write("sort.prn", sort);
    OrderResult result = OrderCuts(ctx, work);
    EXPECT_TRUE(result.ok) << result.error;
    return dir.Read("sortx.prn");
  }
};

TEST_F(OrderFixture, ClosedSquareStartsAndEndsAtItsFurthestPoint) {
  std::string out = Order(std::string(kSquare) + "A");
  EXPECT_EQ(out, "M 10.00 0.00\nL 10.00 10.00\nL 0.00 10.00\nL 0.00 0.00\nL 10.00 0.00\nA\n");
  EXPECT_DOUBLE_EQ(ctx.totalCutLength, 40.0);
}

TEST_F(OrderFixture, ContoursAreCutByIncreasingReachAndReverseFollowsTheFile) {
  std::string job = Square(80) + Square(50, 30) + "A";
  std::string byReach = Order(job);
  EXPECT_EQ(byReach.substr(0, 11), "M 50.00 30.");
  EXPECT_NE(byReach.find("M 80.00 0.00"), std::string::npos);

  // Reverse order ignores reach: the last contour of the file is cut first.
  ctx.reverseOrder = 1;
  std::string job3 = Square(50) + Square(80) + Square(20) + "A";
  std::string reversed = Order(job3);
  std::size_t p20 = reversed.find("M 20.00");
  std::size_t p80 = reversed.find("M 80.00");
  std::size_t p50 = reversed.find("M 50.00");
  ASSERT_NE(p50, std::string::npos);
  EXPECT_LT(p20, p80);
  EXPECT_LT(p80, p50);
}

TEST_F(OrderFixture, EqualReachKeepsFileOrderAndUnreachableContoursAreDropped) {
  // Same reach: the earlier contour first. A contour reaching 1000 + 0.05 b has key <= 0.
  std::string job = Square(40, 0) + Square(40, 0.0F) + Square(1000.0F, 0) + Square(30, 50) + "A";
  std::string out = Order(job);
  EXPECT_EQ(out.find("1000.00"), std::string::npos);
  // 30 - 0.05*50 = 27.5 < 40: the contour at cross 50 goes first, then the two equal ones.
  EXPECT_EQ(out.rfind("M 30.00 50.00", 0), 0U);
  EXPECT_EQ(CountContourStarts(out, 0), 3);
  // The unreachable contour's length still counts in the total, as it is part of the job.
  EXPECT_DOUBLE_EQ(ctx.totalCutLength, 4 * 40.0);
}

// The reach weighs the cross coordinate at five hundredths, against the feed: over these four
// the cross position decides, 42 - 3 = 39, 41 - 1.5 = 39.5, 40 - 0 = 40, 46 - 5 = 41. By the
// feed alone, or with the weight's sign turned, the order would be the file's; at a tenth the
// last would come first.
TEST_F(OrderFixture, TheCrossCoordinateWeighsFiveHundredthsInTheReach) {
  const std::string out =
      Order(Square(40, 0) + Square(41, 30) + Square(42, 60) + Square(46, 100) + "A");
  const std::size_t c = out.find("M 42.00 60.00");
  const std::size_t b = out.find("M 41.00 30.00");
  const std::size_t a = out.find("M 40.00 0.00");
  const std::size_t d = out.find("M 46.00 100.00");
  ASSERT_NE(d, std::string::npos) << out;
  EXPECT_EQ(c, 0U) << out;
  EXPECT_LT(c, b);
  EXPECT_LT(b, a);
  EXPECT_LT(a, d);
}

TEST_F(OrderFixture, OpenContourKeepsItsDirectionAndCurvePointsTheirLetter) {
  std::string job =
      "O 5.00 5.00\nC 6.00 5.50\nC 7.00 5.00\nL 9.00 1.00\n"
      "M 20.00 0.00\nC 25.00 0.00\nL 20.00 4.00\nL 20.00 0.00\nA";
  std::string out = Order(job);
  EXPECT_EQ(out,
            "M 5.00 5.00\nC 6.00 5.50\nC 7.00 5.00\nL 9.00 1.00\n"
            "M 25.00 0.00\nL 20.00 4.00\nL 20.00 0.00\nL 25.00 0.00\nA\n");
}

TEST_F(OrderFixture, SeveralPassesRepeatEachContourWithOneOvercutOnClosedLoops) {
  ctx.passes = 3;
  std::string job = std::string(kSquare) + "O 50.00 0.00\nL 60.00 0.00\nA";
  std::string out = Order(job);
  std::string loop = "M 10.00 0.00\nL 10.00 10.00\nL 0.00 10.00\nL 0.00 0.00\nL 10.00 0.00\n";
  std::string line = "M 50.00 0.00\nL 60.00 0.00\n";
  // 5 mm along the first segment; no overcut for the open line; no closing A.
  EXPECT_EQ(out, loop + loop + loop + "L 10.00 5.00\n" + line + line + line);
  EXPECT_EQ(dir.Read("sortp.prn"), loop + "O 50.00 0.00\nL 60.00 0.00\nA\n");

  // A first segment of 8 mm or less: the overcut ends at its second point.
  ctx.passes = 2;
  std::string small = Order("M 0.00 0.00\nL 6.00 0.00\nL 6.00 3.00\nL 0.00 0.00\nA");
  EXPECT_EQ(small.substr(small.rfind('\n', small.size() - 2) + 1), "L 6.00 3.00\n");
}

TEST_F(OrderFixture, SpecialSectionIsCopiedByteForByteAndItsEndMoves) {
  // Odd spacing in the special section proves it is copied, not rewritten.
  std::string special = "M 90.00 0.00\nL  1.5 2\nL 95.00 7.00\n\n";
  ctx.specialCount = 1;
  ctx.importSpecialEnd = static_cast<long>(special.size());
  ctx.specialEnd = 12345;
  std::string out = Order(special + Square(30) + Square(10) + "A");
  ASSERT_EQ(out.substr(0, special.size()), special);
  EXPECT_EQ(ctx.specialEnd, static_cast<long>(special.size()));
  EXPECT_EQ(out.substr(special.size(), 12), "M 10.00 0.00");

  ctx.passes = 2;
  std::string multi = Order(special + Square(30) + "A");
  EXPECT_EQ(multi.substr(0, special.size()), special);
  EXPECT_EQ(CountContourStarts(multi, ctx.specialEnd), 2);

  // No special contours: a stale offset from the import must not cut the job in two.
  ctx.passes = 1;
  ctx.specialCount = 0;
  ctx.importSpecialEnd = 20;
  std::string plain = Order(Square(30) + "A");
  EXPECT_EQ(ctx.specialEnd, 0);
  EXPECT_EQ(plain.rfind("M 30.00 0.00", 0), 0U);
}

TEST_F(OrderFixture, EdgeModeMirrorsAlongTheFeedAndSwapsTheMarks) {
  ctx.importFirstMark = 10.0F;
  ctx.importSecondMark = 210.0F;
  ctx.edgeMode = 1;
  ctx.specialMode = 2;
  std::string out = Order(Square(30) + "A");
  // a -> 210 + 100 - a: the square's near edge (20) becomes its far edge (290), and the
  // mirrored loop runs the other way round.
  EXPECT_EQ(out,
            "M 290.00 0.00\nL 280.00 0.00\nL 280.00 10.00\nL 290.00 10.00\nL 290.00 0.00\nA\n");
  EXPECT_FLOAT_EQ(ctx.firstMarkPos, 100.0F);
  EXPECT_FLOAT_EQ(ctx.secondMarkPos, 300.0F);
  EXPECT_TRUE(dir.Exists("sortmirror.prn"));

  // The marks are reset from the import on every ordering, so a second sheet mirrors the same.
  EXPECT_EQ(Order(Square(30) + "A"), out);

  ctx.specialMode = 4;
  std::string straight = Order(Square(30) + "A");
  EXPECT_EQ(straight.rfind("M 30.00 0.00", 0), 0U);
  EXPECT_FLOAT_EQ(ctx.firstMarkPos, 10.0F);
}

TEST(MirrorRecords, SpecialRecordsComeFirstAndTheirEndIsTheMirroredOffset) {
  RunContext ctx;
  ctx.secondMarkPos = 200.0F;
  ctx.firstMarkPos = 0.0F;
  ctx.specialCount = 1;
  std::string special = "M 1.00 2.00\nL 3.00 4.00\n\n";
  ctx.specialEnd = static_cast<long>(special.size());
  std::string out = MirrorRecords(special + "M 10.00 0.00\nL 20.00 0.00\nA", ctx);
  EXPECT_EQ(out, "M 299.00 2.00\nL 297.00 4.00\nM 290.00 0.00\nL 280.00 0.00\nA 280.00 0.00\n");
  EXPECT_EQ(ctx.specialEnd, 28);
}

TEST_F(OrderFixture, ContourWithoutCutPointsDoesNotRepeatTheOneBeforeIt) {
  // Neither a contour without cut points nor one whose only point is no number is cut again
  // in place of the one before it.
  std::string out = Order(Square(30) + "M 70.00 5.00\n" + Square(60) + "M 1.00 1.00\nL nan 2\nA");
  EXPECT_EQ(CountContourStarts(out, 0), 2);
  EXPECT_EQ(out.find("70.00"), std::string::npos);
  EXPECT_EQ(out.find("nan"), std::string::npos);
}

TEST_F(OrderFixture, MissingInputLeavesTheEarlierSortedFileAlone) {
  dir.Write("sortx.prn", "earlier");
  OrderResult result = OrderCuts(ctx, work);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(dir.Read("sortx.prn"), "earlier");

  // An output that cannot be replaced is reported, not half written.
  std::filesystem::remove(dir.File("sortx.prn"));
  std::filesystem::create_directory(dir.File("sortx.prn"));
  dir.Write("sort.prn", std::string(kSquare) + "A");
  result = OrderCuts(ctx, work);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("sortx.prn"), std::string::npos);
}

// The selection described for the cut: pick the largest key above 0 among the entries not yet
// cut, the earlier on equal keys, until none is left.
std::vector<std::size_t> RepeatedScan(const std::vector<ContourEntry>& entries) {
  std::vector<bool> done(entries.size(), false);
  std::vector<std::size_t> order;
  while (true) {
    double bestKey = 0.0;
    std::size_t pick = entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!done[i] && entries[i].key > bestKey) {
        bestKey = entries[i].key;
        pick = i;
      }
    }
    if (pick == entries.size()) break;
    done[pick] = true;
    order.push_back(pick);
  }
  return order;
}

TEST(CutOrderProperty, SortedSelectionEqualsTheRepeatedScanOnRandomJobs) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 300; ++round) {
    // Coarse coordinates make equal keys common; some contours reach past the key's zero.
    std::uniform_int_distribution<int> count(0, 60);
    std::uniform_int_distribution<int> coarse(0, 24);
    std::uniform_int_distribution<int> pointCount(1, 6);
    std::string job;
    int contours = count(rng);
    for (int c = 0; c < contours; ++c) {
      AppendContourRecord(job, (rng() % 4 == 0) ? 'O' : 'M', 0.0F, 0.0F);
      int n = pointCount(rng);
      for (int p = 0; p < n; ++p) {
        float a = coarse(rng) * 50.0F;  // up to 1200: beyond the zero key
        float b = coarse(rng) * 10.0F;
        AppendContourRecord(job, (rng() % 3 == 0) ? 'C' : 'L', a, b);
      }
    }
    job += "A";
    for (int reverse = 0; reverse <= 1; ++reverse) {
      double length = 0.0;
      auto entries = ScanContours(job, 0, reverse, length);
      ASSERT_EQ(entries.size(), static_cast<std::size_t>(contours));
      EXPECT_EQ(CutOrder(entries), RepeatedScan(entries)) << "round " << round;
    }
  }
}

TEST(ContourRecordReader, RecordsMayEndAfterTheLetterAndKeepTheLastValues) {
  ContourRecordReader reader("M 1.5 -2\n\nA L +3.25 4 X");
  ContourRecord r;
  ASSERT_TRUE(reader.Next(r));
  EXPECT_EQ(r.letter, 'M');
  EXPECT_FLOAT_EQ(r.b, -2.0F);
  EXPECT_EQ(reader.Offset(), 10U);
  ASSERT_TRUE(reader.Next(r));
  EXPECT_EQ(r.letter, 'A');
  EXPECT_EQ(r.values, 0);
  EXPECT_FLOAT_EQ(r.a, 1.5F);
  ASSERT_TRUE(reader.Next(r));
  EXPECT_EQ(r.letter, 'L');
  EXPECT_FLOAT_EQ(r.a, 3.25F);
  ASSERT_TRUE(reader.Next(r));
  EXPECT_EQ(r.letter, 'X');
  EXPECT_FALSE(reader.Next(r));
  std::string out;
  AppendContourRecord(out, 'L', 0.125F, -0.004F);  // exact tie rounds to even, like printf
  EXPECT_EQ(out, "L 0.12 -0.00\n");
}

}  // namespace
}  // namespace orvex
