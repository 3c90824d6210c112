// The libusb cutter link over a fake USB cutter: time limits and cancels, a reply longer than
// the read, the refusals an open can meet, and the cutter vanishing and coming back. The listing
// is the device survey's.
#include "platform/libusb_cutter_transport.h"

#include <gtest/gtest.h>

#include <memory>

#include "devices/cutter_link.h"
#include "usb/fake_usb_cutter.h"
#include "usb/log_capture.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::FakeUsbCutter;
using test::Takes;

// The testbed and its devices exist before libusb starts, as on a machine booted with them.
class LibusbCutterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  }
  CutterHandle Open(CutterAccess access, int expected = kCutterOk) {
    CutterHandle handle = kNoCutterHandle;
    EXPECT_EQ(transport->Open(cutter.ExpectedPath(), access, handle), expected);
    return handle;
  }
  bool Logged(const std::string& text) const { return log.Text().find(text) != std::string::npos; }

  test::UmockdevBed bed;
  FakeUsbCutter cutter{bed};
  std::unique_ptr<LibusbCutterTransport> transport;
  test::LogCapture log;
  std::uint8_t status[64] = {'k', 'e', 'p', 't'};
};

TEST_F(LibusbCutterTest, WaitsAndWritesKeepTheirTimeLimitsAndClosingCancelsTheRead) {
  transport = std::make_unique<LibusbCutterTransport>(
      LibusbCutterOptions{.writeTimeoutMs = 200, .cancelGraceMs = 1000});
  const CutterHandle reader = Open(CutterAccess::kRead);
  EXPECT_EQ(transport->Write(reader, "U", 1), kCutterInvalidHandle);  // opened for reading
  ASSERT_EQ(transport->StartRead(reader, status, sizeof status), kCutterOk);
  EXPECT_TRUE(Takes(100, 1000, [&] { transport->WaitRead(100); }));
  // A second read while one is outstanding is refused.
  EXPECT_EQ(transport->StartRead(reader, status, sizeof status), kCutterIoError);

  cutter.stallWrites = true;
  const CutterHandle writer = Open(CutterAccess::kWrite);
  EXPECT_TRUE(Takes(
      200, 2000, [&] { EXPECT_EQ(transport->Write(writer, "D100,100\x03", 9), kCutterIoError); }));
  EXPECT_EQ(cutter.discards.load(), 1);  // the timed-out write cancelled, not left on the wire
  cutter.stallWrites = false;
  cutter.takeAtMost = 3;  // a write the cutter took part of is no success
  EXPECT_EQ(transport->Write(writer, "D100,100\x03", 9), kCutterIoError);
  cutter.takeAtMost = SIZE_MAX;
  EXPECT_EQ(transport->Write(writer, "U", 1), kCutterOk);
  transport->Close(writer);

  transport->Close(reader);
  EXPECT_FALSE(transport->ReadOutstanding());
  EXPECT_EQ(cutter.discards.load(), 2);
  EXPECT_FALSE(cutter.claimed);  // every handle closed: the cutter is free between commands
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(status), 4), "kept");

  // A transport that goes away with a read outstanding cancels it as well.
  ASSERT_EQ(transport->StartRead(Open(CutterAccess::kRead), status, sizeof status), kCutterOk);
  transport.reset();
  EXPECT_EQ(cutter.discards.load(), 3);
}

// Refused opens say why in their code and the log; a cutter that vanishes fails with the invalid
// handle code, and comes back on its path.
TEST_F(LibusbCutterTest, RefusedOpensSayWhyAndAVanishedCutterComesBackOnItsPath) {
  transport = std::make_unique<LibusbCutterTransport>();
  test::AsUnprivilegedUser(cutter.NodeFile(), [&] {
    EXPECT_EQ(Open(CutterAccess::kWrite, kCutterAccessDenied), kNoCutterHandle);
  });
  EXPECT_TRUE(Logged("LIBUSB_ERROR_ACCESS")) << log.Text();
  EXPECT_TRUE(Logged("install the udev rules")) << log.Text();
  cutter.refuseClaim = true;
  Open(CutterAccess::kWrite, kCutterInUse);
  EXPECT_TRUE(Logged("LIBUSB_ERROR_BUSY")) << log.Text();
  cutter.refuseClaim = false;

  const CutterHandle reader = Open(CutterAccess::kRead);
  CutterHandle writer = Open(CutterAccess::kWrite);
  ASSERT_EQ(transport->StartRead(reader, status, sizeof status), kCutterOk);
  cutter.Unplug();
  // The read ends at once, without a reply.
  EXPECT_TRUE(Takes(0, 1000, [&] { transport->WaitRead(5000); }));
  EXPECT_FALSE(transport->ReadOutstanding());
  EXPECT_EQ(transport->Write(writer, "U", 1), kCutterInvalidHandle);
  EXPECT_TRUE(Logged("LIBUSB_ERROR_NO_DEVICE")) << log.Text();
  transport->Close(writer);
  transport->Close(reader);
  std::vector<std::string> paths;
  EXPECT_TRUE(transport->Enumerate(paths));
  EXPECT_TRUE(paths.empty());
  Open(CutterAccess::kWrite, kCutterFileNotFound);

  cutter.Plug();
  ASSERT_TRUE(transport->Enumerate(paths));
  EXPECT_EQ(paths, std::vector<std::string>{cutter.ExpectedPath()});
  // A reply longer than the read wants: the transfer takes whole packets, the caller what it
  // asked for.
  ASSERT_EQ(transport->StartRead(Open(CutterAccess::kRead), status, 6), kCutterOk);
  cutter.Reply("0,0,1200,900\r");
  transport->WaitRead(1000);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(status), 8), std::string("0,0,12\0\0", 8));
  // Gone in the middle of a write: that write and every later one fail.
  writer = Open(CutterAccess::kWrite);
  ASSERT_EQ(transport->Write(writer, "IN;", 3), kCutterOk);
  cutter.UnplugAfterBytes(5);
  EXPECT_EQ(transport->Write(writer, "D100,200\x03", 9), kCutterInvalidHandle);
  EXPECT_EQ(transport->Write(writer, "U", 1), kCutterInvalidHandle);
  transport->Close(writer);
  EXPECT_EQ(cutter.Received(), "IN;D100");
}

}  // namespace
}  // namespace orvex
