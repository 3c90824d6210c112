// The cut modes (dashed line, the copies check, the length edits, mark mode, passes, the special
// tools) and the camera's buttons: brightness and exposure, the switch to the second camera.
#include <gtest/gtest.h>

#include <filesystem>

#include "main_window_fixture.h"
#include "support/wire_text.h"

namespace orvex::test {
namespace {

using namespace window_id;

TEST_F(MainWindowModelTest, DashedLineModeLocksItsLengthsAndSendsCommandTwenty) {
  model->Fields().dashCutLength = 360;
  model->Fields().dashUpLength = 5;
  model->Fields().dashSpeed = 7;
  model->ShowFields();
  for (bool on : {true, false}) {
    model->Enable(kStartButton, true);
    view.Click(kDashEnableCheck);
    EXPECT_EQ(model->Fields().dashedLineOn, on ? 1 : 0);
    EXPECT_EQ(Enabled({kDashCutEdit, kDashUpEdit, kCutForceEdit, kCutForceSpin, kStartButton}),
              std::vector<bool>({!on, !on, !on, !on, false}));
  }
  // Switching on sends: up 5 and cut 360 in twentieths, the speed 7 in tenths, the blade not up.
  // Switching off sends nothing.
  EXPECT_EQ(Readable(CutterBytes()),
            Readable(Wire("TC1002,8,1,2<ETX>TC1002,6,1,0,8<ETX><ESC><ETX>TC1002,6,1,1,100<ETX>"
                          "<ETX>TC1002,6,1,2,7200<ETX>TC1002,6,1,3,1<ETX>TC1002,3,1,70<ETX>"
                          "TC1002,9,1,80,80")));
}

TEST_F(MainWindowModelTest, LengthEditsDisableStartAndCopiesCheckEnablesItsFields) {
  model->Enable(kStartButton, true);
  view.Type(kSpecialSpeedEdit, "20");
  EXPECT_FALSE(model->State(kStartButton).enabled);
  for (bool enabled : {true, false}) {
    view.Click(kCopiesCheck);
    EXPECT_EQ(Enabled({kCopiesEdit, kWithoutMarksCheck}), std::vector<bool>(2, enabled));
  }
}

TEST_F(MainWindowModelTest, MarkModeSetsTheWithoutMarksFlagShownAtTheNextTransferAndPasses) {
  view.Choose(kMarkModeCombo, 1);
  EXPECT_FALSE(view.checks[kWithoutMarksCheck]);
  model->ShowFields();
  EXPECT_TRUE(view.checks[kWithoutMarksCheck]);
  for (auto [index, withoutMarks] : {std::pair{1, 1}, {3, 1}, {0, 0}}) {
    view.Choose(kMarkModeCombo, index);
    EXPECT_EQ(std::pair(run.markMode, model->Fields().withoutMarks),
              std::pair(index, withoutMarks));
  }
  view.Choose(kPassCombo, 2);
  EXPECT_EQ(run.passes, 3);
}

// What each special tool opens in the window, and the speed and force it brings along unless a
// cut-setting file chose them (an Options outcome other than 0). The creasing tool is installed.
TEST_F(MainWindowModelTest, SpecialModeShowsItsControlsAndSetsSpeedAndForceForTheOperatorOnly) {
  struct Case {
    int mode, optionsOutcome;
    bool lengthsEnabled, crossShownAndMultipleEnabled;
    int speed, force;
  };
  const Case cases[] = {{0, 0, true, false, 12, 9},  {1, 0, false, false, 40, 9},
                        {2, 0, false, true, 40, 12}, {2, 1, false, true, 33, 9},
                        {3, 0, false, true, 40, 38}, {0, 2, true, false, 33, 9}};
  model->AddComboEntry(kSpecialModeCombo, "Tool Creasing");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.optionsOutcome));
    model->Fields().specialSpeed = 33;
    model->Fields().specialForce = 9;
    model->ShowFields();
    run.optionsOutcome = c.optionsOutcome;
    view.Choose(kSpecialModeCombo, c.mode);
    EXPECT_EQ(run.specialMode, c.mode);
    EXPECT_EQ(model->State(kSpecialCutEdit).enabled, c.lengthsEnabled);
    EXPECT_EQ(model->State(kSpecialUpEdit).enabled, c.lengthsEnabled);
    EXPECT_EQ(model->State(kFirstMarkerCrossEdit).shown, c.crossShownAndMultipleEnabled);
    EXPECT_EQ(model->State(kMultipleCombo).enabled, c.crossShownAndMultipleEnabled);
    EXPECT_EQ(model->Fields().specialSpeed, c.speed);
    EXPECT_EQ(model->Fields().specialForce, c.force);
  }
}

TEST_F(MainWindowModelTest, BrightnessButtonsStepAndTurnToExposureAtTheLimits) {
  struct Case {
    bool brighter;
    int brightness, exposureSteps;  // "-" presses at -10 beforehand, to move the exposure down
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
    Build();
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

TEST_F(MainWindowModelTest, CameraTestSwitchesToTheSecondCameraOnlyWithTheTestLibraryPresent) {
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
}  // namespace orvex::test
