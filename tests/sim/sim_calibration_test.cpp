// The camera calibration carried out on the twin the way the operator does it: the main window's
// Calibration button opens the dialog model, Cut Marker makes the twin's cutter cut the square
// into the bed's dark film, Read Marker takes frames from the twin's camera through the frame
// handler (inverted search), Set stores the pair through the profile. The stored pair is held
// against the twin's true camera place, and a run with it is held against the print.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model_station.h"
#include "sim/sim_station.h"
#include "vision/calibration.h"

namespace orvex::sim {
namespace {

struct CalibrationCase {
  double mediaWidthMm;
  double cameraFeedMm;   // the camera's axis from the blade along the feed
  double cameraCrossMm;  // and across it
};

class SimCalibrationTest : private OwnWorkDir,
                           public ModelStation,
                           public ::testing::TestWithParam<CalibrationCase> {
 protected:
  SimCalibrationTest() : ModelStation(temp.Path()) {
    const CalibrationCase& c = GetParam();
    machine.SetMediaWidth(c.mediaWidthMm);
    machine.Camera().Settings().offsetFeedTenths = c.cameraFeedMm * 10.0;
    machine.Camera().Settings().offsetCrossTenths = c.cameraCrossMm * 10.0;
    StartTimer();
    // The Calibration button is enabled once the run loop has read the media width.
    EXPECT_TRUE(RunUntil([&] { return run.mediaWidth == c.mediaWidthMm; }, 60'000));
  }

  // Opens the dialog over the main window, presses Cut Marker, Read Marker, waits, presses Set.
  OffsetPair Calibrate() {
    view.calibrationScript = [&](CalibrationDialogModel& dialog) {
      dialog.Start();
      OperateCalibration(machine.Clock(), dialog);
      return view.calibrationView.accepted;
    };
    model->OnCalibration();
    return {profile.ReadInt(kProfileSection, "deltaX", -9999),
            profile.ReadInt(kProfileSection, "deltaY", -9999)};
  }
};

// The pair the run needs for a camera f mm along and c mm across from the blade is
// (-10 f, 800 - 10 c): the run puts the blade deltaX/10 mm ahead of the camera's mark, and
// counts the cross position from the far media edge, which lies 80 mm beyond the head at the
// first mark. Calibration stores X half a millimetre short (its fixed -5).
TEST_P(SimCalibrationTest, StoresTheTwinsCameraPlaceAndARunWithItCutsOnThePrint) {
  const CalibrationCase& c = GetParam();
  const OffsetPair stored = Calibrate();
  EXPECT_TRUE(machine.Bed().Problems().empty()) << machine.Bed().Problems().front();
  for (const std::string& message : model->OperatorMessages()) ADD_FAILURE() << message;
  EXPECT_NEAR(stored.x, -10.0 * c.cameraFeedMm - 5.0, 1.0);
  EXPECT_NEAR(stored.y, 800.0 - 10.0 * c.cameraCrossMm, 1.0);
  EXPECT_EQ(run.cameraOffsetX, stored.x);
  EXPECT_EQ(run.cameraOffsetY, stored.y);

  // A sheet cut with the stored pair lands within the half millimetre calibration keeps off
  // along the feed.
  ASSERT_TRUE(LoadSampleJob());
  machine.Feeder().Settings().sheets = 1;
  view.Click(window_id::kStartButton);
  ASSERT_TRUE(RunUntil([&] { return model->Engine()->Fields().sheet.sheetCount == 1; },
                       10 * 60'000));
  RunUntil([&] { return !machine.Cutter().Busy(); }, 60'000);
  const AccuracyReport accuracy = machine.Accuracy();
  ASSERT_EQ(accuracy.sheets.size(), 1U);
  RecordProperty("max_error_mm", std::to_string(accuracy.sheets[0].maxMm));
  EXPECT_LE(accuracy.sheets[0].maxMm, 0.65);
  EXPECT_TRUE(machine.Bed().Problems().empty()) << machine.Bed().Problems().front();
}

INSTANTIATE_TEST_SUITE_P(
    MediaAndCameraPlaces, SimCalibrationTest,
    ::testing::Values(CalibrationCase{320.0, -8.0, 70.1}, CalibrationCase{300.0, -8.0, 70.1},
                      CalibrationCase{440.0, -8.0, 70.1}, CalibrationCase{320.0, -5.0, 73.1},
                      CalibrationCase{320.0, -11.0, 67.1}, CalibrationCase{440.0, -5.0, 67.1},
                      CalibrationCase{300.0, -11.0, 73.1}));

}  // namespace
}  // namespace orvex::sim
