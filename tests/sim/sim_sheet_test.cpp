// The printed sheet: reading the job back from the working files, and the distance of a cut point
// to the printed contours. How a placed sheet lies on the bed, and which sheet each cut is
// measured on, decide every run's marks and accuracy lines, and are held by the run transcripts.
#include "sim/sim_sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "sim/sim_accuracy.h"
#include "support/temp_dir.h"

namespace orvex::sim {
namespace {

TEST(PrintedJobTest, ReadsContoursAndMarksInTheRecordSyntax) {
  // A special section ended by a blank line, CR LF line ends, a curve point, an open contour,
  // a record that ends after its letter, and the final A without a line end.
  const JobLoad load = ParsePrintedJob(
      "M 1.00 1.00\r\nL 5.00 1.00\r\nL 1.00 1.00\r\n\n"
      "M 10.00 10.00\nL 20.00 10.00\nC 20.00 20.00\nL 10.00 10.00\n"
      "O 30.00 5.00\nL 40.00 5.00\nA\nM 50 50\nA",
      "2.000000 2.000000\n208.000000 2.000000\n105.000000 118.000000\n");
  ASSERT_TRUE(load.ok) << load.message;
  ASSERT_EQ(load.job.contours.size(), 3U);  // the single-point contour is no line
  EXPECT_TRUE(load.job.contours[0].closed);
  EXPECT_EQ(load.job.contours[1].points.size(), 4U);
  EXPECT_DOUBLE_EQ(load.job.contours[1].points[2].b, 20.0);
  EXPECT_FALSE(load.job.contours[2].closed);
  ASSERT_EQ(load.job.marks.size(), 2U);
  EXPECT_DOUBLE_EQ(load.job.marks[1].centre.a, 208.0);
  EXPECT_DOUBLE_EQ(load.job.marks[1].centre.b, 2.0);
}

// That nothing the files hold can crash the twin is the fuzzer's; here, that it says why.
TEST(PrintedJobTest, BadFilesGiveAMessageAndNoJob) {
  const std::string marks = "2 2\n208 2\n";
  EXPECT_NE(ParsePrintedJob("M 1 1\nX 2 2\n", marks).message.find("unknown record 'X'"),
            std::string::npos);
  EXPECT_FALSE(ParsePrintedJob("M 1 1\nL 2 2\n", "2 2\n208").ok);
  test::TempDir dir;
  EXPECT_NE(LoadPrintedJob(dir.Path()).message.find("sort.prn"), std::string::npos);
  std::ofstream(dir.Path() / "sort.prn") << "M 0 0\nL 1 1\nA";
  EXPECT_NE(LoadPrintedJob(dir.Path()).message.find("mk3.dat"), std::string::npos);
  std::ofstream(dir.Path() / "mk3.dat") << marks;
  EXPECT_TRUE(LoadPrintedJob(dir.Path()).ok);
}

// A 10 mm square and an open 10 mm line 20 mm to its right, in 5 mm cells.
TEST(AccuracyTest, DistanceToTheNearestContourInAnyCell) {
  const ContourDistance distance({PrintedContour{{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}},
                                  PrintedContour{{{30, 0}, {40, 0}}}});
  EXPECT_DOUBLE_EQ(distance({5, -3}), 3.0);
  EXPECT_DOUBLE_EQ(distance({5, 5}), 5.0);      // inside the square
  EXPECT_DOUBLE_EQ(distance({13, 14}), 5.0);    // off its corner
  EXPECT_DOUBLE_EQ(distance({24, 8}), 10.0);    // the line's end, not the square's side 14 away
  EXPECT_DOUBLE_EQ(distance({-30, 50}), 50.0);  // beyond the cells
  EXPECT_TRUE(std::isinf(ContourDistance({})(JobPoint{1, 1})));
  // The ring around the point's cell may hold a segment further off (7.7 mm, above left) than
  // one in the next ring (5.1 mm, to the right): the search looks one ring further.
  const ContourDistance rings({PrintedContour{{{0, 0}, {0, 0.5}}},
                               PrintedContour{{{9, 18}, {9.5, 18}}},
                               PrintedContour{{{20, 10}, {20, 14}}}});
  EXPECT_NEAR(rings({14.9, 12.5}), 5.1, 1e-9);
}

}  // namespace
}  // namespace orvex::sim
