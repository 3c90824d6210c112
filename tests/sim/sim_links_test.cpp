// The system's own device links over the twin: discovery, the status, width and position
// exchanges as the status polling makes them, and the feeder's reports through the HID link.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "core/run_context.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/run_engine.h"
#include "sim/sim_machine.h"

namespace orvex::sim {
namespace {

class SimLinksTest : public ::testing::Test {
 protected:
  // One exchange of the polling: TAB into byte 0, the read, the query, a tick later the pump.
  void Exchange(std::string_view query) {
    ctx_.cutterStatus[0] = '\t';
    link_.ReadCutterStatus();
    link_.SendToCutter(query);
    machine_.Clock().Sleep(120);
    link_.PumpStatusRead();
  }
  const char* Status() const { return reinterpret_cast<const char*>(ctx_.cutterStatus.data()); }

  SimMachine machine_;
  RunContext ctx_;
  CutterLink link_{machine_.Cutter(), ctx_};
  FeederLink feeder_{machine_.Feeder()};
};

TEST_F(SimLinksTest, DiscoveryFindsTheTwinAndItsModel) {
  machine_.Cutter().Settings().otherDevices = {"\\\\?\\usb#vid_0B4D&pid_1130#capitals",
                                               "\\\\?\\usb#vid_046d&pid_c52b#mouse"};
  machine_.Cutter().Settings().product = "1143";
  ASSERT_EQ(link_.FindCutter(), 1);
  EXPECT_EQ(ctx_.cutterModel, 2);
  EXPECT_EQ(ctx_.cutterPath, machine_.Cutter().DevicePath());
  machine_.Cutter().Unplug();
  EXPECT_EQ(link_.FindCutter(), 0);
  EXPECT_EQ(ctx_.cutterModel, 2);  // kept
  EXPECT_NE(link_.SendToCutter("M0,0\x03"), kCutterOk);
  machine_.Cutter().Plug();
  machine_.Cutter().Settings().product = "1130";
  ASSERT_EQ(link_.FindCutter(), 1);
  EXPECT_EQ(ctx_.cutterModel, 1);
}

TEST_F(SimLinksTest, StatusWidthAndPositionAsThePollingReadsThem) {
  ASSERT_EQ(link_.FindCutter(), 1);
  Exchange("\x1b.C1:");
  EXPECT_EQ(ctx_.cutterStatus[4], '0');
  EXPECT_EQ(ctx_.cutterStatus[5], 0x03);

  machine_.Cutter().Settings().mediaWidthTenths = 3175;
  Exchange("U");
  EXPECT_EQ(ctx_.cutterStatus[1], '5');
  EXPECT_EQ(ctx_.cutterStatus[5], '0');
  EXPECT_EQ(ctx_.cutterStatus[6], '0');
  EXPECT_DOUBLE_EQ(std::atof(Status() + 9), 3175.0);

  link_.SendToCutter("M8463,1200\x03");
  Exchange("G");
  EXPECT_NE(ctx_.cutterStatus[0], '\t');
  EXPECT_NE(ctx_.cutterStatus[5], 0x03);
  for (int at : {6, 7}) {
    if (ctx_.cutterStatus[at] == ',') ctx_.cutterStatus[at] = 0;
  }
  EXPECT_DOUBLE_EQ(std::atof(Status()), 8463.0);
}

TEST_F(SimLinksTest, BusyWhileAStreamIsCutThenReady) {
  ASSERT_EQ(link_.FindCutter(), 1);
  link_.SendToCutter("TC1002,3,1,100\x03M0,0\x03");
  const CutterHandle stream = link_.OpenCutterStream();
  for (int i = 0; i < 10; ++i) link_.WriteCutterStream(stream, "E-100.0,0.0\n");  // 100 mm
  link_.CloseCutterStream(stream);
  Exchange("\x1b.C1:");
  EXPECT_EQ(ctx_.cutterStatus[4], kBusyState);
  machine_.Clock().Sleep(1000);
  Exchange("\x1b.C1:");
  EXPECT_EQ(ctx_.cutterStatus[4], kReadyState);

  machine_.Cutter().Faults().silent = true;
  Exchange("\x1b.C1:");
  EXPECT_EQ(ctx_.cutterStatus[0], '\t');  // nothing arrived
}

TEST_F(SimLinksTest, FeederReportsThroughTheHidLink) {
  machine_.Feeder().Settings().firmware = 31;
  machine_.Feeder().Settings().otherDevices = {{"/dev/hidraw0", 0x16C0, 0x0486, 0xFF00, 0x0001}};
  ASSERT_TRUE(feeder_.OpenSheetFeeder());
  const SheetRequest request = BuildSheetRequest(RunFields{}, RunContext{});
  EXPECT_EQ(feeder_.FeederSend(0, request.bytes, 64, 100), 64);
  std::array<std::uint8_t, 64> reply{};
  EXPECT_EQ(feeder_.FeederReceive(0, reply.data(), 64, 6000), 64);
  EXPECT_EQ(reply[22], 31);
  EXPECT_TRUE(machine_.Feeder().Refusals().empty());
  feeder_.FeederClose(0);
  EXPECT_EQ(feeder_.FeederReceive(0, reply.data(), 64, 100), -1);

  machine_.Feeder().Settings().present = false;
  EXPECT_FALSE(feeder_.OpenSheetFeeder());
}

}  // namespace
}  // namespace orvex::sim
