// The calibration dialog over the window: the read, Set, Cancel and the dialog's mode.
#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

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

}  // namespace
}  // namespace orvex::test
