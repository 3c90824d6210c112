// The device survey orvex-cli devices prints, over fake cutters and feeders: only the cutter
// products and the feeder's own usage are listed, each cutter with its model and the path the
// rule builds (a hub's port chain too), the feeder opened but sent nothing, and a cutter this
// user may not open reported with its reason and what to do.
#include "platform/device_survey.h"

#include <gtest/gtest.h>

#include "platform/hidapi_feeder_transport.h"
#include "platform/libusb_cutter_transport.h"
#include "support/temp_dir.h"
#include "usb/fake_hid_feeder.h"
#include "usb/fake_usb_cutter.h"

namespace orvex {
namespace {

TEST(DeviceSurveyTest, ListsTheKnownDevicesAndSaysWhyTheRestDoesNotOpen) {
  test::UmockdevBed bed;
  if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  test::FakeUsbCutter first(bed);  // 0b4d:1130 on port 2
  test::FakeUsbCutter otherMaker(bed,
                                 {.vendor = 0x046d, .product = 0x1130, .ports = "5", .address = 3});
  test::FakeUsbCutter unknown(bed, {.product = 0x9999, .ports = "4", .address = 4});
  // A hub on port 1 (any device there will do for the port chain) and a cutter on its port 4.
  test::FakeUsbCutter hub(bed, {.vendor = 0x05e3, .product = 0x0608, .ports = "1", .address = 6});
  test::FakeUsbCutter behindHub(bed, {.product = 0x1143, .ports = "1.4", .address = 5});
  test::FakeUsbCutter denied(bed, {.product = 0x1135, .ports = "6", .address = 7});
  test::FakeHidFeeder feeder(bed);
  // The feeder's ids under another usage page or with another usage, and another maker's device.
  test::FakeHidFeeder otherPage(bed, {.usagePage = 0xFF00, .ports = "8", .hidraw = 1});
  test::FakeHidFeeder otherUsage(bed, {.usage = 1, .ports = "10", .hidraw = 3});
  test::FakeHidFeeder keyboard(
      bed,
      {.vendor = 0x046d, .product = 0xc31c, .usagePage = 1, .usage = 6, .ports = "9", .hidraw = 2});
  LibusbCutterTransport cutters;
  HidapiFeederTransport feeders;
  const test::TempDir noCameras;
  V4l2FrameSource cameras(noCameras.Path().string(), noCameras.Path().string());
  DeviceSurvey survey;
  test::AsUnprivilegedUser(denied.NodeFile(),
                           [&] { survey = SurveyDevices(cutters, feeders, cameras); });

  std::vector<std::pair<std::string, int>> found;
  for (const SurveyedCutter& cutter : survey.cutters) found.emplace_back(cutter.path, cutter.model);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found,
            (std::vector<std::pair<std::string, int>>{{"\\\\?\\usb#vid_0b4d&pid_1130#1-2", 1},
                                                      {"\\\\?\\usb#vid_0b4d&pid_1143#1-1.4", 2}}));
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
