// The hidapi feeder link over a fake HID feeder: time limits on reads and on writes the node
// will not take, a refused open, and the feeder unplugged and found again, its reports then
// framed with id 0 both ways. The listing is the device survey's.
#include "platform/hidapi_feeder_transport.h"

#include <gtest/gtest.h>

#include <memory>

#include "devices/feeder_link.h"
#include "usb/fake_hid_feeder.h"
#include "usb/log_capture.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::FakeHidFeeder;
using test::Takes;

// A whole report with the id 0 hidraw wants in front.
const std::string kRequest = '\0' + std::string(kFeederReportBytes, 'A');

class HidapiFeederTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  }
  FeederHandle OpenFeeder(int expected = kFeederOk) {
    FeederHandle handle = kNoFeederHandle;
    EXPECT_EQ(transport.Open(feeder->Node(), handle), expected);
    return handle;
  }
  TransferResult Write(FeederHandle handle, int timeoutMs) {
    return transport.Write(handle, reinterpret_cast<const std::uint8_t*>(kRequest.data()),
                           kRequest.size(), timeoutMs);
  }
  TransferResult Read(FeederHandle handle, int timeoutMs) {
    return transport.Read(handle, report, sizeof report, timeoutMs);
  }

  test::UmockdevBed bed;
  std::unique_ptr<FakeHidFeeder> feeder = std::make_unique<FakeHidFeeder>(bed);
  HidapiFeederTransport transport;
  std::uint8_t report[kFeederReportBytes + 1] = {};
};

TEST_F(HidapiFeederTest, ReadsAndWritesEndAtTheirTimeLimit) {
  const FeederHandle handle = OpenFeeder();
  EXPECT_TRUE(
      Takes(150, 1000, [&] { EXPECT_EQ(Read(handle, 150).status, TransferStatus::kTimedOut); }));
  // A negative limit does not wait for ever.
  EXPECT_TRUE(
      Takes(0, 500, [&] { EXPECT_EQ(Read(handle, -1).status, TransferStatus::kTimedOut); }));

  // A node that takes nothing: the write gives up at its limit, with nothing sent.
  feeder->Clog();
  EXPECT_TRUE(Takes(150, 1000, [&] {
    const TransferResult clogged = Write(handle, 150);
    EXPECT_EQ(clogged.status, TransferStatus::kTimedOut);
    EXPECT_EQ(clogged.bytes, 0U);
  }));
  feeder->Take(0, 200);  // the feeder catches up
  EXPECT_EQ(Write(handle, 150).status, TransferStatus::kDone);
}

TEST_F(HidapiFeederTest, ARefusedOrUnpluggedFeederFailsAndIsFoundAgainWhenBack) {
  test::LogCapture log;
  test::AsUnprivilegedUser(feeder->NodeFile(),
                           [&] { EXPECT_EQ(OpenFeeder(kFeederAccessDenied), kNoFeederHandle); });
  EXPECT_NE(log.Text().find("Permission denied"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("install the udev rules"), std::string::npos) << log.Text();

  FeederHandle handle = OpenFeeder();
  feeder->Unplug();
  EXPECT_TRUE(
      Takes(0, 1000, [&] { EXPECT_EQ(Read(handle, 3000).status, TransferStatus::kFailed); }));
  EXPECT_EQ(Write(handle, 100).status, TransferStatus::kFailed);
  EXPECT_NE(log.Text().find("the device has gone"), std::string::npos) << log.Text();
  transport.Close(handle);
  std::vector<HidDeviceInfo> found;
  EXPECT_TRUE(transport.Enumerate(found));
  EXPECT_TRUE(found.empty());
  OpenFeeder(kFeederNotFound);

  feeder = std::make_unique<FakeHidFeeder>(bed, test::FakeHidFeederSettings{.hidraw = 3});
  EXPECT_TRUE(transport.Enumerate(found));
  ASSERT_EQ(found.size(), 1U);
  handle = OpenFeeder();
  EXPECT_EQ(Write(handle, 100).bytes, kRequest.size());
  EXPECT_EQ(feeder->Take(kRequest.size(), 1000), kRequest);
  feeder->Send("xyz");  // hidraw hands a report back without its id
  const TransferResult got = Read(handle, 1000);
  EXPECT_EQ(got.status, TransferStatus::kDone);
  ASSERT_EQ(got.bytes, 4U);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(report), 4), std::string("\0xyz", 4));
}

}  // namespace
}  // namespace orvex
