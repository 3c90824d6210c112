// The printed sheet: reading the job back from the working files, placing a sheet, and the
// accuracy measure of cuts against the printed contours.
#include "sim/sim_sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>

#include "sim/sim_accuracy.h"
#include "sim/sim_bed.h"
#include "support/temp_dir.h"

namespace orvex::sim {
namespace {

TEST(PrintedJobTest, ReadsContoursAndMarksInTheRecordSyntax) {
  // A special section ended by a blank line, CR LF line ends, a curve point, an open contour,
  // a record that ends after its letter, and the final A without a line end.
  const std::string sort =
      "M 1.00 1.00\r\nL 5.00 1.00\r\nL 1.00 1.00\r\n\n"
      "M 10.00 10.00\nL 20.00 10.00\nC 20.00 20.00\nL 10.00 10.00\n"
      "O 30.00 5.00\nL 40.00 5.00\nA\nM 50 50\nA";
  const JobLoad load = ParsePrintedJob(sort,
                                       "2.000000 2.000000\n208.000000 2.000000\n"
                                       "105.000000 118.000000\n");
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

TEST(PrintedJobTest, BadFilesGiveAMessageAndNoJob) {
  const std::string marks = "2 2\n208 2\n";
  EXPECT_NE(ParsePrintedJob("M 1 1\nX 2 2\n", marks).message.find("unknown record 'X'"),
            std::string::npos);
  EXPECT_NE(ParsePrintedJob("M 1 1\nL 2\n", marks).message.find("lacks its two coordinates"),
            std::string::npos);
  EXPECT_FALSE(ParsePrintedJob("M 1 1\nL nan 2\n", marks).ok);
  EXPECT_FALSE(ParsePrintedJob("M 1 1\nL 2 2\n", "2 2\n208").ok);
  EXPECT_FALSE(ParsePrintedJob(std::string("M 1 1\nL 2 2\0 3", 14), marks).ok);

  test::TempDir dir;
  JobLoad load = LoadPrintedJob(dir.Path());
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.message.find("sort.prn"), std::string::npos);
  std::ofstream(dir.Path() / "sort.prn") << "M 0 0\nL 1 1\nA";
  load = LoadPrintedJob(dir.Path());
  EXPECT_NE(load.message.find("mk3.dat"), std::string::npos);
  std::ofstream(dir.Path() / "mk3.dat") << marks;
  EXPECT_TRUE(LoadPrintedJob(dir.Path()).ok);
}

TEST(PlacedSheetTest, NominalRotatedStretchedAndBackAgain) {
  auto job = std::make_shared<const PrintedJob>();
  const PlacedSheet nominal(job, SheetPlacement{}, MachinePoint{800.0, 320.0}, 1);
  const MachinePoint m = nominal.ToMachine(JobPoint{10.0, 2.0});
  EXPECT_DOUBLE_EQ(m.x, 790.0);  // face up, a runs towards -x
  EXPECT_DOUBLE_EQ(m.y, 318.0);  // and b towards -y, from the far edge

  SheetPlacement placement;
  placement.offsetFeedMm = 2.0;
  placement.offsetCrossMm = -1.0;
  placement.rotationDeg = 90.0;
  placement.feedScale = 1.01;
  placement.pivot = JobPoint{10.0, 2.0};
  const PlacedSheet turned(job, placement, MachinePoint{800.0, 320.0}, 2);
  const MachinePoint pivot = turned.ToMachine(JobPoint{10.0, 2.0});
  EXPECT_NEAR(pivot.x, 800.0 - 1.01 * 12.0, 1e-9);
  EXPECT_NEAR(pivot.y, 320.0 - 1.0, 1e-9);
  // A quarter turn sends +a to +b (towards smaller y).
  const MachinePoint along = turned.ToMachine(JobPoint{20.0, 2.0});
  EXPECT_NEAR(along.x, pivot.x, 1e-9);
  EXPECT_NEAR(along.y, pivot.y - 10.0, 1e-9);

  std::mt19937 engine(5);
  std::uniform_real_distribution<double> coordinate(-50.0, 300.0);
  for (int i = 0; i < 50; ++i) {
    const PlacedSheet sheet(job, SheetPlacement::Random(engine(), 3.0, 1.0, 0.002, {5, 5}),
                            MachinePoint{700.0, 300.0}, i);
    const JobPoint p{coordinate(engine), coordinate(engine)};
    const JobPoint back = sheet.ToJob(sheet.ToMachine(p));
    EXPECT_NEAR(back.a, p.a, 1e-9);
    EXPECT_NEAR(back.b, p.b, 1e-9);
  }
}

TEST(PlacedSheetTest, RandomPlacementIsRepeatableAndWithinItsBounds) {
  const SheetPlacement a = SheetPlacement::Random(42, 2.0, 0.3, 0.001, {1, 2});
  const SheetPlacement b = SheetPlacement::Random(42, 2.0, 0.3, 0.001, {1, 2});
  EXPECT_EQ(a.offsetFeedMm, b.offsetFeedMm);
  EXPECT_EQ(a.rotationDeg, b.rotationDeg);
  EXPECT_NE(SheetPlacement::Random(43, 2.0, 0.3, 0.001, {}).offsetFeedMm, a.offsetFeedMm);
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    const SheetPlacement s = SheetPlacement::Random(seed, 2.0, 0.3, 0.001, {});
    EXPECT_LE(std::fabs(s.offsetFeedMm), 2.0);
    EXPECT_LE(std::fabs(s.offsetCrossMm), 2.0);
    EXPECT_LE(std::fabs(s.rotationDeg), 0.3);
    EXPECT_LE(std::fabs(s.feedScale - 1.0), 0.001);
  }
}

TEST(AccuracyTest, DistanceMatchesAPlainSearchOverEverySegment) {
  std::mt19937 engine(9);
  std::uniform_real_distribution<double> coordinate(0.0, 200.0);
  std::vector<PrintedContour> contours(30);
  for (PrintedContour& contour : contours) {
    for (int i = 0; i < 6; ++i)
      contour.points.push_back({coordinate(engine), coordinate(engine) / 4});
  }
  const ContourDistance distance(contours, 5.0);
  std::uniform_real_distribution<double> query(-40.0, 240.0);
  for (int i = 0; i < 300; ++i) {
    const JobPoint x{query(engine), query(engine)};
    double best = 1e300;
    for (const PrintedContour& contour : contours) {
      for (std::size_t s = 0; s + 1 < contour.points.size(); ++s) {
        const JobPoint p = contour.points[s];
        const JobPoint q = contour.points[s + 1];
        const double ea = q.a - p.a, eb = q.b - p.b;
        double t = ((x.a - p.a) * ea + (x.b - p.b) * eb) / (ea * ea + eb * eb);
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(x.a - p.a - t * ea, x.b - p.b - t * eb));
      }
    }
    ASSERT_NEAR(distance(x), best, 1e-9) << i;
  }
  EXPECT_TRUE(std::isinf(ContourDistance({})(JobPoint{1, 1})));
}

TEST(AccuracyTest, CutsAreMeasuredOnTheSheetTheyWereMadeOn) {
  PrintedJob job;
  job.marks = {PrintedMark{{2, 2}}, PrintedMark{{108, 2}}};
  job.contours.push_back(PrintedContour{{{20, 20}, {60, 20}, {60, 50}, {20, 50}, {20, 20}}, true});
  SimBed bed;
  bed.supply.job = std::make_shared<const PrintedJob>(job);
  SheetPlacement tilted;
  tilted.rotationDeg = 0.3;
  tilted.offsetFeedMm = 2.0;
  bed.supply.perSheet[2] = tilted;
  bed.MoveTo({0, 0});
  bed.CutTo({5, 0});  // nothing on the bed yet
  for (int sheet = 1; sheet <= 2; ++sheet) {
    bed.NoteSheetRequested();
    bed.DeliverSheet();
    bed.NoteFeedCommand(2);
    bed.NoteFeedCommand(0);
    const PlacedSheet& on = *bed.SheetOnBed();
    // Sheet 1 is cut 0.1 mm outside the square's bottom side, sheet 2 exactly on it.
    const double miss = sheet == 1 ? 0.1 : 0.0;
    bed.MoveTo(on.ToMachine({20, 20 - miss}));
    bed.CutTo(on.ToMachine({40, 20 - miss}));
    bed.CutTo(on.ToMachine({60, 20 - miss}));
  }
  const AccuracyReport report = MeasureAccuracy(bed);
  EXPECT_EQ(report.pointsOffSheet, 2U);
  ASSERT_EQ(report.sheets.size(), 2U);
  EXPECT_EQ(report.sheets[0].sheet, 1);
  EXPECT_EQ(report.sheets[0].points, 3U);
  EXPECT_NEAR(report.sheets[0].maxMm, 0.1, 1e-9);
  EXPECT_NEAR(report.sheets[0].rmsMm, 0.1, 1e-9);
  EXPECT_NEAR(report.sheets[1].maxMm, 0.0, 1e-9);
}

}  // namespace
}  // namespace orvex::sim
