// The hidapi feeder link over a fake HID feeder: only the feeder's interface listed, reports
// framed with id 0 both ways, time limits on reads and on writes the node will not take, the
// feeder unplugged and back, and a refused open.
#include "platform/hidapi_feeder_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "devices/feeder_link.h"
#include "usb/fake_hid_feeder.h"
#include "usb/log_capture.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::FakeHidFeeder;
using test::LogCapture;
using test::UmockdevBed;
using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string Report(char fill) {
  std::string report(1, '\0');
  for (int i = 0; i < kFeederReportBytes; ++i) report += static_cast<char>(fill + i % 7);
  return report;
}

class HidapiFeederTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  }
  FeederHandle OpenFeeder() {
    FeederHandle handle = kNoFeederHandle;
    EXPECT_EQ(transport.Open(feeder->Node(), handle), kFeederOk);
    return handle;
  }

  UmockdevBed bed;
  std::unique_ptr<FakeHidFeeder> feeder = std::make_unique<FakeHidFeeder>(bed);
  HidapiFeederTransport transport;
};

TEST_F(HidapiFeederTest, ListsOnlyTheFeedersOwnInterface) {
  // The feeder's second interface has another usage; another maker's device has another id.
  FakeHidFeeder otherInterface(bed, {.usagePage = 0xFF00,
                                     .usage = 0x0001,
                                     .interfaceNumber = 1,
                                     .hidraw = 1,
                                     .interfaceOnly = true});
  FakeHidFeeder keyboard(bed, {.vendor = 0x046d,
                               .product = 0xc31c,
                               .usagePage = 0x0001,
                               .usage = 0x0006,
                               .ports = "4",
                               .hidraw = 2});
  std::vector<HidDeviceInfo> found;
  ASSERT_TRUE(transport.Enumerate(found));
  ASSERT_EQ(found.size(), 1U);
  EXPECT_EQ(found[0].path, "/dev/hidraw0");
  EXPECT_EQ(found[0].vendorId, kFeederVendorId);
  EXPECT_EQ(found[0].productId, kFeederProductId);
  EXPECT_EQ(found[0].usagePage, kFeederUsagePage);
  EXPECT_EQ(found[0].usage, kFeederUsage);
}

TEST_F(HidapiFeederTest, AReportGoesOutAndItsAnswerComesBackWithTheReportIdInFront) {
  FeederLink link(transport);
  ASSERT_TRUE(link.OpenSheetFeeder());
  const std::string request = Report('A');
  EXPECT_EQ(link.FeederSend(0, reinterpret_cast<const std::uint8_t*>(request.data()) + 1,
                            kFeederReportBytes, 100),
            kFeederReportBytes);
  // hidraw takes the report id 0 in front of an unnumbered report.
  EXPECT_EQ(feeder->Take(request.size(), 1000), request);

  const std::string answer = Report('a').substr(1);  // hidraw hands reports back without it
  feeder->Send(answer);
  std::uint8_t payload[kFeederReportBytes] = {};
  EXPECT_EQ(link.FeederReceive(0, payload, kFeederReportBytes, 6000), kFeederReportBytes);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(payload), sizeof payload), answer);

  // The transport itself puts the id back in front of what it read.
  feeder->Send("xyz");
  std::uint8_t report[8] = {0xee};
  const TransferResult got = transport.Read(OpenFeeder(), report, sizeof report, 1000);
  EXPECT_EQ(got.status, TransferStatus::kDone);
  ASSERT_EQ(got.bytes, 4U);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(report), 4), std::string("\0xyz", 4));
}

TEST_F(HidapiFeederTest, ReadsAndWritesEndAtTheirTimeLimit) {
  const FeederHandle handle = OpenFeeder();
  std::uint8_t report[kFeederReportBytes + 1] = {};
  Clock::time_point start = Clock::now();
  EXPECT_EQ(transport.Read(handle, report, sizeof report, 150).status, TransferStatus::kTimedOut);
  EXPECT_GE(MillisecondsSince(start), 150);
  EXPECT_LT(MillisecondsSince(start), 1000);
  start = Clock::now();
  EXPECT_EQ(transport.Read(handle, report, sizeof report, -1).status, TransferStatus::kTimedOut);
  EXPECT_LT(MillisecondsSince(start), 500);  // a negative limit does not wait for ever

  // A node that takes nothing: the write gives up at its limit, with nothing sent.
  feeder->Clog();
  const std::string request = Report('A');
  start = Clock::now();
  const TransferResult clogged = transport.Write(
      handle, reinterpret_cast<const std::uint8_t*>(request.data()), request.size(), 150);
  EXPECT_EQ(clogged.status, TransferStatus::kTimedOut);
  EXPECT_EQ(clogged.bytes, 0U);
  EXPECT_GE(MillisecondsSince(start), 150);
  EXPECT_LT(MillisecondsSince(start), 1000);

  feeder->Take(0, 200);  // the feeder catches up
  const TransferResult sent = transport.Write(
      handle, reinterpret_cast<const std::uint8_t*>(request.data()), request.size(), 150);
  EXPECT_EQ(sent.status, TransferStatus::kDone);
  EXPECT_EQ(sent.bytes, request.size());
  transport.Close(handle);
}

TEST_F(HidapiFeederTest, AnUnpluggedFeederFailsItsTransfersAndIsFoundAgainWhenBack) {
  LogCapture log;
  const FeederHandle handle = OpenFeeder();
  feeder->Unplug();
  std::uint8_t report[kFeederReportBytes + 1] = {};
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(transport.Read(handle, report, sizeof report, 3000).status, TransferStatus::kFailed);
  EXPECT_LT(MillisecondsSince(start), 1000);
  const std::string request = Report('A');
  EXPECT_EQ(
      transport
          .Write(handle, reinterpret_cast<const std::uint8_t*>(request.data()), request.size(), 100)
          .status,
      TransferStatus::kFailed);
  transport.Close(handle);
  std::vector<HidDeviceInfo> found;
  EXPECT_TRUE(transport.Enumerate(found));
  EXPECT_TRUE(found.empty());
  FeederHandle again = kNoFeederHandle;
  EXPECT_EQ(transport.Open(feeder->Node(), again), kFeederNotFound);

  feeder = std::make_unique<FakeHidFeeder>(bed, test::FakeHidFeederSettings{.hidraw = 3});
  FeederLink link(transport);
  EXPECT_TRUE(link.OpenSheetFeeder());
  EXPECT_EQ(link.FeederSend(0, reinterpret_cast<const std::uint8_t*>(request.data()) + 1,
                            kFeederReportBytes, 100),
            kFeederReportBytes);
}

TEST_F(HidapiFeederTest, APermissionRefusalIsReportedWithItsReason) {
  LogCapture log;
  FeederHandle handle = kNoFeederHandle;
  int result = kFeederOk;
  test::AsUnprivilegedUser(feeder->NodeFile(),
                           [&] { result = transport.Open(feeder->Node(), handle); });
  EXPECT_EQ(result, kFeederAccessDenied);
  EXPECT_EQ(handle, kNoFeederHandle);
  EXPECT_NE(log.Text().find("Permission denied"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("install the udev rules"), std::string::npos) << log.Text();
}

}  // namespace
}  // namespace orvex
