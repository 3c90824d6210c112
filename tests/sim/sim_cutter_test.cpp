// The simulated cutter alone, for the texts no machine would carry out: the station never sends
// them, so no run shows them. How the twin reads the station's texts, how long it is busy, a
// silent or unplugged cutter and the feed that lays a sheet are in every run transcript.
#include "sim/sim_cutter.h"

#include <gtest/gtest.h>

#include <string>

#include "support/wire_text.h"

namespace orvex::sim {
namespace {

using orvex::test::Wire;

class SimCutterTest : public ::testing::Test {
 protected:
  SimCutterTest() : cutter_(clock_, bed_) {}

  // One open, one write, one close, as a command is sent.
  int Send(const std::string& spelled) {
    CutterHandle handle = kNoCutterHandle;
    const int opened = cutter_.Open(cutter_.DevicePath(), CutterAccess::kWrite, handle);
    if (opened != kCutterOk) return opened;
    const std::string bytes = Wire(spelled);
    const int written = cutter_.Write(handle, bytes.data(), bytes.size());
    cutter_.Close(handle);
    return written;
  }
  double Feed() const { return cutter_.HeadFeedTenths(); }
  double Cross() const { return cutter_.HeadCrossTenths(); }

  SimClock clock_;
  SimBed bed_;
  SimCutter cutter_;
};

TEST_F(SimCutterTest, TextsNoMachineWouldCarryOutAreRefusedAndChangeNothing) {
  Send("M100,200<ETX>TC1002,3,1,40<ETX>");
  clock_.Advance(1000);
  for (const char* wild : {"Mx,1<ETX>", "O5<ETX>", "Q1,2<ETX>", "M1e300,0<ETX>", "D0,-1e7<ETX>",
                           "O1e9,0<ETX>", "E0,9e99<LF>", "Minf,0<ETX>", "O1,nan<LF>"}) {
    Send(wild);
    EXPECT_FALSE(cutter_.Instructions().back().understood) << wild;
  }
  EXPECT_DOUBLE_EQ(Feed(), 100.0);
  EXPECT_DOUBLE_EQ(Cross(), 200.0);
  EXPECT_FALSE(cutter_.Busy());
  Send("TC1002,3,1,0<ETX>TC1002,3,1,1e12<ETX>");
  EXPECT_DOUBLE_EQ(cutter_.CutSpeedMmPerS(), 40.0);
}

}  // namespace
}  // namespace orvex::sim
