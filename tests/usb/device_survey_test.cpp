// One bed of fake cutters and feeders, the known ones among strangers, seen two ways. The
// survey orvex-cli devices prints lists only the cutter products and the feeder's own usage,
// each cutter with its model and the path the rule builds (a hub's port chain too), opens the
// feeder but sends it nothing, and reports a cutter this user may not open with its reason and
// what to do. The generated udev rules, as udevadm test applies them, give exactly the known
// devices the uaccess tag, and none without the rules (an installed copy masked). udevadm runs in
// a private mount namespace, the rules (or an empty directory) bound over /etc/udev/rules.d and a
// private /run for the database it writes, so the machine's own udev state is never touched.
#include "platform/device_survey.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/child_process.h"
#include "platform/hidapi_feeder_transport.h"
#include "platform/libusb_cutter_transport.h"
#include "support/temp_dir.h"
#include "usb/fake_hid_feeder.h"
#include "usb/fake_usb_cutter.h"

namespace orvex {
namespace {

const std::filesystem::path kRules = ORVEX_BINARY_DIR "/packaging/udev/69-orvex.rules";

// Whether a shell command succeeded, and its output (its errors too).
bool Shell(const std::string& command, std::string& output) {
  const ChildOutcome outcome =
      RunChildProcess({"/bin/sh", "-c", command}, std::chrono::seconds(60));
  output = outcome.output;
  return outcome.Succeeded();
}

// Whether udevadm's simulated "add" event tags the device at `sysPath` uaccess, with the rules
// of `rulesDir` in place of the local ones.
bool Uaccess(const test::TempDir& rulesDir, const std::string& sysPath) {
  std::string output;
  Shell("unshare -rm sh -c 'mount -t tmpfs none /run && mount --bind " + rulesDir.Path().string() +
            " /etc/udev/rules.d && exec udevadm test --action=add " + sysPath + "'",
        output);
  const std::size_t at = output.find("\nCURRENT_TAGS=");
  return at != std::string::npos &&
         output.substr(at, output.find('\n', at + 1) - at).find(":uaccess:") != std::string::npos;
}

TEST(DeviceSurveyTest, OnlyTheKnownDevicesAreListedAndGivenToTheUserByTheRules) {
  test::UmockdevBed bed;
  if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  // The three cutter products: on port 2, on port 3 (not this user's to open), and on port 4 of
  // a hub on port 1 (any device there will do for the port chain).
  test::FakeUsbCutter first(bed);
  test::FakeUsbCutter denied(bed, {.product = 0x1135, .ports = "3", .address = 3});
  test::FakeUsbCutter hub(bed, {.vendor = 0x05e3, .product = 0x0608, .ports = "1", .address = 6});
  test::FakeUsbCutter behindHub(bed, {.product = 0x1143, .ports = "1.4", .address = 5});
  // A cutter product id under another maker, and the maker's unknown product.
  test::FakeUsbCutter otherMaker(bed,
                                 {.vendor = 0x046d, .product = 0x1130, .ports = "5", .address = 7});
  test::FakeUsbCutter unknown(bed, {.product = 0x9999, .ports = "4", .address = 4});
  test::FakeHidFeeder feeder(bed, {.ports = "9"});
  // The feeder's ids under another usage page or with another usage, and another maker's device.
  test::FakeHidFeeder otherPage(bed, {.usagePage = 0xFF00, .ports = "8", .hidraw = 1});
  test::FakeHidFeeder otherUsage(bed, {.usage = 1, .ports = "10", .hidraw = 3});
  test::FakeHidFeeder keyboard(
      bed,
      {.vendor = 0x046d, .product = 0xc31c, .usagePage = 1, .usage = 6, .ports = "11", .hidraw = 2});

  {
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

  std::string output;
  if (!Shell("command -v udevadm && test -d /etc/udev/rules.d && unshare -rm true", output)) {
    GTEST_SKIP() << "the rules need udevadm, /etc/udev/rules.d to stand in for, and a private "
                    "mount namespace (unshare -rm) so that they are never installed here";
  }
  ASSERT_TRUE(std::filesystem::exists(kRules)) << kRules << " was not generated";
  EXPECT_LT(std::stoi(kRules.filename().string().substr(0, 2)), 73);  // before uaccess is acted on
  EXPECT_EQ(test::ReadFileBytes(kRules).find("MODE"), std::string::npos);
  // Same-named files in /etc/udev/rules.d override a copy the package installed: ours, or a
  // link to /dev/null, which masks it.
  test::TempDir rules, noRules;
  std::filesystem::copy_file(kRules, rules.File(kRules.filename().string()));
  std::filesystem::create_symlink("/dev/null", noRules.File(kRules.filename().string()));
  for (const std::string& path :
       {test::UsbSysPath("2"), test::UsbSysPath("3"), test::UsbSysPath("1.4"),
        test::UsbSysPath("9") + "/1-9:1.0/0003:16C0:0486.0001/hidraw/hidraw0"}) {
    EXPECT_TRUE(Uaccess(rules, path)) << path;
    EXPECT_FALSE(Uaccess(noRules, path)) << path;
  }
  EXPECT_FALSE(Uaccess(rules, test::UsbSysPath("5")));
  EXPECT_FALSE(Uaccess(rules, test::UsbSysPath("4")));
}

}  // namespace
}  // namespace orvex
