// The libusb cutter link over a fake USB cutter: discovery and the path rule, the status read
// answered while outstanding, time limits and cancels, the refusals an open can meet, and the
// cutter vanishing and coming back.
#include "platform/libusb_cutter_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "devices/cutter_link.h"
#include "usb/fake_usb_cutter.h"
#include "usb/log_capture.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::FakeUsbCutter;
using Clock = std::chrono::steady_clock;
using test::MillisecondsSince;

// The testbed and its devices exist before libusb starts, as on a machine booted with them.
class LibusbCutterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  }
  CutterHandle Open(CutterAccess access, int expected = kCutterOk) {
    CutterHandle handle = kNoCutterHandle;
    EXPECT_EQ(transport->Open(cutter->ExpectedPath(), access, handle), expected);
    return handle;
  }

  test::UmockdevBed bed;
  std::unique_ptr<FakeUsbCutter> cutter = std::make_unique<FakeUsbCutter>(bed);
  std::unique_ptr<LibusbCutterTransport> transport;
  std::uint8_t status[64] = {'k', 'e', 'p', 't'};
};

TEST_F(LibusbCutterTest, ListsOnlyTheCutterProductsWithTheirIdsWhereTheRuleReadsThem) {
  FakeUsbCutter other(bed, {.vendor = 0x046d, .product = 0x1130, .ports = "3", .address = 3});
  FakeUsbCutter unknown(bed, {.product = 0x9999, .ports = "4", .address = 4});
  // A hub on port 1 (any device there will do for the port chain) and a cutter on its port 4.
  FakeUsbCutter hub(bed, {.vendor = 0x05e3, .product = 0x0608, .ports = "1", .address = 6});
  FakeUsbCutter behindHub(bed, {.product = 0x1143, .ports = "1.4", .address = 5});
  transport = std::make_unique<LibusbCutterTransport>();
  std::vector<std::string> paths;
  ASSERT_TRUE(transport->Enumerate(paths));
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"\\\\?\\usb#vid_0b4d&pid_1130#1-2",
                                             "\\\\?\\usb#vid_0b4d&pid_1143#1-1.4"}));
}

// The endpoints are read from the cutter's descriptors: the fake refuses any other.
TEST_F(LibusbCutterTest, AStatusReplyLandsOnlyWhenTheLinkWaitsForIt) {
  cutter.reset();  // for one on the same node with other descriptors
  cutter = std::make_unique<FakeUsbCutter>(bed, test::FakeUsbCutterSettings{.product = 0x1135,
                                                                            .interfaceNumber = 1,
                                                                            .outEndpoint = 0x03,
                                                                            .inEndpoint = 0x84,
                                                                            .maxPacket = 512});
  cutter->SetResponder([](const std::string& bytes) {
    return bytes == "\x1b.C1:" ? std::string("S0: 0\x03") : std::string();
  });
  transport = std::make_unique<LibusbCutterTransport>();
  RunContext ctx;
  CutterLink link(*transport, ctx);
  ASSERT_EQ(link.FindCutter(), 1);

  // The poll starts the read before the query goes out, and the read stays outstanding.
  ctx.cutterStatus[0] = '\t';
  EXPECT_EQ(link.ReadCutterStatus(), kCutterOk);
  EXPECT_EQ(cutter->ReadsInFlight(), 1);
  EXPECT_TRUE(cutter->Claimed());
  EXPECT_EQ(link.SendToCutter("\x1b.C1:"), kCutterOk);
  // The write ran libusb's events, but the buffer is only written inside a wait.
  EXPECT_EQ(ctx.cutterStatus[0], '\t');

  EXPECT_EQ(link.ReadCutterStatus(), kCutterOk);
  EXPECT_FALSE(link.StatusReadOutstanding());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ctx.cutterStatus.data()), 6), "S0: 0\x03");
  EXPECT_FALSE(
      cutter->Claimed());  // every handle closed again: the cutter is free between commands
}

TEST_F(LibusbCutterTest, WaitsAndWritesKeepTheirTimeLimitsAndClosingCancelsTheRead) {
  transport = std::make_unique<LibusbCutterTransport>(
      LibusbCutterOptions{.writeTimeoutMs = 200, .cancelGraceMs = 1000});
  const CutterHandle reader = Open(CutterAccess::kRead);
  ASSERT_EQ(transport->StartRead(reader, status, sizeof status), kCutterOk);
  Clock::time_point start = Clock::now();
  transport->WaitRead(100);
  EXPECT_GE(MillisecondsSince(start), 100);
  EXPECT_LT(MillisecondsSince(start), 1000);
  // A second read while one is outstanding is refused; the first one is kept.
  EXPECT_EQ(transport->StartRead(reader, status, sizeof status), kCutterIoError);
  EXPECT_EQ(cutter->ReadsInFlight(), 1);

  cutter->StallWrites(true);
  const CutterHandle writer = Open(CutterAccess::kWrite);
  start = Clock::now();
  EXPECT_EQ(transport->Write(writer, "D100,100\x03", 9), kCutterIoError);
  EXPECT_GE(MillisecondsSince(start), 200);
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_EQ(cutter->Discards(), 1);  // the timed-out write was cancelled, not left on the wire
  cutter->StallWrites(false);
  EXPECT_EQ(transport->Write(writer, "U", 1), kCutterOk);
  transport->Close(writer);

  transport->Close(reader);
  EXPECT_FALSE(transport->ReadOutstanding());
  EXPECT_EQ(cutter->Discards(), 2);
  EXPECT_FALSE(cutter->Claimed());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(status), 4), "kept");

  // A transport that goes away with a read outstanding cancels it as well.
  ASSERT_EQ(transport->StartRead(Open(CutterAccess::kRead), status, sizeof status), kCutterOk);
  transport.reset();
  EXPECT_EQ(cutter->Discards(), 3);
}

// Refused opens say why in their code and the log; a cutter that vanishes fails with the invalid
// handle code, and comes back on its path.
TEST_F(LibusbCutterTest, RefusedOpensSayWhyAndAVanishedCutterComesBackOnItsPath) {
  transport = std::make_unique<LibusbCutterTransport>();
  test::LogCapture log;
  test::AsUnprivilegedUser(cutter->NodeFile(), [&] {
    EXPECT_EQ(Open(CutterAccess::kWrite, kCutterAccessDenied), kNoCutterHandle);
  });
  EXPECT_NE(log.Text().find("LIBUSB_ERROR_ACCESS"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("install the udev rules"), std::string::npos) << log.Text();
  cutter->RefuseClaim(true);
  Open(CutterAccess::kWrite, kCutterInUse);
  EXPECT_NE(log.Text().find("LIBUSB_ERROR_BUSY"), std::string::npos) << log.Text();
  cutter->RefuseClaim(false);

  const CutterHandle reader = Open(CutterAccess::kRead);
  CutterHandle writer = Open(CutterAccess::kWrite);
  ASSERT_EQ(transport->StartRead(reader, status, sizeof status), kCutterOk);
  cutter->Unplug();
  const Clock::time_point start = Clock::now();
  transport->WaitRead(5000);
  EXPECT_LT(MillisecondsSince(start), 1000);  // the read ends at once, without a reply
  EXPECT_FALSE(transport->ReadOutstanding());
  EXPECT_EQ(transport->Write(writer, "U", 1), kCutterInvalidHandle);
  EXPECT_NE(log.Text().find("LIBUSB_ERROR_NO_DEVICE"), std::string::npos) << log.Text();
  transport->Close(writer);
  transport->Close(reader);
  std::vector<std::string> paths;
  EXPECT_TRUE(transport->Enumerate(paths));
  EXPECT_TRUE(paths.empty());
  Open(CutterAccess::kWrite, kCutterFileNotFound);

  cutter->Plug();
  ASSERT_TRUE(transport->Enumerate(paths));
  EXPECT_EQ(paths, std::vector<std::string>{cutter->ExpectedPath()});
  // Gone in the middle of a write: that write and every later one fail.
  writer = Open(CutterAccess::kWrite);
  ASSERT_EQ(transport->Write(writer, "IN;", 3), kCutterOk);
  cutter->UnplugAfterBytes(5);
  EXPECT_EQ(transport->Write(writer, "D100,200\x03", 9), kCutterInvalidHandle);
  EXPECT_EQ(transport->Write(writer, "U", 1), kCutterInvalidHandle);
  transport->Close(writer);
  EXPECT_EQ(cutter->Received(), "IN;D100");
}

}  // namespace
}  // namespace orvex
