// Whole runs of the run engine on the simulated machine, in virtual time: the sample job fed,
// registered and cut sheet after sheet, with the operator's Stop, Pause and Resume, and with the
// twin's faults (marks missing, feeder absent or silent, cutter unplugged, camera without frames).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "import_for_sim.h"
#include "run_harness.h"
#include "support/temp_dir.h"
#include "vision/mark_search_actions.h"

namespace orvex::sim {
namespace {

constexpr std::int64_t kMinute = 60'000;

class RunOnTwinTest : public ::testing::Test {
 protected:
  RunOnTwinTest() {
    job_.mediaWidth = 320;
    std::string message;
    loaded_ = ImportGraphic(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps", dir_.Path(),
                            job_, message);
    EXPECT_TRUE(loaded_) << message;
    job_.cameraOffsetX = 80;
    job_.cameraOffsetY = 99;
    job_.markScale = 4.0 / 51.0;
    if (loaded_) Align();
    harness_ = std::make_unique<RunHarness>(machine_, dir_.Path(), job_);
    harness_->StartTimer();
    // The window has been open a while: the cutter is found and its media width known.
    harness_->RunFor(10'000);
  }

  // Prints the job on the twin's sheets.
  void Align() {
    std::string message;
    EXPECT_TRUE(machine_.LoadJob(dir_.Path(), message)) << message;
  }

  RunHarness& H() { return *harness_; }
  RunEngine& E() { return harness_->Engine(); }
  int Count() { return E().Fields().sheet.sheetCount; }

  // Runs until `done` holds or `limitMs` of virtual time have passed.
  template <typename Done>
  bool RunUntil(Done done, std::int64_t limitMs) {
    const std::int64_t end = machine_.Clock().NowMs() + limitMs;
    while (machine_.Clock().NowMs() < end) {
      if (done()) return true;
      H().RunFor(kTickMs);
    }
    return done();
  }

  bool HasMessage(std::string_view text) {
    return std::find(H().messages.begin(), H().messages.end(), std::string(text)) !=
           H().messages.end();
  }

  void ExpectNoTickOrFrameInsideASequence() {
    EXPECT_EQ(H().ticksInsideSequences, 0);
    EXPECT_EQ(H().analysesInsideSequences, 0);
  }

  test::TempDir dir_;
  RunContext job_;
  bool loaded_ = false;
  SimMachine machine_;
  std::unique_ptr<RunHarness> harness_;
};

// The headline: three sheets laid at random within 3 mm, 0.5 degrees and 0.3 % stretch, each
// found, corrected and cut on its printed contours, and the run ends when the stack is empty.
TEST_F(RunOnTwinTest, ThreeRandomlyPlacedSheetsAreCutOnTheirContours) {
  ASSERT_TRUE(loaded_);
  SheetSupply& supply = machine_.Bed().supply;
  supply.random = true;
  supply.seed = 77;
  supply.maxOffsetMm = 3.0;
  supply.maxRotationDeg = 0.5;
  supply.maxStretch = 0.003;
  machine_.Feeder().Settings().sheets = 3;

  E().Start();
  EXPECT_EQ(H().startCaption, "Stop");
  ASSERT_TRUE(H().RunUntilEnded(10 * kMinute));

  EXPECT_EQ(Count(), 3);
  EXPECT_EQ(H().reportedSheetCounts, std::vector<int>{3});
  EXPECT_EQ(H().startCaption, "Start");
  EXPECT_TRUE(H().messages.empty()) << H().messages.front();
  EXPECT_EQ(machine_.Feeder().CuttingNotices(), 3);
  const AccuracyReport report = machine_.Accuracy();
  ASSERT_EQ(report.sheets.size(), 3U);
  EXPECT_EQ(report.pointsOffSheet, 0U);
  for (const SheetAccuracy& sheet : report.sheets) {
    const SheetPlacement& placed =
        machine_.Bed().LaidSheets()[static_cast<std::size_t>(sheet.sheet - 1)].Placement();
    EXPECT_GT(sheet.points, 400U);
    EXPECT_LE(sheet.maxMm, 0.15) << "sheet " << sheet.sheet << " offset " << placed.offsetFeedMm
                                 << ", " << placed.offsetCrossMm << " turned " << placed.rotationDeg
                                 << " stretched " << placed.feedScale;
  }
  // The sequences' waits did see ticks and frame notices arrive; none ran inside.
  EXPECT_GT(E().DeferredTicks(), 0);
  ExpectNoTickOrFrameInsideASequence();
}

// Five copies of a longer stack: the run ends at the fifth counted sheet with one report line,
// and the first two sheets' cutting times give the average.
TEST_F(RunOnTwinTest, CopiesEndTheRunWithOneReportLineAndTheAverageCutTime) {
  ASSERT_TRUE(loaded_);
  machine_.Feeder().Settings().sheets = 8;
  E().Fields().sheet.copiesEnabled = true;
  E().Fields().sheet.copies = 5;
  E().Start();
  ASSERT_TRUE(H().RunUntilEnded(20 * kMinute));
  EXPECT_EQ(Count(), 5);
  EXPECT_EQ(H().reportedSheetCounts, std::vector<int>{5});
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), 5);
  const RunContext& ctx = H().Ctx();
  EXPECT_GT(ctx.firstCutMs, 1000U);
  EXPECT_GT(ctx.secondCutMs, 1000U);
  EXPECT_EQ(ctx.avgCutMs, (ctx.firstCutMs + ctx.secondCutMs) / 2);
  EXPECT_NEAR(ctx.skewSum, 0.0, 1e-3);  // sheets laid without error
  for (const SheetAccuracy& sheet : machine_.Accuracy().sheets) EXPECT_LE(sheet.maxMm, 0.15);
  ExpectNoTickOrFrameInsideASequence();

  // The next press starts a new run; a second press stops it without a second report line
  // for the first run.
  E().Start();
  EXPECT_EQ(H().startCaption, "Stop");
  EXPECT_EQ(ctx.avgCutMs, 0U);
}

TEST_F(RunOnTwinTest, StopInTheMiddleEndsTheRunAndFeedsNoMore) {
  ASSERT_TRUE(loaded_);
  E().Start();
  ASSERT_TRUE(RunUntil([&] { return Count() == 2; }, 10 * kMinute));
  E().Start();  // the button reads "Stop"
  EXPECT_EQ(H().startCaption, "Start");
  EXPECT_EQ(H().reportedSheetCounts, std::vector<int>{2});
  const int requests = machine_.Feeder().RequestsAccepted();
  H().RunFor(2 * kMinute);
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), requests);
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(H().reportedSheetCounts.size(), 1U);
}

TEST_F(RunOnTwinTest, PauseDuringTheMarkSearchCutsTheSheetUncountedUntilResume) {
  ASSERT_TRUE(loaded_);
  E().Start();
  ASSERT_TRUE(RunUntil([&] { return H().Ctx().waitingForMark != 0; }, kMinute));
  E().PauseResume();
  EXPECT_TRUE(E().Paused());
  H().RunFor(2 * kMinute);
  EXPECT_EQ(machine_.Accuracy().sheets.size(), 1U);    // the sheet was cut
  EXPECT_EQ(Count(), 0);                               // but not counted
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), 1);  // and nothing more started

  E().PauseResume();
  EXPECT_FALSE(E().Paused());
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 3 * kMinute));
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), 2);
  for (const SheetAccuracy& sheet : machine_.Accuracy().sheets) EXPECT_LE(sheet.maxMm, 0.15);
}

TEST_F(RunOnTwinTest, MarksMissingTimeOutEjectAndEndTheRunAfterTwoSheets) {
  ASSERT_TRUE(loaded_);
  E().Start();
  ASSERT_TRUE(RunUntil([&] { return Count() == 2; }, 10 * kMinute));
  machine_.Camera().Settings().showsMarks = false;
  ASSERT_TRUE(H().RunUntilEnded(5 * kMinute));
  EXPECT_TRUE(HasMessage(kMarkTimeoutMessage));
  EXPECT_EQ(H().reportedSheetCounts, std::vector<int>{2});
  EXPECT_EQ(machine_.Bed().SheetOnBed(), nullptr);   // ejected
  EXPECT_EQ(machine_.Feeder().CuttingNotices(), 3);  // two cut, one abandoned
  EXPECT_GE(H().framesRequested, 65);
  ExpectNoTickOrFrameInsideASequence();
}

TEST_F(RunOnTwinTest, AbsentFeederIsReportedOnceAndNothingIsFed) {
  ASSERT_TRUE(loaded_);
  machine_.Feeder().Settings().present = false;
  E().Start();
  EXPECT_EQ(std::count(H().messages.begin(), H().messages.end(), std::string(kFeederOffMessage)),
            1);
  H().RunFor(kMinute);
  EXPECT_TRUE(machine_.Cutter().FeedCommands().empty());
  EXPECT_EQ(H().messages.size(), 1U);
  EXPECT_EQ(H().startCaption, "Stop");  // the operator stops it with the same button
  E().Start();
  EXPECT_TRUE(H().reportedSheetCounts.empty());  // no sheet, no report line
}

TEST_F(RunOnTwinTest, FeederLostDuringARunPausesItWithOneMessage) {
  ASSERT_TRUE(loaded_);
  E().Start();
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  machine_.Feeder().Settings().present = false;
  H().RunFor(3 * kMinute);
  EXPECT_EQ(H().messages, std::vector<std::string>{std::string(kFeederOffMessage)});
  EXPECT_TRUE(E().Paused());
  EXPECT_TRUE(E().Running());
  // Back again: Resume feeds the next sheet.
  machine_.Feeder().Settings().present = true;
  E().PauseResume();
  ASSERT_TRUE(RunUntil([&] { return Count() == 2; }, 3 * kMinute));
}

TEST_F(RunOnTwinTest, SilentFeederStopsTheFeedAndEndsARunWithCutSheets) {
  ASSERT_TRUE(loaded_);
  machine_.Feeder().Settings().silent = true;
  E().Start();
  EXPECT_EQ(machine_.Cutter().FeedCommands().back(), 0);  // the feed was stopped
  EXPECT_TRUE(H().reportedSheetCounts.empty());
  EXPECT_EQ(H().startCaption, "Stop");
  E().Start();

  machine_.Feeder().Settings().silent = false;
  E().Start();
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  machine_.Feeder().Settings().silent = true;
  ASSERT_TRUE(H().RunUntilEnded(3 * kMinute));
  EXPECT_EQ(H().reportedSheetCounts, std::vector<int>{1});
}

TEST_F(RunOnTwinTest, CutterUnpluggedMidStreamPausesTheRunUncountedUntilResumed) {
  ASSERT_TRUE(loaded_);
  E().Start();
  ASSERT_TRUE(RunUntil([&] { return H().Ctx().runPhase == 2; }, 2 * kMinute));
  machine_.Cutter().UnplugAfterBytes(2000);
  H().RunFor(kMinute);
  EXPECT_FALSE(machine_.Cutter().Plugged());
  EXPECT_EQ(H().Ctx().linkState, 0);  // discovery found nothing
  // The half-cut sheet is no copy: the operator is told which one, and the run waits.
  EXPECT_EQ(Count(), 0);
  EXPECT_TRUE(E().Paused());
  ASSERT_EQ(H().messages.size(), 1U);
  EXPECT_EQ(H().messages[0], SheetNotCutMessage(1));
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), 1);  // no sheet fed to a missing cutter

  const std::size_t receivedBefore = machine_.Cutter().Instructions().size();
  machine_.Cutter().Plug();
  ASSERT_TRUE(RunUntil([&] { return H().Ctx().linkState == 1; }, kMinute));
  E().PauseResume();
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  // The connect notice went out once after the cable came back.
  int notices = 0;
  const auto& instructions = machine_.Cutter().Instructions();
  const std::string notice = FormatCutterCommand(kConnectNotice, H().Ctx(), {}).writes.front();
  for (std::size_t i = receivedBefore; i < instructions.size(); ++i) {
    if (notice.find(instructions[i].text) != std::string::npos && !instructions[i].text.empty() &&
        instructions[i].text.size() + 2 >= notice.size()) {
      ++notices;
    }
  }
  EXPECT_EQ(notices, 1);
}

TEST_F(RunOnTwinTest, CameraWithoutFramesLeavesTheRunWaiting) {
  ASSERT_TRUE(loaded_);
  machine_.Camera().Settings().deliversFrames = false;
  E().Start();
  H().RunFor(2 * kMinute);
  EXPECT_TRUE(E().Running());
  EXPECT_EQ(H().Ctx().waitingForMark, 1);
  EXPECT_EQ(H().framesRequested, 1);  // one request, still pending
  EXPECT_EQ(Count(), 0);
  EXPECT_TRUE(H().messages.empty());
}

// A Cut Test sheet is registered and cut but never counted and leads to no next sheet.
TEST_F(RunOnTwinTest, CutTestSheetIsCutButNotCounted) {
  ASSERT_TRUE(loaded_);
  // The special-colour combo shows the job's mode, as the window leaves it after the load.
  E().Fields().specialSelection = H().Ctx().specialMode;
  E().CutTest();
  H().RunFor(2 * kMinute);
  EXPECT_EQ(machine_.Accuracy().sheets.size(), 1U);
  EXPECT_LE(machine_.Accuracy().sheets.front().maxMm, 0.15);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), 1);
  EXPECT_TRUE(H().reportedSheetCounts.empty());
}

// Without crop marks the sheet is cut straight after the feed; with one copy the run ends
// inside Start itself, and the button must not be left reading "Stop".
TEST_F(RunOnTwinTest, RunThatEndsInsideStartLeavesTheButtonReadingStart) {
  ASSERT_TRUE(loaded_);
  E().Fields().sheet.withoutCropMarks = true;
  E().Fields().sheet.copiesEnabled = true;
  E().Fields().sheet.copies = 1;
  E().Start();
  EXPECT_EQ(Count(), 1);
  EXPECT_FALSE(E().Running());
  EXPECT_EQ(H().startCaption, "Start");
  EXPECT_EQ(H().reportedSheetCounts, std::vector<int>{1});
  EXPECT_EQ(H().framesRequested, 0);
  // The next press is a new run of one sheet, not a Stop that reports the last run again.
  E().Start();
  EXPECT_EQ(machine_.Feeder().RequestsAccepted(), 2);
  EXPECT_EQ(H().reportedSheetCounts, (std::vector<int>{1, 1}));
  ExpectNoTickOrFrameInsideASequence();
}

}  // namespace
}  // namespace orvex::sim
