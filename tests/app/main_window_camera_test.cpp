// The camera's buttons: brightness and exposure, and the switch to the second camera.
#include <gtest/gtest.h>

#include <filesystem>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

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
