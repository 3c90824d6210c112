// The generated device access rules as udev applies them: udevadm test over the fake cutters
// and feeder gives each the uaccess tag with the rules in place, and none without them (an
// installed copy masked). udevadm
// runs in a private mount namespace, the rules (or an empty directory) bound over
// /etc/udev/rules.d and a private /run for the database it writes, so the machine's own udev
// state is never touched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "devices/cutter_link.h"
#include "support/temp_dir.h"
#include "usb/fake_hid_feeder.h"
#include "usb/fake_usb_cutter.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::UmockdevBed;

const std::filesystem::path kRules = ORVEX_BINARY_DIR "/packaging/udev/69-orvex.rules";

// Standard output of a shell command (its errors dropped), and whether it succeeded.
bool RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  return ::pclose(pipe) == 0;
}

// The tags udevadm's simulated "add" event leaves on the device at `sysPath`, with the rules
// of `rulesDir` in place of the local ones.
std::string TagsAfterAdd(const std::filesystem::path& rulesDir, const std::string& sysPath) {
  std::string output;
  RunCommand("unshare -rm sh -c 'mount -t tmpfs none /run && mount --bind " + rulesDir.string() +
                 " /etc/udev/rules.d && exec udevadm test --action=add " + sysPath + "'",
             output);
  const std::size_t at = output.find("\nCURRENT_TAGS=");
  if (at == std::string::npos) return "(no tags line)";
  return output.substr(at + 14, output.find('\n', at + 1) - at - 14);
}

class UdevRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
    std::string output;
    if (!RunCommand("command -v udevadm", output)) GTEST_SKIP() << "udevadm is not installed";
    if (!std::filesystem::is_directory("/etc/udev/rules.d")) {
      GTEST_SKIP() << "this machine has no /etc/udev/rules.d to stand in for";
    }
    if (!RunCommand("unshare -rm true", output)) {
      GTEST_SKIP() << "no private mount namespace here (unshare -rm), so udevadm cannot be "
                      "given the rules without installing them on this machine";
    }
    ASSERT_TRUE(std::filesystem::exists(kRules)) << kRules << " was not generated";
    // Same-named files in /etc/udev/rules.d override a copy the package installed: ours, or a
    // link to /dev/null, which masks it.
    std::filesystem::copy_file(kRules, rules.File(kRules.filename().string()));
    std::filesystem::create_symlink("/dev/null", noRules.File(kRules.filename().string()));
  }

  test::TempDir rules;
  test::TempDir noRules;
  UmockdevBed bed;
};

TEST_F(UdevRulesTest, EveryCutterProductAndTheFeederGetUaccessOnlyWithTheRules) {
  std::vector<std::unique_ptr<test::FakeUsbCutter>> cutters;
  std::vector<std::string> tagged;
  int address = 2;
  for (const CutterProduct& product : kCutterProducts) {
    test::FakeUsbCutterSettings settings;
    settings.product = std::stoi(std::string(product.productId), nullptr, 16);
    settings.ports = std::to_string(address);
    settings.address = address++;
    cutters.push_back(std::make_unique<test::FakeUsbCutter>(bed, settings));
    tagged.push_back("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + settings.ports);
  }
  test::FakeHidFeeder feeder(bed, {.ports = "9"});
  tagged.push_back(
      "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-9/1-9:1.0/0003:16C0:0486.0001/hidraw/hidraw0");
  test::FakeUsbCutter stranger(bed,
                               {.vendor = 0x046d, .product = 0x1130, .ports = "8", .address = 8});
  const std::string strangerPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-8";

  for (const std::string& path : tagged) {
    EXPECT_NE(TagsAfterAdd(rules.Path(), path).find(":uaccess:"), std::string::npos) << path;
    EXPECT_EQ(TagsAfterAdd(noRules.Path(), path).find(":uaccess:"), std::string::npos) << path;
  }
  EXPECT_EQ(TagsAfterAdd(rules.Path(), strangerPath).find(":uaccess:"), std::string::npos);
}

TEST(UdevRulesFileTest, IsNumberedBeforeUaccessIsActedOnAndGivesNoModeToAll) {
  ASSERT_TRUE(std::filesystem::exists(kRules)) << kRules << " was not generated";
  EXPECT_LT(std::stoi(kRules.filename().string().substr(0, 2)), 73);
  const std::string text = test::ReadFileBytes(kRules);
  EXPECT_EQ(text.find("MODE"), std::string::npos);
  EXPECT_EQ(text.find("GROUP"), std::string::npos);
}

}  // namespace
}  // namespace orvex
