// The generated device access rules as udev applies them: udevadm test over the fake cutters
// and feeder gives each the uaccess tag with the rules in place, and none without them (an
// installed copy masked). udevadm runs in a private mount namespace, the rules (or an empty
// directory) bound over /etc/udev/rules.d and a private /run for the database it writes, so the
// machine's own udev state is never touched.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "devices/cutter_link.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "usb/fake_hid_feeder.h"
#include "usb/fake_usb_cutter.h"

namespace orvex {
namespace {

const std::filesystem::path kRules = ORVEX_BINARY_DIR "/packaging/udev/69-orvex.rules";

// A shell command's output (its errors too), and whether it succeeded.
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

TEST(UdevRulesTest, EveryCutterProductAndTheFeederGetUaccessOnlyWithTheRules) {
  test::UmockdevBed bed;
  std::string output;
  if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  if (!Shell("command -v udevadm && test -d /etc/udev/rules.d && unshare -rm true", output)) {
    GTEST_SKIP() << "needs udevadm, /etc/udev/rules.d to stand in for, and a private mount "
                    "namespace (unshare -rm) so that the rules are never installed here";
  }
  ASSERT_TRUE(std::filesystem::exists(kRules)) << kRules << " was not generated";
  EXPECT_LT(std::stoi(kRules.filename().string().substr(0, 2)), 73);  // before uaccess is acted on
  EXPECT_EQ(test::ReadFileBytes(kRules).find("MODE"), std::string::npos);
  // Same-named files in /etc/udev/rules.d override a copy the package installed: ours, or a
  // link to /dev/null, which masks it.
  test::TempDir rules, noRules;
  std::filesystem::copy_file(kRules, rules.File(kRules.filename().string()));
  std::filesystem::create_symlink("/dev/null", noRules.File(kRules.filename().string()));

  std::vector<std::unique_ptr<test::FakeUsbCutter>> cutters;
  std::vector<std::string> tagged;
  int port = 2;
  for (const CutterProduct& product : kCutterProducts) {
    cutters.push_back(std::make_unique<test::FakeUsbCutter>(
        bed, test::FakeUsbCutterSettings{
                 .product = std::stoi(std::string(product.productId), nullptr, 16),
                 .ports = std::to_string(port),
                 .address = port}));
    tagged.push_back(test::UsbSysPath(std::to_string(port++)));
  }
  test::FakeHidFeeder feeder(bed, {.ports = "9"});
  tagged.push_back(test::UsbSysPath("9") + "/1-9:1.0/0003:16C0:0486.0001/hidraw/hidraw0");
  test::FakeUsbCutter stranger(bed, {.vendor = 0x046d, .ports = "8", .address = 8});
  for (const std::string& path : tagged) {
    EXPECT_TRUE(Uaccess(rules, path)) << path;
    EXPECT_FALSE(Uaccess(noRules, path)) << path;
  }
  EXPECT_FALSE(Uaccess(rules, test::UsbSysPath("8")));
}

}  // namespace
}  // namespace orvex
