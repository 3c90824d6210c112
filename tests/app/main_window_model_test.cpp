// The main-window model through a fake view: field ranges, the timer's refreshes and force cap,
// spacing, dashed-line mode, mark mode, the brightness buttons, loading a real job, Start, the
// close request, and that neither the program's own control changes nor ticks arriving during a
// blocking sequence run the operator's handlers early.
#include "app/main_window_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "fake_main_window_view.h"
#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/memory_feeder_transport.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

using namespace window_id;

class CountingCanvas : public PreviewCanvas {
 public:
  int Width() const override { return 420; }
  int Height() const override { return 310; }
  PreviewRect Target() const override { return {0, 0, 400, 300}; }
  void Clear(int, int) override { ++clears; }
  void SelectPen(PreviewPen) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  int clears = 0;  // one per load that reached the drawing
};

class NoPdf : public PdfConverter {
 public:
  bool Available() override { return false; }
  PdfConversion Convert(const std::string&, const std::string&) override {
    return PdfConversion::kUnavailable;
  }
};

class FakeCamera : public CameraPictureControl {
 public:
  bool ReadBrightness(int& value) override {
    value = brightness;
    return true;
  }
  bool SetBrightness(int value, int flag) override {
    brightness = value;
    log.push_back("B" + std::to_string(value) + "/" + std::to_string(flag));
    return true;
  }
  bool ReadExposure(int& value) override {
    value = -9;
    return true;
  }
  bool SetExposure(int value, int flag) override {
    log.push_back("E" + std::to_string(value) + "/" + std::to_string(flag));
    return true;
  }
  int brightness = 0;
  std::vector<std::string> log;
};

class NullVision : public RunVision {
 public:
  void RequestFrame() override {}
  void AnalyseFrame() override {}
  void SwitchCamera(int camera) override { switches.push_back(camera); }
  std::vector<int> switches;
};

// A clock whose waits let the platform deliver notices, as the GUI's nested event loop does.
class EventfulClock : public test::ManualClock {
 public:
  void Sleep(int ms) override {
    test::ManualClock::Sleep(ms);
    if (duringSleep) duringSleep();
  }
  std::function<void()> duringSleep;
};

// A job with three marks and one cut line, as the graphic tools write it.
std::string HandWrittenEps() {
  auto pt = [](double mm) { return std::to_string(mm * 2.83465); };
  auto square = [&](double x, double y) {
    return pt(x) + " " + pt(y) + " m " + pt(x + 4) + " " + pt(y) + " l " + pt(x + 4) + " " +
           pt(y + 4) + " l " + pt(x) + " " + pt(y + 4) + " l " + pt(x) + " " + pt(y) + " l f\n";
  };
  std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n";
  while (eps.size() < 7000) eps += "% prolog\n";
  eps += "%%EndProlog\n0 0 0 1 K\n" + square(10, 5) + pt(50) + " " + pt(50) + " m " + pt(60) + " " +
         pt(50) + " l S\n" + square(210, 5) + square(10, 290) + "%%Trailer\n";
  return eps;
}

class MainWindowModelTest : public ::testing::Test {
 protected:
  void Build(bool withEngine) {
    run.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
    MainWindowParts parts{run, view, store, profile, workDir, clock, link, canvas, pdf, &camera};
    if (withEngine) {
      parts.feeder = &feeder;
      parts.vision = &vision;
    }
    model = std::make_unique<MainWindowModel>(parts);
    view.model = model.get();
    for (int id : {kCopiesCheck, kWithoutMarksCheck, kDashEnableCheck, kAutoExposureCheck}) {
      view.clickToggles[id] = 1;
    }
    model->Initialise();
  }
  void SetUp() override { Build(false); }

  void LoadJob() {
    dir.Write("job.eps", HandWrittenEps());
    view.openAnswer = dir.File("job.eps").string();
    view.Click(kFileOpenButton);
    ASSERT_TRUE(model->JobLoaded()) << (view.messages.empty() ? "" : view.messages[0].text);
  }

  std::string CutterBytes() const { return cutterTransport.AllBytes(); }

  test::TempDir dir;
  WorkDir workDir{dir.Path()};
  test::MemoryProfile profile;
  EventfulClock clock;
  test::MemoryCutterTransport cutterTransport;
  test::MemoryFeederTransport feederTransport;
  RunContext run;
  CutterLink link{cutterTransport, run};
  FeederLink feeder{feederTransport};
  SettingsStore store{profile};
  test::FakeMainWindowView view;
  CountingCanvas canvas;
  NoPdf pdf;
  FakeCamera camera;
  NullVision vision;
  std::unique_ptr<MainWindowModel> model;
};

TEST_F(MainWindowModelTest, InitialisationFillsTheCombosAndLeavesTheWindowReadyButIdle) {
  EXPECT_EQ(view.comboEntries[kMarkModeCombo].size(), 4U);
  EXPECT_EQ(view.comboEntries[kSpecialModeCombo],
            (std::vector<std::string>{"Dashed line", "Half Cutting", "Blade creasing"}));
  for (int combo : {kMarkModeCombo, kPassCombo, kSpecialModeCombo, kMultipleCombo}) {
    EXPECT_EQ(view.selections[combo], 0) << combo;
  }
  EXPECT_EQ(view.menuItem, "&About Orvex...");
  EXPECT_FALSE(model->State(kStartButton).enabled);
  EXPECT_FALSE(model->State(kCopiesEdit).enabled);
  EXPECT_FALSE(model->State(kMarkModeCombo).shown);
  EXPECT_FALSE(model->State(kCycleButton).shown);  // no testc.dat
  EXPECT_EQ(view.icons[kUpButton], "icon145/48");
  // The values shown were the program's own: nothing was loaded, no dialog asked for a file.
  EXPECT_EQ(view.fileDialogs, 0);
  EXPECT_EQ(canvas.clears, 0);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainWindowModelTest, EveryRangedFieldTakesItsLimitsAndRefusesOneBeyond) {
  for (const BoundControl& control : BoundControls()) {
    if (!control.minimum) continue;
    SCOPED_TRACE(control.id);
    model->ShowFields();
    view.texts[control.id] = std::to_string(*control.minimum);
    EXPECT_TRUE(model->TakeFields());
    view.texts[control.id] = std::to_string(*control.maximum);
    EXPECT_TRUE(model->TakeFields());
    view.rangeMessages.clear();
    view.texts[control.id] = std::to_string(*control.maximum + 1);
    EXPECT_FALSE(model->TakeFields());
    ASSERT_EQ(view.rangeMessages.size(), 1U);
    EXPECT_EQ(view.rangeMessages[0],
              (std::vector<int>{control.id, *control.minimum, *control.maximum}));
    view.texts[control.id] = std::to_string(*control.minimum - 1);
    EXPECT_FALSE(model->TakeFields());
  }
  // The table's ranges are the window's.
  auto range = [](int id) {
    for (const BoundControl& c : BoundControls()) {
      if (c.id == id && c.minimum) return std::make_pair(*c.minimum, *c.maximum);
    }
    return std::make_pair(0, 0);
  };
  EXPECT_EQ(range(kInsertionEdit), std::make_pair(-100, 155));
  EXPECT_EQ(range(kCompensationLeftEdit), std::make_pair(-30, 30));
  EXPECT_EQ(range(kDashCutEdit), std::make_pair(1, 1000));
  EXPECT_EQ(range(kSpacingEdit), std::make_pair(1, 20));
  EXPECT_EQ(range(kSpecialSpeedEdit), std::make_pair(1, 60));
}

TEST_F(MainWindowModelTest, ARefusedFieldKeepsItsMemberAndTheOthersAreStillTaken) {
  model->Fields().insertion = 20;
  model->ShowFields();
  view.texts[kInsertionEdit] = "156";
  view.texts[kUpliftEdit] = "-7";
  view.texts[kFirstMarkerEdit] = "12.5";
  EXPECT_FALSE(model->TakeFields());
  EXPECT_EQ(model->Fields().insertion, 20);
  EXPECT_EQ(model->Fields().uplift, -7);
  EXPECT_DOUBLE_EQ(model->Fields().firstMarker, 12.5);

  view.texts[kInsertionEdit] = "12x";
  view.texts[kFirstMarkerEdit] = "";
  EXPECT_FALSE(model->TakeFields());
  ASSERT_EQ(view.numberMessages.size(), 1U);  // one message, for the first bad field
  EXPECT_EQ(model->Fields().insertion, 20);
  EXPECT_DOUBLE_EQ(model->Fields().firstMarker, 12.5);
  view.texts[kInsertionEdit] = " 99999999999 ";
  EXPECT_FALSE(model->TakeFields());
}

TEST_F(MainWindowModelTest, ForceCapOnTheNextTickWithOneMessageForAllThreeFields) {
  run.cutterModel = 1;
  view.Type(kCutForceEdit, "39");
  EXPECT_NE(model->Fields().cutForce, 39);  // taken on the tick, not at the keystroke
  EXPECT_TRUE(view.messages.empty());       // nothing before the tick
  view.Type(kDashForceEdit, "45");
  model->OnTimer();
  EXPECT_EQ(view.texts[kCutForceEdit], "38");
  EXPECT_EQ(view.texts[kDashForceEdit], "38");
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text, "Maximum Cut Force is 38");
  EXPECT_EQ(view.messages[0].icon, MessageIcon::kInformation);
  model->OnTimer();
  EXPECT_EQ(view.messages.size(), 1U);

  run.cutterModel = 0;
  view.Type(kSpecialForceEdit, "32");
  model->OnTimer();
  EXPECT_EQ(model->Fields().specialForce, 31);
  EXPECT_EQ(model->Fields().cutForce, 31);  // the capped 38 is above the lower limit too
  ASSERT_EQ(view.messages.size(), 2U);
  EXPECT_EQ(view.messages[1].text, "Maximum Cut Force is 31");

  // A legal force is taken on the tick without a message.
  view.Type(kCutForceEdit, "20");
  model->OnTimer();
  EXPECT_EQ(model->Fields().cutForce, 20);
  EXPECT_EQ(view.messages.size(), 2U);
}

TEST_F(MainWindowModelTest, FieldsLeftAreTakenOnTheNextTickOnly) {
  view.texts[kHeightEdit] = "17";
  view.Leave(kHeightEdit);
  EXPECT_NE(model->Fields().height, 17);
  model->OnTimer();
  EXPECT_EQ(model->Fields().height, 17);
  view.texts[kHeightEdit] = "18";
  view.Leave(kCutterWidthEdit);  // not one of the listed edits
  model->OnTimer();
  EXPECT_EQ(model->Fields().height, 17);
}

TEST_F(MainWindowModelTest, DeferredSetUpRunsOnceOnTheEleventhTick) {
  for (int tick = 1; tick <= 10; ++tick) model->OnTimer();
  EXPECT_NE(view.texts[kFirstMarkerCaption], "First Marker");
  EXPECT_TRUE(camera.log.empty());
  model->OnTimer();
  EXPECT_EQ(view.texts[kFirstMarkerCaption], "First Marker");
  EXPECT_EQ(view.texts[kCalibrationButton], "Calibration");
  EXPECT_EQ(camera.log, (std::vector<std::string>{"B-10/1"}));
  for (int tick = 0; tick < 20; ++tick) model->OnTimer();
  EXPECT_EQ(camera.log.size(), 1U);
}

TEST_F(MainWindowModelTest, SpacingBelowOneBecomesOneWithoutReloadAndAboveOneReloads) {
  LoadJob();
  const int loads = canvas.clears;
  view.Type(kSpacingEdit, "0");
  EXPECT_EQ(view.texts[kSpacingEdit], "1");
  EXPECT_EQ(model->Fields().spacing, 1);
  EXPECT_TRUE(view.rangeMessages.empty());
  EXPECT_EQ(canvas.clears, loads);
  view.Type(kSpacingEdit, "");  // between keystrokes
  EXPECT_EQ(canvas.clears, loads);
  view.Type(kSpacingEdit, "2");
  EXPECT_EQ(model->Fields().spacing, 2);
  EXPECT_EQ(canvas.clears, loads + 1);
  EXPECT_EQ(view.fileDialogs, 1);  // the reload took the current job, it did not ask
  EXPECT_EQ(run.reopenRequest, 0);
}

TEST_F(MainWindowModelTest, SpacingWithoutAJobNeverOpensTheFileDialog) {
  view.Type(kSpacingEdit, "3");
  EXPECT_EQ(model->Fields().spacing, 3);
  EXPECT_EQ(view.fileDialogs, 0);
  EXPECT_EQ(run.reopenRequest, 0);
}

TEST_F(MainWindowModelTest, ProgramMadeChangesNeverRunTheOperatorsHandlers) {
  LoadJob();
  const int loads = canvas.clears;
  model->Fields().spacing = 7;
  model->Fields().cutForce = 90;
  model->ShowFields();  // the toolkit reports the edits' changes
  model->SelectCombo(kMultipleCombo, 3);
  model->SelectCombo(kMarkModeCombo, 2);
  EXPECT_EQ(canvas.clears, loads);
  EXPECT_EQ(model->Fields().withoutMarks, 0);  // the mark-mode handler did not run either
  model->OnTimer();
  EXPECT_TRUE(view.messages.empty());  // nor was the force marked as edited
  // The same changes by the operator do run them.
  view.Choose(kMultipleCombo, 2);
  EXPECT_EQ(canvas.clears, loads + 1);
}

TEST_F(MainWindowModelTest, DashedLineModeLocksItsLengthsAndSendsCommandTwenty) {
  model->Fields().dashCutLength = 360;
  model->Fields().dashUpLength = 5;
  model->ShowFields();
  model->Enable(kStartButton, true);
  view.Click(kDashEnableCheck);
  EXPECT_EQ(model->Fields().dashedLineOn, 1);
  for (int id : {kDashCutEdit, kDashUpEdit, kCutForceEdit, kCutForceSpin, kStartButton}) {
    EXPECT_FALSE(model->State(id).enabled) << id;
  }
  std::string expected;
  for (const std::string& write :
       FormatCutterCommand(kDashedSetup, run, model->CommandInputs()).writes) {
    expected += write;
  }
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(CutterBytes(), expected);

  model->Enable(kStartButton, true);
  view.Click(kDashEnableCheck);
  for (int id : {kDashCutEdit, kDashUpEdit, kCutForceEdit, kCutForceSpin}) {
    EXPECT_TRUE(model->State(id).enabled) << id;
  }
  EXPECT_FALSE(model->State(kStartButton).enabled);
  EXPECT_EQ(CutterBytes(), expected);  // switching off sends nothing
}

TEST_F(MainWindowModelTest, LengthEditsDisableStartAndCopiesCheckEnablesItsFields) {
  model->Enable(kStartButton, true);
  view.Type(kSpecialSpeedEdit, "20");
  EXPECT_FALSE(model->State(kStartButton).enabled);

  view.Click(kCopiesCheck);
  EXPECT_TRUE(model->State(kCopiesEdit).enabled);
  EXPECT_TRUE(model->State(kWithoutMarksCheck).enabled);
  view.Click(kCopiesCheck);
  EXPECT_FALSE(model->State(kCopiesEdit).enabled);
  EXPECT_FALSE(model->State(kWithoutMarksCheck).enabled);
}

TEST_F(MainWindowModelTest, MarkModeSetsTheWithoutMarksFlagShownAtTheNextTransfer) {
  view.Choose(kMarkModeCombo, 1);
  EXPECT_EQ(run.markMode, 1);
  EXPECT_EQ(model->Fields().withoutMarks, 1);
  EXPECT_FALSE(view.checks[kWithoutMarksCheck]);
  model->ShowFields();
  EXPECT_TRUE(view.checks[kWithoutMarksCheck]);
  view.Choose(kMarkModeCombo, 3);
  EXPECT_EQ(model->Fields().withoutMarks, 1);
  view.Choose(kMarkModeCombo, 0);
  EXPECT_EQ(run.markMode, 0);
  EXPECT_EQ(model->Fields().withoutMarks, 0);

  view.Choose(kPassCombo, 2);
  EXPECT_EQ(run.passes, 3);
}

TEST_F(MainWindowModelTest, BrightnessButtonsStepAndTurnToExposureAtTheLimits) {
  struct Case {
    bool brighter;
    int brightness;
    int exposureSteps;  // "-" presses at -10 beforehand, to move the exposure down
    std::vector<std::string> log;
    int exposureAfter;
  };
  const std::vector<Case> cases = {
      {true, 9, 0, {"B10/1"}, -9},
      {true, 10, 0, {"E-8/2", "B4/1"}, -8},
      {false, -9, 0, {"B-10/1"}, -9},
      {false, -10, 0, {"E-10/2", "B-4/1"}, -10},
      // Exposure already below -10: the brightness is set to itself and nothing else moves.
      {false, -10, 2, {"B-10/1"}, -11},
  };
  for (const Case& c : cases) {
    Build(false);
    for (int i = 0; i < c.exposureSteps; ++i) {
      camera.brightness = -10;
      view.Click(kDarkerButton);
    }
    camera.log.clear();
    camera.brightness = c.brightness;
    view.Click(c.brighter ? kBrighterButton : kDarkerButton);
    EXPECT_EQ(camera.log, c.log) << c.brighter << " " << c.brightness;
    EXPECT_EQ(model->ExposureValue(), c.exposureAfter);
  }
  camera.log.clear();
  view.Click(kAutoExposureCheck);
  EXPECT_EQ(camera.log, (std::vector<std::string>{"E-10/1", "B-10/1"}));
  view.Click(kAutoExposureCheck);
  EXPECT_EQ(camera.log.back(), "E-7/0");
}

TEST_F(MainWindowModelTest, FileOpenLoadsARealJobAndSpecialModeHandlerRunsOnce) {
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
  EXPECT_FALSE(model->OperatorMessages().empty());
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
  EXPECT_EQ(run.dashCutValue, 200);
  EXPECT_EQ(run.dashUpValue, 200);
  EXPECT_EQ(cutterTransport.opens.size(), 8U);
}

TEST_F(MainWindowModelTest, ToolButtonsAndJogSendTheirCommandsWithTheirPauses) {
  view.Click(kCreaseButton);
  EXPECT_EQ(cutterTransport.opens.size(), 2U);  // 112, then 140
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100}));
  view.Click(kBladeButton);
  EXPECT_EQ(cutterTransport.opens.size(), 5U);  // 112, 150, 151
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100}));
  view.Click(kCycleButton);
  EXPECT_EQ(run.cycleState, 1);
  EXPECT_EQ(run.headCross, 110);
  view.Click(kCycleButton);
  EXPECT_EQ(run.cycleState, 0);

  const std::size_t sent = cutterTransport.opens.size();
  run.mediaPosition = 0.05;
  model->OnJogPress(true);
  EXPECT_EQ(model->OperatorMessages().back(), "Cannot move negative to the origin");
  EXPECT_EQ(cutterTransport.opens.size(), sent);
  model->OnJogRelease();  // no jog was started: nothing to stop
  EXPECT_EQ(cutterTransport.opens.size(), sent);

  model->Enable(kCutTestButton, true);
  model->OnJogPress(false);
  EXPECT_EQ(run.statusStep, 150);
  EXPECT_EQ(cutterTransport.opens.size(), sent + 1);
  model->OnJogRelease();
  EXPECT_EQ(cutterTransport.opens.size(), sent + 2);
  EXPECT_EQ(run.statusStep, 38);
  EXPECT_EQ(run.displayState, 1);
  EXPECT_FALSE(model->State(kCutTestButton).enabled);
  model->OnJogRelease();
  EXPECT_EQ(cutterTransport.opens.size(), sent + 2);
}

TEST_F(MainWindowModelTest, CloseWritesUpliftAndInsertionAndWaitsDuringRegistration) {
  view.texts[kUpliftEdit] = "12";
  view.texts[kInsertionEdit] = "34";
  EXPECT_TRUE(model->OnCloseRequest());
  EXPECT_EQ(profile.ReadInt(kProfileSection, "discesa", 0), 12);
  EXPECT_EQ(profile.ReadInt(kProfileSection, "inser", 0), 34);

  run.waitingForMark = 1;
  view.texts[kUpliftEdit] = "13";
  EXPECT_FALSE(model->OnCloseRequest());
  EXPECT_EQ(run.exitRequested, 1);
  EXPECT_EQ(profile.ReadInt(kProfileSection, "discesa", 0), 13);
}

TEST_F(MainWindowModelTest, StartNeedsAJobAndThenStoresTheRunSettings) {
  Build(true);
  view.texts[kXCorrectionEdit] = "5";
  view.Click(kStartButton);
  ASSERT_EQ(model->OperatorMessages().size(), 1U);
  EXPECT_EQ(model->OperatorMessages()[0], "No Graphic file is loaded");
  EXPECT_TRUE(CutterBytes().empty());
  EXPECT_FALSE(dir.Exists("recent.dat"));

  LoadJob();
  view.Click(kStartButton);
  EXPECT_TRUE(dir.Exists("recent.dat"));
  EXPECT_EQ(model->Fields().xCorrection, 0);  // went into the stored offset
  EXPECT_EQ(view.texts[kXCorrectionEdit], "0");
  EXPECT_FALSE(CutterBytes().empty());
  EXPECT_TRUE(profile.Has("LastJob"));
  if (model->Engine()->Running()) {
    EXPECT_EQ(view.texts[kStartButton], "Stop");
    view.Click(kStartButton);
  }
  EXPECT_FALSE(model->Engine()->Running());
  EXPECT_EQ(view.texts[kStartButton], "Start");
  // Pause outside a run changes nothing.
  view.Click(kPauseButton);
  EXPECT_FALSE(model->Engine()->Paused());
  EXPECT_FALSE(model->Engine()->Running());
}

TEST_F(MainWindowModelTest, CalibrationReadsTheMarkAndSetStoresTheActivePairOnly) {
  run.cameraOffsetX = 80;
  run.cameraOffsetY = 99;
  run.mediaWidth = 320.0;
  view.calibrationScript = [&](CalibrationDialogModel& dialog) {
    EXPECT_EQ(dialog.Mode(), 1);
    dialog.OnReadMarker();
    EXPECT_EQ(run.calibrationRead, 1);
    model->CalibrationSink()->OnCalibrationRead({95, 101});
    dialog.OnTick();
    dialog.OnSet();
    return view.calibrationView.accepted;
  };
  profile.ClearWriteLog();
  view.Click(kCalibrationButton);
  EXPECT_EQ(run.cameraOffsetX, 95);
  EXPECT_EQ(run.cameraOffsetY, 101);
  EXPECT_EQ(profile.ReadInt(kProfileSection, "deltaX", 0), 95);
  EXPECT_EQ(profile.ReadInt(kProfileSection, "deltaY", 0), 101);
  EXPECT_FALSE(profile.Has("deltaXC2"));

  // Cancel writes nothing; the dialog's mode follows the camera and the media.
  std::vector<int> modes;
  view.calibrationScript = [&](CalibrationDialogModel& dialog) {
    modes.push_back(dialog.Mode());
    dialog.OnCancel();
    return false;
  };
  profile.ClearWriteLog();
  run.mediaWidth = 700.0;
  view.Click(kCalibrationButton);
  run.creasingVariant = 2;
  view.Click(kCalibrationButton);
  run.creasingVariant = 0;
  run.secondCamera = 1;
  view.Click(kCalibrationButton);
  EXPECT_EQ(modes, (std::vector<int>{3, 4, 2}));
  EXPECT_TRUE(profile.WriteLog().empty());
  EXPECT_EQ(run.cameraOffsetX, 95);
}

TEST_F(MainWindowModelTest, StartUpGivesEverySpinControlItsLimits) {
  const std::map<int, std::pair<int, int>> expected = {
      {kXCorrectionSpin, {-100, 100}},    {kYCorrectionSpin, {-100, 100}},
      {kCutForceSpin, {-100, 100}},       {kHeightSpin, {-100, 100}},
      {kWidthSpin, {-100, 100}},          {kCompensationLeftSpin, {-30, 30}},
      {kCompensationRightSpin, {-30, 30}}};
  EXPECT_EQ(view.spinRanges, expected);
}

// Start-up clears the status read's record; a read still in flight is not forgotten, or its
// reply would land later in a buffer the run loop no longer expects to change.
TEST_F(MainWindowModelTest, StartUpKeepsAStatusReadInFlightAndItsReplyStillLands) {
  run.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
  cutterTransport.devices = {run.cutterPath};
  ASSERT_EQ(link.ReadCutterStatus(), 0);
  ASSERT_TRUE(link.StatusReadOutstanding());
  Build(false);
  EXPECT_TRUE(link.StatusReadOutstanding());
  EXPECT_EQ(cutterTransport.OpenHandles().size(), 1U);
  cutterTransport.Reply(std::string("\t0\x03", 3));
  link.PumpStatusRead();
  EXPECT_EQ(run.cutterStatus[0], '\t');
  EXPECT_TRUE(cutterTransport.OpenHandles().empty());
  EXPECT_EQ(cutterTransport.misuse, 0);
}

TEST_F(MainWindowModelTest, CameraTestSwitchesToTheSecondCameraOnlyWithTheTestLibraryPresent) {
  Build(true);
  view.Click(kCameraTestButton);
  EXPECT_TRUE(vision.switches.empty());
  EXPECT_EQ(run.secondCamera, 0);
  dir.Write("stillcap.dll.bak", "");
  std::filesystem::create_directory(dir.Path() / "STILLCAP.DLL");  // a folder is no library
  view.Click(kCameraTestButton);
  EXPECT_TRUE(vision.switches.empty());
  std::filesystem::remove(dir.Path() / "STILLCAP.DLL");
  dir.Write("StillCap.Dll", "");  // names in the working directory ignore case
  view.Click(kCameraTestButton);
  EXPECT_EQ(vision.switches, std::vector<int>{1});
  EXPECT_EQ(run.secondCamera, 1);
}

}  // namespace
}  // namespace orvex
