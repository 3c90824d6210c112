// The station's camera choice on media between 450 and 600 mm: the run loop switches to the
// second camera when the cutter reports the width, and File Open chooses it by the job and the
// width; either way the second camera's offset pair becomes the active one.
#include <gtest/gtest.h>

#include "core/profile.h"
#include "station_fixture.h"

namespace orvex::sim {
namespace {

TEST(StationCamera, WideMediaPutsTheSecondCameraAndItsOffsetsToWork) {
  StationOptions options;
  options.mediaWidthMm = 500;
  options.sheets = 1;
  StationFixture s(options);
  s.profile.WriteInt(kProfileSection, "deltaX", 70);
  s.profile.WriteInt(kProfileSection, "deltaXC2", 81);
  s.profile.WriteInt(kProfileSection, "deltaYC2", 99);
  // Opened before the cutter is found: the width is not known yet, so the first camera, until
  // the cutter reports 500 mm and the run loop switches.
  ASSERT_TRUE(s.OpenSampleJob());
  EXPECT_EQ(s.Ctx().mediaWidth, 500.0);
  EXPECT_EQ(s.Ctx().secondCamera, 1);
  EXPECT_EQ(s.Ctx().cameraOffsetX, 81);
  EXPECT_EQ(s.Ctx().cameraOffsetY, 99);

  s.Ctx().cameraOffsetX = 0;
  s.Press(window_id::kFileOpenButton);  // the same job again, the width now known
  EXPECT_EQ(s.Ctx().secondCamera, 1);
  EXPECT_EQ(s.Ctx().cameraOffsetX, 81);
}

}  // namespace
}  // namespace orvex::sim
