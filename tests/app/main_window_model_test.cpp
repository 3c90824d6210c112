// The main window's life cycle (initialisation, the deferred set-up on the tenth tick, the close
// request, a cutter status read in flight across start-up), File Open and Start, the tool and jog
// buttons and the calibration dialog. Whole runs through Start are the station's tests.
#include <gtest/gtest.h>

#include <map>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

TEST_F(MainWindowModelTest, InitialisationLeavesTheWindowIdleAndTheTenthTickFinishesTheSetUp) {
  EXPECT_EQ(view.comboEntries[kMarkModeCombo].size(), 4U);
  EXPECT_EQ(view.comboEntries[kSpecialModeCombo],
            (std::vector<std::string>{"Dashed line", "Half Cutting", "Blade creasing"}));
  EXPECT_EQ(
      view.selections,
      (std::map<int, int>{
          {kMarkModeCombo, 0}, {kPassCombo, 0}, {kSpecialModeCombo, 0}, {kMultipleCombo, 0}}));
  for (int id : {kStartButton, kCopiesEdit}) EXPECT_FALSE(model->State(id).enabled) << id;
  for (int id : {kMarkModeCombo, kCycleButton}) EXPECT_FALSE(model->State(id).shown) << id;
  EXPECT_EQ(view.icons[kUpButton], "icon145/48");

  // The deferred set-up runs once, on the tenth tick.
  for (int tick = 1; tick <= 9; ++tick) model->OnTimer();
  EXPECT_TRUE(camera.log.empty());
  model->OnTimer();
  EXPECT_EQ(view.texts[kFirstMarkerCaption] + "|" + view.texts[kCalibrationButton],
            "First Marker|Calibration");
  EXPECT_EQ(view.texts.count(kUnitLabelFirstMarker), 0U);  // millimetres: nothing converted
  for (int tick = 0; tick < 20; ++tick) model->OnTimer();
  EXPECT_EQ(camera.log, (std::vector<std::string>{"B-10/1"}));  // once
}

TEST_F(MainWindowModelTest, CloseWritesUpliftAndInsertionAndWaitsDuringRegistration) {
  view.texts[kUpliftEdit] = "12";
  view.texts[kInsertionEdit] = "34";
  profile.ClearWriteLog();
  EXPECT_TRUE(model->OnCloseRequest());
  EXPECT_EQ(profile.WriteLog(), (std::vector<std::string>{"discesa", "inser"}));
  EXPECT_EQ(profile.ReadInt(kProfileSection, "inser", 0), 34);

  run.waitingForMark = 1;
  view.texts[kUpliftEdit] = "13";
  EXPECT_FALSE(model->OnCloseRequest());
  EXPECT_EQ(std::make_pair(run.exitRequested, run.waitingForMark), std::make_pair(1, 0));
  EXPECT_EQ(profile.ReadInt(kProfileSection, "discesa", 0), 13);
}

// Start-up clears the status read's record; a read still in flight is not forgotten, or its
// reply would land later in a buffer the run loop no longer expects to change.
TEST_F(MainWindowModelTest, StartUpKeepsAStatusReadInFlightAndItsReplyStillLands) {
  cutterTransport.devices = {run.cutterPath};
  ASSERT_EQ(link.ReadCutterStatus(), 0);
  ASSERT_TRUE(link.StatusReadOutstanding());
  Build();
  EXPECT_TRUE(link.StatusReadOutstanding());
  EXPECT_EQ(cutterTransport.OpenHandles().size(), 1U);
  cutterTransport.Reply(std::string("\t0\x03", 3));
  link.PumpStatusRead();
  EXPECT_EQ(run.cutterStatus[0], '\t');
  EXPECT_TRUE(cutterTransport.OpenHandles().empty());
  EXPECT_EQ(cutterTransport.misuse, 0);
}

TEST_F(MainWindowModelTest, StartNeedsAJobFileOpenLoadsOneAndStartStoresTheRunSettings) {
  view.texts[kXCorrectionEdit] = "5";
  view.Click(kStartButton);
  EXPECT_EQ(model->OperatorMessages(), std::vector<std::string>{"No Graphic file is loaded"});
  EXPECT_TRUE(CutterBytes().empty());
  EXPECT_FALSE(dir.Exists("recent.dat"));

  model->Fields().specialSpeed = 33;
  LoadJob();
  EXPECT_TRUE(dir.Exists("sort.prn"));
  EXPECT_EQ(view.texts[kLastJobLine], "Current job: " + dir.File("job.eps").string());
  EXPECT_EQ(model->Fields().specialSpeed, 12);  // the job has no special paths: mode 0
  EXPECT_FALSE(model->State(kMultipleCombo).enabled);
  EXPECT_EQ(run.reopenRequest, 0);
  // A refused job leaves none loaded, so Start cannot run on half-replaced files.
  dir.Write("bad.eps", "not a graphic");
  view.openAnswer = dir.File("bad.eps").string();
  view.Click(kFileOpenButton);
  EXPECT_FALSE(model->JobLoaded());

  LoadJob();
  view.Click(kStartButton);
  EXPECT_TRUE(dir.Exists("recent.dat"));
  EXPECT_EQ(model->Fields().xCorrection, 0);  // went into the stored offset
  EXPECT_EQ(view.texts[kXCorrectionEdit], "0");
  EXPECT_TRUE(profile.Has("LastJob"));
  EXPECT_EQ(view.icons[kStatusIcon].substr(view.icons[kStatusIcon].find('/')), "/32");
}

// Every control the run takes holds a value of its own, so a value in the wrong place shows.
// The compensations, the forces, the uplift, the insertion and the first marker show in the
// settings and cut-setting rows of the run transcripts; these are the ones no file reaches.
TEST_F(MainWindowModelTest, TheRunGetsWhatTheOperatorTypedEachInItsOwnPlace) {
  const std::map<int, std::string> typed = {
      {kXCorrectionEdit, "1"}, {kYCorrectionEdit, "-2"},       {kCopiesEdit, "8"},
      {kCountEdit, "9"},       {kLastCutEdit, "0.75"},         {kCutterWidthEdit, "1.5"},
      {kDashForceEdit, "13"},  {kFirstMarkerCrossEdit, "2.5"}, {kDashUpEdit, "14"},
      {kDashCutEdit, "15"},    {kSpecialUpEdit, "16"},         {kSpecialCutEdit, "17"},
      {kDashSpeedEdit, "18"},  {kSpecialSpeedEdit, "19"}};
  for (const auto& [id, text] : typed) view.texts[id] = text;
  view.checks = {{kWithoutMarksCheck, true}, {kDashEnableCheck, true}};
  view.selections[kPassCombo] = 2;
  view.selections[kSpecialModeCombo] = 1;
  RunFields fields;
  model->AsRunApplication().TakeFields(fields);
  const SheetCutFields& s = fields.sheet;
  EXPECT_EQ(std::vector<int>({s.manualX, s.manualY, s.copies, s.sheetCount}),
            std::vector<int>({1, -2, 8, 9}));
  const CutterCommandInputs& c = fields.commands;
  EXPECT_EQ(std::vector<int>({c.dashedForce, c.dashedUpLength, c.dashedCutLength, c.specialUpLength,
                              c.specialCutLength, c.dashedSpeed, c.specialSpeed}),
            std::vector<int>({13, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(std::pair(fields.passSelection, fields.specialSelection), std::pair(2, 1));
  EXPECT_EQ(std::vector<double>({s.firstMarkerCross, s.feedScaleShown, fields.cutterWidthShown}),
            std::vector<double>({2.5, 0.75, 1.5}));
  EXPECT_EQ(std::vector<bool>({s.withoutCropMarks, s.copiesEnabled, c.dashedLineOn, c.bladeUp}),
            std::vector<bool>({true, false, true, false}));
}

// Reading four crop marks stores no offsets, so the corrections stay for the next Start.
TEST_F(MainWindowModelTest, StartKeepsTheCorrectionsOnlyWhenReadingFourCropMarks) {
  for (auto [markMode, kept] : {std::pair{2, 5}, {1, 0}, {0, 0}}) {
    run.markMode = markMode;
    model->Fields().yCorrection = 5;
    RunFields fields;
    fields.sheet.manualY = 5;
    model->AsRunApplication().StoreRunSettings(fields);
    EXPECT_EQ(std::pair(model->Fields().yCorrection, fields.sheet.manualY), std::pair(kept, kept))
        << markMode;
  }
}

TEST_F(MainWindowModelTest, InitCutterDefersTicksToItsEndAndRunsTheSequence) {
  std::vector<int> ticksSeen;
  clock.duringSleep = [&] {
    ticksSeen.push_back(model->Ticks());
    model->OnTimer();
    model->OnTimer();
  };
  model->OnInitCutter();
  clock.duringSleep = nullptr;
  ASSERT_FALSE(ticksSeen.empty());
  for (int seen : ticksSeen) EXPECT_EQ(seen, 0);
  EXPECT_EQ(model->Ticks(), 1);  // every tick that arrived meanwhile ran as one, afterwards
  EXPECT_EQ(view.cursorLog, (std::vector<bool>{true, false}));
  EXPECT_EQ(cutterTransport.opens.size(), 8U);  // the whole sequence, checked in the run's tests
}

TEST_F(MainWindowModelTest, ToolButtonsAndJogSendTheirCommandsWithTheirPauses) {
  view.Click(kCreaseButton);
  EXPECT_EQ(cutterTransport.opens.size(), 2U);  // 112, then 140
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100}));
  view.Click(kBladeButton);
  EXPECT_EQ(cutterTransport.opens.size(), 5U);  // 112, 150, 151
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100}));
  view.Click(kCycleButton);  // the engine's tool cycle: the head parks first
  EXPECT_EQ(run.headCross, 110);
  view.Click(kWidenButton);
  EXPECT_EQ(view.widenedPast, std::make_pair(kWidenButton, 25));

  // The jog buttons reach the engine's jog: one command at the press, one at the release.
  model->OnJogPress(false);
  EXPECT_TRUE(model->Jogging());
  model->OnJogRelease();
  EXPECT_FALSE(model->Jogging());
  EXPECT_EQ(cutterTransport.opens.size(), 8U);  // after the five above and the cycle's park
}

// Read Marker and Set store the pair the run then uses (the calibration rows of the run
// transcripts); here the dialog's mode, which follows the camera and the media, and Cancel.
TEST_F(MainWindowModelTest, CalibrationModeFollowsTheCameraAndTheMediaAndCancelWritesNothing) {
  run.cameraOffsetX = 80;
  std::vector<int> modes;
  view.calibrationScript = [&](CalibrationDialogModel& dialog) {
    modes.push_back(dialog.Mode());
    dialog.OnCancel();
    return false;
  };
  profile.ClearWriteLog();
  run.mediaWidth = 320.0;
  view.Click(kCalibrationButton);
  run.mediaWidth = 700.0;
  view.Click(kCalibrationButton);
  run.creasingVariant = 2;
  view.Click(kCalibrationButton);
  run.creasingVariant = 0;
  run.secondCamera = 1;
  view.Click(kCalibrationButton);
  EXPECT_EQ(modes, (std::vector<int>{1, 3, 4, 2}));
  EXPECT_TRUE(profile.WriteLog().empty());
  EXPECT_EQ(run.cameraOffsetX, 80);
}

}  // namespace
}  // namespace orvex::test
