// Cutter link: discovery rules and the status buffer's end. Sends, streams and the one read at a
// time are what every run does, and are held by the run transcripts.
#include "devices/cutter_link.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/memory_cutter_transport.h"

namespace orvex {
namespace {

std::string CutterPath(const char* product, const char* vendor = "0b4d") {
  return std::string("\\\\?\\usb#vid_") + vendor + "&pid_" + product + "#5&1";
}

class CutterLinkTest : public ::testing::Test {
 protected:
  RunContext ctx;
  test::MemoryCutterTransport transport;
  CutterLink link{transport, ctx};
};

// The first path of the vendor (in small letters) is the cutter; a known product sets the model,
// an unknown one keeps the model found before. A path too short to hold the product id, or a
// failed listing, finds nothing and keeps the previous cutter.
TEST_F(CutterLinkTest, DiscoveryTakesTheFirstCutterPathAndItsModel) {
  const std::string hid = "\\\\?\\hid#vid_16c0&pid_0486#1";
  const std::tuple<int, int, std::vector<std::string>> cases[] = {
      // chosen, model, devices
      {2, 2, {hid, CutterPath("1130", "0B4D"), CutterPath("1143"), CutterPath("1130")}},
      {0, 1, {CutterPath("1130")}},
      {0, 2, {CutterPath("1135")}},
      {0, 7, {CutterPath("9999")}},
      {-1, 7, {"\\\\?\\usb#vid_0b4d&pid_11", "\\\\?\\usb#vid_0b4d", "", "0b4d"}},
      {1, 2, {CutterPath("1130").substr(0, 24), CutterPath("1135").substr(0, 25)}},
  };
  for (const auto& [chosen, model, devices] : cases) {
    SCOPED_TRACE(devices.front());
    ctx.cutterPath = "previous";
    ctx.cutterModel = 7;
    transport.devices = devices;
    EXPECT_EQ(link.FindCutter(), chosen >= 0 ? 1 : 0);
    EXPECT_EQ(ctx.cutterPath, chosen >= 0 ? devices[chosen] : "previous");
    EXPECT_EQ(ctx.cutterModel, model);
  }
  ctx.cutterPath = "previous";
  transport.enumerateFails = true;
  EXPECT_EQ(link.FindCutter(), 0);
  EXPECT_EQ(ctx.cutterPath, "previous");
}

// A reply however long leaves the buffer terminated; a read whose open fails starts nothing.
// (Waiting for a read outstanding is what every poll of a run does; the exchange with a real
// device is in the USB adapter's tests.)
TEST_F(CutterLinkTest, TheStatusBufferStaysTerminatedAndAFailedOpenStartsNoRead) {
  EXPECT_EQ(link.ReadCutterStatus(), 0);
  transport.Reply(std::string(80, 'x'));
  link.PumpStatusRead();
  EXPECT_EQ(ctx.cutterStatus[63], 'x');
  EXPECT_EQ(ctx.cutterStatus[64], 0);
  EXPECT_TRUE(transport.OpenHandles().empty());  // the completed read's handle is released
  transport.openError = kCutterFileNotFound;
  EXPECT_EQ(link.ReadCutterStatus(), kCutterFileNotFound);
  EXPECT_EQ(transport.readsStarted, 1);
  EXPECT_EQ(transport.misuse, 0);
}

}  // namespace
}  // namespace orvex
