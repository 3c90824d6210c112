// The device links against the simulated machine: the twin's device paths, status replies and
// feeder reports are what the link logic expects, so a run on the twin exercises the same
// bytes as one on the hardware.
#include <gtest/gtest.h>

#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/cutter_command.h"
#include "sim/sim_machine.h"

namespace orvex {
namespace {

class SimLinksTest : public ::testing::Test {
 protected:
  sim::SimMachine machine{sim::SimCutterSettings{
      .product = "1143", .otherDevices = {"\\\\?\\usb#vid_046d&pid_c52b#1"}}};
  RunContext ctx;
  CutterCommandInputs inputs;
  CutterLink cutter{machine.Cutter(), ctx};
  FeederLink feeder{machine.Feeder()};
};

TEST_F(SimLinksTest, StatusQueryReplyReachesTheBufferOnALaterTick) {
  ASSERT_EQ(cutter.FindCutter(), 1);
  EXPECT_EQ(ctx.cutterModel, 2);
  EXPECT_EQ(ctx.cutterPath, machine.Cutter().DevicePath());

  // The polling's order: mark the buffer, poll (nothing yet), then ask.
  ctx.cutterStatus[0] = '\t';
  cutter.ReadCutterStatus();
  EXPECT_EQ(CutterCommand(kQueryStatus, ctx, inputs, cutter), 0);
  EXPECT_EQ(ctx.cutterStatus[0], '\t');
  machine.Clock().Sleep(120);
  cutter.PumpStatusRead();
  EXPECT_NE(ctx.cutterStatus[0], '\t');
  EXPECT_EQ(ctx.cutterStatus[4], '0');
  EXPECT_EQ(ctx.cutterStatus[5], 3);
  EXPECT_FALSE(cutter.StatusReadOutstanding());
}

TEST_F(SimLinksTest, UnpluggedCutterIsReportedAndNotFound) {
  ASSERT_EQ(cutter.FindCutter(), 1);
  cutter.ReadCutterStatus();  // left outstanding
  machine.Cutter().Unplug();
  EXPECT_NE(CutterCommand(kQueryStatus, ctx, inputs, cutter), 0);
  EXPECT_NE(cutter.ReadCutterStatus(), 0);
  EXPECT_FALSE(cutter.StatusReadOutstanding());
  EXPECT_EQ(cutter.FindCutter(), 0);
  machine.Cutter().Plug();
  EXPECT_EQ(cutter.FindCutter(), 1);
}

TEST_F(SimLinksTest, FeederOpensByIdentityAndTimesOutWithoutARequest) {
  ASSERT_TRUE(feeder.OpenSheetFeeder());
  std::uint8_t reply[kFeederReportBytes] = {};
  EXPECT_EQ(feeder.FeederReceive(0, reply, kFeederReportBytes, 100), 0);
  feeder.FeederClose(0);
  EXPECT_EQ(feeder.FeederReceive(0, reply, kFeederReportBytes, 100), -1);
  machine.Feeder().Settings().present = false;
  EXPECT_FALSE(feeder.OpenSheetFeeder());
}

}  // namespace
}  // namespace orvex
