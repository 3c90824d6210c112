// Whole runs on the twin through the main window where orvex-cli simulate cannot take them: the
// operator's Stop, Pause and Cut Test in the middle of a run, a feeder lost and back, and a run
// that ends inside Start. Runs from Start to their end, with their placements, the cameras' stored
// pairs, the calibration and the twin's faults (a late feeder reply and a cutter that reports its
// motion late among them), are held by the run transcripts.
//
// The whole station on the twin, as the tests drive it: SimStation with the in-memory window over
// it, the bundled sample job opened by File Open (the twin prints it on the sheets to come), the
// window's 120 ms timer on the twin's clock. Tests press the window's buttons and let virtual
// time run; what reached the sheets is measured against the print.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/fake_views.h"
#include "app/main_window_model.h"
#include "core/profile.h"
#include "core/work_dir.h"
#include "sim/sim_station.h"
#include "support/fake_main_window_view.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex::sim {
namespace {

using namespace window_id;

constexpr std::int64_t kMinute = 60'000;

class StationRunTest : public ::testing::Test {
 protected:
  StationRunTest() : station(StationOptions{}, temp.Path()), model(BuildWindow()) {
    view.model = &model;
    model.Initialise();
  }

  void SetUp() override { ASSERT_TRUE(OpenSampleJob()); }
  void TearDown() override { ExpectNoTwinProblems(); }

  // Opens the sample job and lets the window stand open until the cutter is found and its
  // media width read. False when the import refused the job.
  bool OpenSampleJob() {
    view.openAnswer = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
    view.Click(window_id::kFileOpenButton);
    station.StartTimer();
    RunFor(10'000);
    return model.JobLoaded() && Machine().Bed().supply.job != nullptr;
  }

  void Press(int controlId) { view.Click(controlId); }
  void RunFor(std::int64_t ms) { Machine().Clock().Advance(ms); }
  bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs) {
    return station.RunUntil(done, limitMs);
  }

  SimMachine& Machine() { return station.Machine(); }
  RunContext& Ctx() { return station.Run(); }
  RunEngine& Engine() { return *model.Engine(); }
  int Count() { return Engine().Fields().sheet.sheetCount; }
  std::string StartCaption() { return model.State(window_id::kStartButton).caption; }
  const std::vector<std::string>& Messages() { return model.OperatorMessages(); }

  int Requests() { return Machine().Feeder().RequestsAccepted(); }
  long ReportLines() {
    if (!temp.Exists(workfile::kReport)) return 0;
    const std::string text = temp.Read(workfile::kReport);
    return std::count(text.begin(), text.end(), '\n');
  }

  // `sheets` sheets were cut, every cut point on one of them and within 0.15 mm of its print.
  void ExpectSheetsCutOnTheirPrint(std::size_t sheets) {
    const AccuracyReport report = station.Accuracy();
    EXPECT_EQ(report.sheets.size(), sheets);
    EXPECT_EQ(report.pointsOffSheet, 0U);
    for (const SheetAccuracy& sheet : report.sheets) {
      EXPECT_GT(sheet.points, 400U) << "sheet " << sheet.sheet;
      EXPECT_LE(sheet.maxMm, 0.15) << "sheet " << sheet.sheet;
    }
    ExpectNoTwinProblems();
  }
  // The twin understood every text and request the station sent it, and saw nothing amiss.
  void ExpectNoTwinProblems() {
    for (const std::string& problem : Machine().Bed().Problems()) ADD_FAILURE() << problem;
    for (const std::string& refusal : Machine().Feeder().Refusals()) ADD_FAILURE() << refusal;
    for (const CutterInstruction& i : Machine().Cutter().Instructions()) {
      if (!i.understood) ADD_FAILURE() << "not understood: " << i.text;
    }
  }

  test::TempDir temp;
  test::FakeMainWindowView view;
  test::MemoryProfile profile;
  NullPreviewCanvas canvas;
  test::FakePdf pdf;
  SimStation station;
  MainWindowModel& model;

 private:
  MainWindowModel& BuildWindow() { return station.BuildWindow({view, canvas, pdf, profile}); }
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
