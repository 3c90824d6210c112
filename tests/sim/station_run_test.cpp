// Whole runs on the twin through the main window where orvex-cli simulate cannot take them: the
// operator's Stop, Pause and Cut Test in the middle of a run, a feeder lost and back, a run that
// ends inside Start, a late feeder reply and a cutter that reports its motion late. Runs from
// Start to their end, with their placements and the twin's faults, are held by the run
// transcripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/work_dir.h"
#include "station_fixture.h"
#include "vision/mark_search_actions.h"

namespace orvex::sim {
namespace {

using namespace window_id;

class StationRunTest : public ::testing::Test, public StationFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(OpenSampleJob()); }
  void TearDown() override { ExpectNoTwinProblems(); }

  int Requests() { return Machine().Feeder().RequestsAccepted(); }
  long ReportLines() {
    if (!temp.Exists(workfile::kReport)) return 0;
    const std::string text = temp.Read(workfile::kReport);
    return std::count(text.begin(), text.end(), '\n');
  }
  bool Said(std::string_view text) {
    return std::find(Messages().begin(), Messages().end(), std::string(text)) != Messages().end();
  }
};

// The feeder answers the sheet request within the 6000 ms the cycle waits after its 500 ms
// pause and the 3000 ms feed command: 9 s after the request the sheet still comes, 10 s after
// it no sheet is cut.
TEST(StationRun, TheSheetReplyIsAwaitedSixSecondsAfterTheFeedCommand) {
  for (const auto& [delayMs, cut] : {std::pair{9000, 1}, std::pair{10'000, 0}}) {
    SCOPED_TRACE(delayMs);
    StationOptions options;
    options.sheets = 1;
    StationFixture s(options);
    s.Machine().Feeder().Settings().replyDelayMs = delayMs;
    ASSERT_TRUE(s.OpenSampleJob());
    s.Press(kStartButton);
    s.RunUntil([&] { return s.Count() == 1; }, 40'000);
    EXPECT_EQ(s.Count(), cut);
  }
}

// Stop during the mark search leaves nothing of the search behind; Stop while a cut sheet is
// awaited reports once and feeds no more.
TEST_F(StationRunTest, StopDuringTheMarkSearchOrAfterACutSheetEndsTheRunThere) {
  Press(kStartButton);
  ASSERT_TRUE(RunUntil([&] { return Ctx().waitingForMark != 0; }, kMinute));
  const std::size_t cuts = Machine().Bed().Cuts().size();
  Press(kStartButton);
  EXPECT_EQ(Ctx().markResult, -1);
  EXPECT_EQ(Ctx().searchAttempts, 0);
  RunFor(kMinute);
  EXPECT_EQ(Machine().Bed().Cuts().size(), cuts);
  EXPECT_EQ(Requests(), 1);
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(Said(kMarkTimeoutMessage));

  Press(kStartButton);
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  Press(kStartButton);
  EXPECT_EQ(StartCaption(), "Start");
  EXPECT_EQ(ReportLines(), 1);  // the run stopped without a sheet wrote none
  const int requests = Requests();
  RunFor(30'000);
  EXPECT_EQ(Requests(), requests);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(ReportLines(), 1);
  EXPECT_FALSE(Engine().Running());
  ExpectSheetsCutOnTheirPrint(1);
}

TEST_F(StationRunTest, PauseDuringTheMarkSearchCutsThatSheetUncountedAndResumeFeedsTheNext) {
  Press(kStartButton);
  ASSERT_TRUE(RunUntil([&] { return Ctx().waitingForMark != 0; }, kMinute));
  Press(kPauseButton);
  EXPECT_TRUE(Engine().Paused());
  RunFor(40'000);
  EXPECT_EQ(station.Accuracy().sheets.size(), 1U);  // the sheet was cut
  EXPECT_EQ(Count(), 0);                            // but not counted
  EXPECT_EQ(Requests(), 1);                         // and nothing more started
  Press(kPauseButton);
  EXPECT_FALSE(Engine().Paused());
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 3 * kMinute));
  EXPECT_EQ(Requests(), 2);
  ExpectSheetsCutOnTheirPrint(2);  // the paused sheet is never counted
}

TEST_F(StationRunTest, FeederLostDuringARunPausesItWithOneMessage) {
  Press(kStartButton);
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  Machine().Feeder().Settings().present = false;
  RunUntil([&] { return Engine().Paused(); }, kMinute);
  RunFor(10'000);
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kFeederOffMessage)});
  EXPECT_TRUE(Engine().Paused());
  EXPECT_TRUE(Engine().Running());
  // Back again: Resume feeds the next sheet.
  Machine().Feeder().Settings().present = true;
  Press(kPauseButton);
  ASSERT_TRUE(RunUntil([&] { return Count() == 2; }, 3 * kMinute));
}

// A Cut Test sheet is registered and cut but never counted and leads to no next sheet. Cut Test
// reads the camera pair from the settings, with a default of its own: the pair the twin's camera
// needs is stored first, as a calibrated station has it.
TEST_F(StationRunTest, CutTestSheetIsCutButNotCounted) {
  profile.WriteInt(kProfileSection, "deltaX", 80);
  profile.WriteInt(kProfileSection, "deltaY", 99);
  Press(kCutTestButton);
  RunFor(kMinute);
  ExpectSheetsCutOnTheirPrint(1);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(Requests(), 1);
  EXPECT_EQ(ReportLines(), 0);
}

// Without crop marks the sheet is cut straight after the feed; with one copy the run ends
// inside Start itself, and the button must not be left reading "Stop".
TEST_F(StationRunTest, RunThatEndsInsideStartLeavesTheButtonReadingStart) {
  model.Fields().withoutMarks = 1;
  model.Fields().copies = 1;
  model.Fields().copiesEntered = 1;
  model.ShowFields();
  Press(kStartButton);
  EXPECT_EQ(Count(), 1);
  EXPECT_FALSE(Engine().Running());
  EXPECT_EQ(StartCaption(), "Start");
  EXPECT_EQ(ReportLines(), 1);
  // The next press is a new run of one sheet, not a Stop that reports the last run again.
  Press(kStartButton);
  EXPECT_EQ(Requests(), 2);
  EXPECT_EQ(ReportLines(), 2);
}

// A cutter that reports a job's motion late: on a long job the finish check must see the cutter
// busy before it believes a ready reply, or it would feed the next sheet under a blade that is
// still cutting.
TEST_F(StationRunTest, ReadyBeforeBusyIsNotTakenAsTheEndOfALongCut) {
  Machine().Cutter().Settings().busyReportDelayMs = 1500;
  Machine().Cutter().Settings().defaultCutSpeedMmPerS = 40.0;
  Machine().Feeder().Settings().sheets = 2;
  int requestsSeen = 0;
  int requestsWhileCutting = 0;
  std::function<void()> watch = [&] {
    // The first sheet's request may go out while the head still parks.
    if (Requests() != requestsSeen) {
      requestsSeen = Requests();
      if (requestsSeen > 1 && Machine().Cutter().Busy()) ++requestsWhileCutting;
    }
    Machine().Clock().ScheduleAfter(10, watch);
  };
  Machine().Clock().ScheduleAfter(10, watch);
  Press(kStartButton);
  ASSERT_TRUE(RunUntilEnded(10 * kMinute));
  EXPECT_EQ(Count(), 2);
  EXPECT_GE(Ctx().totalCutLength, 1200.0);
  EXPECT_EQ(requestsWhileCutting, 0);
  EXPECT_TRUE(Messages().empty()) << Messages().front();
  ExpectSheetsCutOnTheirPrint(2);
}

}  // namespace
}  // namespace orvex::sim
