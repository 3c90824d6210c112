// A whole run in edge mode on the simulated machine: the sheet located by its outline, not by
// printed marks. The cut is mirrored along the feed, so the twin lays the sheet printed side
// down; the camera sees only the sheet's back and the bed around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "import_for_sim.h"
#include "run_harness.h"
#include "support/temp_dir.h"

namespace orvex::sim {
namespace {

constexpr std::int64_t kMinute = 60'000;
constexpr double kLabelStepMm = 8.0;
constexpr double kMediaWidthMm = 320.0;

class EdgeRunOnTwinTest : public ::testing::Test {
 protected:
  EdgeRunOnTwinTest() {
    job_.mediaWidth = kMediaWidthMm;
    std::string message;
    loaded_ = ImportGraphic(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps", dir_.Path(),
                            job_, message);
    EXPECT_TRUE(loaded_) << message;
    job_.specialMode = 2;
    job_.cameraOffsetX = 80;
    job_.cameraOffsetY = 99;
    job_.markScale = 4.0 / 51.0;
  }

  // Lays the sheets so that the run's arithmetic holds: the end edge it finds is the sheet's
  // end (2 mm and the label step before the first mark, counted against the feed), and the
  // side edge is the sheet's far side, where the first marker's cross position (0) is counted.
  void Build(int bedGrey, int sheetGrey) {
    ASSERT_TRUE(loaded_);
    std::string message;
    ASSERT_TRUE(machine_.LoadJob(dir_.Path(), message)) << message;
    PrintedJob job = *machine_.Bed().supply.job;
    const JobPoint first = job.marks.front().centre;
    const double distance = job.marks.back().centre.a - first.a;
    job.sheet = SheetOutline{true, first.a - 2.0 - kLabelStepMm, job_.jobWidth + 15.0, -6.0,
                             job_.jobHeight + 6.0};
    machine_.SetJob(job);
    SimCameraSettings& camera = machine_.Camera().Settings();
    camera.mpix = 51;
    camera.bedGrey = bedGrey;
    camera.paperGrey = sheetGrey;

    // Where the head stands when the first edge is sought.
    SimMachine rehearsal;
    rehearsal.LoadJob(dir_.Path(), message);
    {
      RunHarness dry(rehearsal, dir_.Path(), job_);
      dry.Engine().Fields().commands.labelStep = kLabelStepMm;
      dry.Link().FindCutter();
      dry.Engine().StartSheet();
      ASSERT_EQ(dry.Ctx().edgeMode, 1);
    }
    const MachinePoint head = rehearsal.Bed().head;
    firstAxis_ = MachinePoint{head.x + job_.cameraOffsetX / 10.0, 0.0};
    camera.offsetFeedTenths = job_.cameraOffsetX;
    // Paper on a darker bed rises into the sheet at its far side (smallest b).
    const double axisCross = kMediaWidthMm - job_.cameraOffsetY / 10.0 - job.sheet.bMin;
    camera.offsetCrossTenths = (axisCross - head.y) * 10.0;
    SheetSupply& supply = machine_.Bed().supply;
    supply.faceDown = true;
    // The sheet's end under the camera once it has moved by the mark distance.
    supply.nominalOrigin =
        MachinePoint{head.x + camera.offsetFeedTenths / 10.0 + distance + job.sheet.aMin,
                     axisCross + job.sheet.bMin};

    harness_ = std::make_unique<RunHarness>(machine_, dir_.Path(), job_);
    E().Fields().commands.labelStep = kLabelStepMm;
    harness_->StartTimer();
    harness_->RunFor(10'000);  // the cutter is found and its media width known
  }

  RunHarness& H() { return *harness_; }
  RunEngine& E() { return harness_->Engine(); }
  int Count() { return E().Fields().sheet.sheetCount; }

  test::TempDir dir_;
  MachinePoint firstAxis_;  // the camera's axis at the first look
  RunContext job_;
  bool loaded_ = false;
  SimMachine machine_;
  std::unique_ptr<RunHarness> harness_;
};

// Paper on a darker bed: the side edge is found on the first look (the run moves on to the
// sheet's end, with the cross offset the twin placed), but the end search takes only a rise
// along the feed, and past the sheet's end the grey falls: the run gives up after 35 looks
// with the end-of-sheet message, ejects the sheet and cuts nothing.
TEST_F(EdgeRunOnTwinTest, SideIsFoundButTheEndOfPaperOnADarkerBedIsNot) {
  Build(/*bedGrey=*/70, /*sheetGrey=*/215);
  SheetPlacement placed;
  placed.offsetCrossMm = 1.5;
  machine_.Bed().supply.placement = placed;
  machine_.Feeder().Settings().sheets = 1;

  E().Start();
  for (int i = 0; i < 600 && H().Ctx().runPhase != 2; ++i) H().RunFor(kTickMs);
  ASSERT_EQ(H().Ctx().runPhase, 2);
  EXPECT_TRUE(H().messages.empty());
  // The sheet lies 1.5 mm nearer the near side: its edge shows that much to the right.
  EXPECT_NEAR(H().Ctx().firstMarkCrossOffset, 1.5, 0.1);
  const std::string endMessage =
      "End of the sheet not found\ncheck the distance of the secon marker\nfrom the end of the "
      "sheet";
  for (int i = 0; i < 600 && H().messages.empty(); ++i) H().RunFor(kTickMs);
  ASSERT_FALSE(H().messages.empty());
  EXPECT_EQ(H().messages.front(), endMessage);
  H().RunFor(5'000);
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(machine_.Bed().SheetOnBed());  // ejected
  EXPECT_TRUE(machine_.Bed().Cuts().empty());
  EXPECT_EQ(H().ticksInsideSequences, 0);
  EXPECT_EQ(H().analysesInsideSequences, 0);
}

// Marks only 20 mm apart, so the sheet's end can lie just past the first look (which then sees
// paper in row 400) and rise into the frame after the move by the mark distance: the end is
// found, the sheet is cut and counted. The cut, though, is placed 2 mm and the label step
// before the end edge, against the feed, which is where the search required the bed: every
// cut point lands off the paper.
TEST_F(EdgeRunOnTwinTest, AnEndFoundAfterAShortMoveIsCutOffThePaper) {
  job_.importSecondMark = job_.importFirstMark + 20.0F;
  Build(/*bedGrey=*/70, /*sheetGrey=*/215);
  PrintedJob job = *machine_.Bed().supply.job;
  // Face down, the paper lies at larger x than its largest a: that edge is the rise the end
  // search takes. 5 mm past the first look's axis, row 400 (12.5 mm on) shows paper.
  job.sheet.aMax = job_.jobWidth + 10.0;
  job.sheet.aMin = job.sheet.aMax - 400.0;
  machine_.SetJob(job);
  const double endX = firstAxis_.x + 5.0;
  machine_.Bed().supply.nominalOrigin.x = endX + job.sheet.aMax;
  machine_.Feeder().Settings().sheets = 1;

  E().Start();
  ASSERT_TRUE(H().RunUntilEnded(5 * kMinute));
  EXPECT_TRUE(H().messages.empty()) << H().messages.front();
  EXPECT_EQ(Count(), 1);
  ASSERT_FALSE(machine_.Bed().Cuts().empty());
  double nearest = -1e9;
  for (const CutStroke& stroke : machine_.Bed().Cuts()) {
    for (const MachinePoint& p : stroke.points) nearest = std::max(nearest, p.x);
  }
  std::printf("edge at x %.2f mm, nearest cut point at x %.2f mm (%.2f mm onto the bed)\n", endX,
              nearest, endX - nearest);
  EXPECT_LT(nearest, endX - 2.0 - kLabelStepMm + 1.2);
}

}  // namespace
}  // namespace orvex::sim
