// The hidapi feeder link over a fake HID feeder: only the feeder's interface listed, reports
// framed with id 0 both ways, time limits on reads and on writes the node will not take, a
// refused open, and the feeder unplugged and back.
#include "platform/hidapi_feeder_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <tuple>

#include "devices/feeder_link.h"
#include "usb/fake_hid_feeder.h"
#include "usb/log_capture.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::FakeHidFeeder;
using Clock = std::chrono::steady_clock;
using test::MillisecondsSince;

// A whole report with the id 0 hidraw wants in front.
const std::string kRequest = '\0' + std::string(kFeederReportBytes, 'A');

class HidapiFeederTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  }
  FeederHandle OpenFeeder() {
    FeederHandle handle = kNoFeederHandle;
    EXPECT_EQ(transport.Open(feeder->Node(), handle), kFeederOk);
    return handle;
  }
  TransferResult Write(FeederHandle handle, int timeoutMs) {
    return transport.Write(handle, reinterpret_cast<const std::uint8_t*>(kRequest.data()),
                           kRequest.size(), timeoutMs);
  }

  test::UmockdevBed bed;
  std::unique_ptr<FakeHidFeeder> feeder = std::make_unique<FakeHidFeeder>(bed);
  HidapiFeederTransport transport;
  std::uint8_t report[kFeederReportBytes + 1] = {};
};

TEST_F(HidapiFeederTest, ListsOnlyTheFeedersOwnInterface) {
  // The feeder's second interface has another usage; another maker's device has another id.
  FakeHidFeeder otherInterface(
      bed,
      {.usagePage = 0xFF00, .usage = 1, .interfaceNumber = 1, .hidraw = 1, .interfaceOnly = true});
  FakeHidFeeder keyboard(
      bed,
      {.vendor = 0x046d, .product = 0xc31c, .usagePage = 1, .usage = 6, .ports = "4", .hidraw = 2});
  std::vector<HidDeviceInfo> found;
  ASSERT_TRUE(transport.Enumerate(found));
  ASSERT_EQ(found.size(), 1U);
  const HidDeviceInfo& info = found[0];
  EXPECT_EQ(std::tie(info.path, info.vendorId, info.productId, info.usagePage, info.usage),
            std::make_tuple("/dev/hidraw0", 0x16C0, 0x0486, 0xFFAB, 0x0200));
}

TEST_F(HidapiFeederTest, ReportsGoBothWaysWithTheirIdAndEndAtTheirTimeLimit) {
  const FeederHandle handle = OpenFeeder();
  EXPECT_EQ(Write(handle, 100).bytes, kRequest.size());
  EXPECT_EQ(feeder->Take(kRequest.size(), 1000), kRequest);
  feeder->Send("xyz");  // hidraw hands a report back without its id
  const TransferResult got = transport.Read(handle, report, sizeof report, 1000);
  EXPECT_EQ(got.status, TransferStatus::kDone);
  ASSERT_EQ(got.bytes, 4U);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(report), 4), std::string("\0xyz", 4));

  Clock::time_point start = Clock::now();
  EXPECT_EQ(transport.Read(handle, report, sizeof report, 150).status, TransferStatus::kTimedOut);
  EXPECT_GE(MillisecondsSince(start), 150);
  EXPECT_LT(MillisecondsSince(start), 1000);
  start = Clock::now();
  EXPECT_EQ(transport.Read(handle, report, sizeof report, -1).status, TransferStatus::kTimedOut);
  EXPECT_LT(MillisecondsSince(start), 500);  // a negative limit does not wait for ever

  // A node that takes nothing: the write gives up at its limit, with nothing sent.
  feeder->Clog();
  start = Clock::now();
  const TransferResult clogged = Write(handle, 150);
  EXPECT_EQ(clogged.status, TransferStatus::kTimedOut);
  EXPECT_EQ(clogged.bytes, 0U);
  EXPECT_GE(MillisecondsSince(start), 150);
  EXPECT_LT(MillisecondsSince(start), 1000);
  feeder->Take(0, 200);  // the feeder catches up
  EXPECT_EQ(Write(handle, 150).status, TransferStatus::kDone);
}

TEST_F(HidapiFeederTest, ARefusedOrUnpluggedFeederFailsAndIsFoundAgainWhenBack) {
  test::LogCapture log;
  FeederHandle handle = kNoFeederHandle;
  test::AsUnprivilegedUser(feeder->NodeFile(), [&] {
    EXPECT_EQ(transport.Open(feeder->Node(), handle), kFeederAccessDenied);
  });
  EXPECT_EQ(handle, kNoFeederHandle);
  EXPECT_NE(log.Text().find("Permission denied"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("install the udev rules"), std::string::npos) << log.Text();

  handle = OpenFeeder();
  feeder->Unplug();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(transport.Read(handle, report, sizeof report, 3000).status, TransferStatus::kFailed);
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_EQ(Write(handle, 100).status, TransferStatus::kFailed);
  transport.Close(handle);
  std::vector<HidDeviceInfo> found;
  EXPECT_TRUE(transport.Enumerate(found));
  EXPECT_TRUE(found.empty());
  EXPECT_EQ(transport.Open(feeder->Node(), handle), kFeederNotFound);

  feeder = std::make_unique<FakeHidFeeder>(bed, test::FakeHidFeederSettings{.hidraw = 3});
  FeederLink link(transport);
  EXPECT_TRUE(link.OpenSheetFeeder());
  EXPECT_EQ(link.FeederSend(0, reinterpret_cast<const std::uint8_t*>(kRequest.data()) + 1,
                            kFeederReportBytes, 100),
            kFeederReportBytes);
}

}  // namespace
}  // namespace orvex
