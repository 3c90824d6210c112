// The device survey orvex-cli devices prints, over the fake cutters and feeder: each cutter with
// its model, the feeder opened but sent nothing, and a cutter this user may not open reported
// with its reason and what to do.
#include "platform/device_survey.h"

#include <gtest/gtest.h>

#include "platform/hidapi_feeder_transport.h"
#include "platform/libusb_cutter_transport.h"
#include "support/temp_dir.h"
#include "usb/fake_hid_feeder.h"
#include "usb/fake_usb_cutter.h"

namespace orvex {
namespace {

TEST(DeviceSurveyTest, ListsWhatOpensAndSaysWhyTheRestDoesNot) {
  test::UmockdevBed bed;
  if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  test::FakeUsbCutter wide(bed, {.product = 0x1143, .ports = "5", .address = 5});
  test::FakeUsbCutter denied(bed, {.product = 0x1135, .ports = "6", .address = 6});
  test::FakeHidFeeder feeder(bed);
  LibusbCutterTransport cutters;
  HidapiFeederTransport feeders;
  const test::TempDir noCameras;
  V4l2FrameSource cameras(noCameras.Path().string(), noCameras.Path().string());
  DeviceSurvey survey;
  test::AsUnprivilegedUser(denied.NodeFile(),
                           [&] { survey = SurveyDevices(cutters, feeders, cameras); });

  ASSERT_EQ(survey.cutters.size(), 1U);
  EXPECT_EQ(survey.cutters[0].path, wide.ExpectedPath());
  EXPECT_EQ(survey.cutters[0].model, 2);
  EXPECT_EQ(survey.feeders, std::vector<std::string>{"/dev/hidraw0"});
  EXPECT_EQ(feeder.Take(1, 50), "");  // its one request would feed a sheet
  EXPECT_TRUE(survey.cameras.empty());
  ASSERT_EQ(survey.problems.size(), 1U);
  EXPECT_EQ(survey.problems[0].device, denied.ExpectedPath());
  EXPECT_EQ(survey.problems[0].reason, "permission denied");
  EXPECT_NE(survey.problems[0].hint.find("install the udev rules"), std::string::npos);
}

}  // namespace
}  // namespace orvex
