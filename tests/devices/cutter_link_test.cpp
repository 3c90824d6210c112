// Cutter link: discovery rules, one open per send or stream, and the single status read.
#include "devices/cutter_link.h"

#include <gtest/gtest.h>

#include "support/memory_cutter_transport.h"

namespace orvex {
namespace {

using test::MemoryCutterTransport;

std::string CutterPath(const char* vendor, const char* product, const char* instance = "5&1") {
  return std::string("\\\\?\\usb#vid_") + vendor + "&pid_" + product + "#" + instance;
}

class CutterLinkTest : public ::testing::Test {
 protected:
  RunContext ctx;
  MemoryCutterTransport transport;
  CutterLink link{transport, ctx};
};

TEST_F(CutterLinkTest, FindsTheFirstCutterAndItsModel) {
  transport.devices = {"\\\\?\\hid#vid_16c0&pid_0486#1", CutterPath("0B4D", "1130"),
                       CutterPath("0b4d", "1143", "a"), CutterPath("0b4d", "1130", "b")};
  EXPECT_EQ(link.FindCutter(), 1);
  EXPECT_EQ(ctx.cutterPath, CutterPath("0b4d", "1143", "a"));  // capitals are another vendor
  EXPECT_EQ(ctx.cutterModel, 2);

  transport.devices = {CutterPath("0b4d", "1130")};
  EXPECT_EQ(link.FindCutter(), 1);
  EXPECT_EQ(ctx.cutterModel, 1);
  transport.devices = {CutterPath("0b4d", "1135")};
  EXPECT_EQ(link.FindCutter(), 1);
  EXPECT_EQ(ctx.cutterModel, 2);
}

TEST_F(CutterLinkTest, UnknownProductIsUsedButKeepsTheModel) {
  transport.devices = {CutterPath("0b4d", "9999")};
  EXPECT_EQ(link.FindCutter(), 1);
  EXPECT_EQ(ctx.cutterModel, 0);
  EXPECT_EQ(ctx.cutterPath, CutterPath("0b4d", "9999"));

  ctx.cutterModel = 1;
  EXPECT_EQ(link.FindCutter(), 1);
  EXPECT_EQ(ctx.cutterModel, 1);
}

TEST_F(CutterLinkTest, ShortPathsAndFailuresNeverMatchAndKeepThePreviousCutter) {
  ctx.cutterPath = "previous";
  ctx.cutterModel = 2;
  // The vendor fits but the product position lies past the end; an empty path; a bare prefix.
  transport.devices = {"\\\\?\\usb#vid_0b4d&pid_11", "\\\\?\\usb#vid_0b4d", "", "0b4d"};
  EXPECT_EQ(link.FindCutter(), 0);
  transport.enumerateFails = true;
  EXPECT_EQ(link.FindCutter(), 0);
  EXPECT_EQ(ctx.cutterPath, "previous");
  EXPECT_EQ(ctx.cutterModel, 2);

  // Exactly long enough to hold the product id is enough.
  EXPECT_TRUE(IsCutterPath(CutterPath("0b4d", "1130").substr(0, 25)));
  EXPECT_FALSE(IsCutterPath(CutterPath("0b4d", "1130").substr(0, 24)));
}

TEST_F(CutterLinkTest, SendOpensWritesAndClosesOnce) {
  ctx.cutterPath = CutterPath("0b4d", "1130");
  EXPECT_EQ(link.SendToCutter("TC24,0\x03"), 0);
  ASSERT_EQ(transport.opens.size(), 1U);
  EXPECT_EQ(transport.opens[0].path, ctx.cutterPath);
  EXPECT_EQ(transport.opens[0].access, CutterAccess::kWrite);
  ASSERT_EQ(transport.writes.size(), 1U);
  EXPECT_EQ(transport.writes[0].bytes, "TC24,0\x03");  // no terminator on the wire
  EXPECT_TRUE(transport.OpenHandles().empty());

  transport.writeError = kCutterIoError;
  EXPECT_EQ(link.SendToCutter("G"), kCutterIoError);
  EXPECT_TRUE(transport.OpenHandles().empty());

  transport.openError = kCutterFileNotFound;
  EXPECT_EQ(link.SendToCutter("G"), kCutterFileNotFound);
  EXPECT_EQ(transport.misuse, 0);
}

TEST_F(CutterLinkTest, StreamIsOneOpenManyWritesOneClose) {
  const CutterHandle handle = link.OpenCutterStream();
  ASSERT_NE(handle, kNoCutterHandle);
  EXPECT_EQ(link.WriteCutterStream(handle, "O10,0\n"), 0);
  EXPECT_EQ(link.WriteCutterStream(handle, "E0,10\n"), 0);
  link.CloseCutterStream(handle);
  EXPECT_EQ(transport.opens.size(), 1U);
  EXPECT_EQ(transport.AllBytes(), "O10,0\nE0,10\n");
  EXPECT_TRUE(transport.OpenHandles().empty());

  // A vanished cutter: writes report the invalid handle, nothing touches the transport.
  transport.openError = kCutterFileNotFound;
  int openError = 0;
  const CutterHandle none = link.OpenCutterStream(&openError);
  EXPECT_EQ(none, kNoCutterHandle);
  EXPECT_EQ(openError, kCutterFileNotFound);
  EXPECT_EQ(link.WriteCutterStream(none, "O1,0\n"), kCutterInvalidHandle);
  link.CloseCutterStream(none);
  EXPECT_EQ(transport.misuse, 0);
}

TEST_F(CutterLinkTest, StatusReplyLandsInTheBufferWithinThePoll) {
  ctx.cutterStatus[0] = '\t';
  transport.Reply("abcd0\x03");
  EXPECT_EQ(link.ReadCutterStatus(), 0);
  EXPECT_EQ(transport.readsStarted, 1);
  EXPECT_EQ(transport.opens.back().access, CutterAccess::kRead);
  EXPECT_EQ(transport.waits, std::vector<int>{100});
  EXPECT_EQ(ctx.cutterStatus[4], '0');
  EXPECT_EQ(ctx.cutterStatus[5], 3);
  EXPECT_TRUE(transport.OpenHandles().empty());  // the completed read's handle is released
}

TEST_F(CutterLinkTest, PollWhileAReadIsOutstandingStartsNoSecondRead) {
  ctx.cutterStatus[0] = '\t';
  link.ReadCutterStatus();  // no reply: the read stays outstanding
  EXPECT_TRUE(link.StatusReadOutstanding());
  EXPECT_EQ(ctx.cutterStatus[0], '\t');  // the buffer keeps its contents
  const CutterHandle readHandle = transport.opens.back().handle;

  link.ReadCutterStatus();
  EXPECT_EQ(transport.readsStarted, 1);
  EXPECT_EQ(transport.waits, (std::vector<int>{100, 100}));
  EXPECT_EQ(transport.OpenHandles(), std::set<CutterHandle>{readHandle});

  // The late reply lands between polls when the run loop pumps events.
  transport.Reply("  5 00 3200");
  link.PumpStatusRead();
  EXPECT_EQ(ctx.cutterStatus[2], '5');
  EXPECT_TRUE(transport.OpenHandles().empty());
  EXPECT_EQ(transport.misuse, 0);

  link.ReadCutterStatus();
  EXPECT_EQ(transport.readsStarted, 2);
}

TEST_F(CutterLinkTest, StatusBufferStaysTerminatedAndFailedOpenStartsNothing) {
  transport.Reply(std::string(80, 'x'));
  link.ReadCutterStatus();
  EXPECT_EQ(ctx.cutterStatus[63], 'x');
  EXPECT_EQ(ctx.cutterStatus[64], 0);

  transport.openError = kCutterFileNotFound;
  EXPECT_EQ(link.ReadCutterStatus(), kCutterFileNotFound);
  EXPECT_EQ(transport.readsStarted, 1);
  EXPECT_EQ(transport.waits.size(), 1U);
}

}  // namespace
}  // namespace orvex
