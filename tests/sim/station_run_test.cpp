// Whole runs on the twin through the main window where orvex-cli simulate cannot take them: the
// operator's Stop, Pause and Cut Test in the middle of a run, a feeder lost and back, and a run
// that ends inside Start. Runs from Start to their end, with their placements, the cameras' stored
// pairs, the calibration and the twin's faults (a late feeder reply and a cutter that reports its
// motion late among them), are held by the run transcripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/profile.h"
#include "core/work_dir.h"
#include "station_fixture.h"

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
};

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
  EXPECT_TRUE(Messages().empty()) << Messages().front();  // nor the search's time-out

  Press(kStartButton);
  ASSERT_TRUE(RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  Press(kStartButton);
  EXPECT_EQ(StartCaption(), "Start");
  const int requests = Requests();
  RunFor(30'000);
  EXPECT_EQ(Requests(), requests);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(ReportLines(), 1);  // once; the run stopped without a sheet wrote none
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

}  // namespace
}  // namespace orvex::sim
