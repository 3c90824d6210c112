// The camera calibration on the twin as the operator does it: the main window's Calibration
// button opens the dialog, Cut Marker cuts the square into the bed's dark film, Read Marker takes
// frames from the twin's camera through the frame handler, Set stores the pair in the profile.
// The stored pair is held against the twin's true camera place; orvex-cli simulate --calibrate
// holds a run with it against the print.
#include <gtest/gtest.h>

#include "station_fixture.h"
#include "vision/calibration.h"

namespace orvex::sim {
namespace {

struct CalibrationCase {
  double mediaWidthMm;
  double cameraFeedMm;   // the camera's axis from the blade along the feed
  double cameraCrossMm;  // and across it
};

StationOptions OptionsFor(const CalibrationCase& c) {
  StationOptions options;
  options.mediaWidthMm = c.mediaWidthMm;
  options.cameraOffsetMm = {{c.cameraFeedMm, c.cameraCrossMm}};
  return options;
}

class SimCalibrationTest : public ::testing::TestWithParam<CalibrationCase>, public StationFixture {
 protected:
  SimCalibrationTest() : StationFixture(OptionsFor(GetParam())) {}
};

// The pair the run needs for a camera f mm along and c mm across from the blade is
// (-10 f, 800 - 10 c): the run puts the blade deltaX/10 mm ahead of the camera's mark, and
// counts the cross position from the far media edge, which lies 80 mm beyond the head at the
// first mark. Calibration stores X half a millimetre short (its fixed -5).
TEST_P(SimCalibrationTest, StoresTheTwinsCameraPlace) {
  const CalibrationCase& c = GetParam();
  station.StartTimer();
  // The Calibration button is enabled once the run loop has read the media width.
  ASSERT_TRUE(RunUntil([&] { return Ctx().mediaWidth == c.mediaWidthMm; }, kMinute));
  view.calibrationScript = [&](CalibrationDialogModel& dialog) {
    dialog.Start();
    OperateCalibration(Machine().Clock(), dialog);
    return view.calibrationView.accepted;
  };
  model.OnCalibration();
  for (const std::string& message : Messages()) ADD_FAILURE() << message;
  ExpectNoTwinProblems();
  const OffsetPair stored{profile.ReadInt(kProfileSection, "deltaX", -9999),
                          profile.ReadInt(kProfileSection, "deltaY", -9999)};
  EXPECT_NEAR(stored.x, -10.0 * c.cameraFeedMm - 5.0, 1.0);
  EXPECT_NEAR(stored.y, 800.0 - 10.0 * c.cameraCrossMm, 1.0);
  EXPECT_EQ(Ctx().cameraOffsetX, stored.x);
  EXPECT_EQ(Ctx().cameraOffsetY, stored.y);
}

INSTANTIATE_TEST_SUITE_P(
    MediaAndCameraPlaces, SimCalibrationTest,
    ::testing::Values(CalibrationCase{320.0, -8.0, 70.1}, CalibrationCase{300.0, -8.0, 70.1},
                      CalibrationCase{440.0, -8.0, 70.1}, CalibrationCase{320.0, -5.0, 73.1},
                      CalibrationCase{320.0, -11.0, 67.1}, CalibrationCase{440.0, -5.0, 67.1},
                      CalibrationCase{300.0, -11.0, 73.1}));

}  // namespace
}  // namespace orvex::sim
