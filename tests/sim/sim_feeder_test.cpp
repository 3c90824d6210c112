// The simulated feeder alone: the request checks that hold the station's sheet request to its
// layout (a whole run only sees a sheet come or not). The reply's delay and firmware byte are in
// every run transcript.
#include "sim/sim_feeder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "run/run_engine.h"

namespace orvex::sim {
namespace {

using Report = std::array<std::uint8_t, 65>;

// The sheet request as the sheet cycle builds it, report id 0 in front.
Report SheetRequest(bool dashed = false, bool creasing = false) {
  RunFields fields;
  fields.commands.dashedLineOn = dashed;
  RunContext ctx;
  ctx.creasingInstalled = creasing ? 1 : 0;
  const orvex::SheetRequest built = BuildSheetRequest(fields, ctx);
  Report report{};
  std::memcpy(report.data() + 1, built.bytes, sizeof built.bytes);
  return report;
}

class SimFeederTest : public ::testing::Test {
 protected:
  SimFeederTest() : feeder_(clock_, bed_) {
    bed_.supply.job = std::make_shared<const PrintedJob>();
    std::vector<HidDeviceInfo> devices;
    feeder_.Enumerate(devices);
    EXPECT_EQ(feeder_.Open(devices.at(0).path, handle_), 0);
  }
  TransferStatus Write(const Report& report, std::size_t length = 65) {
    return feeder_.Write(handle_, report.data(), length, 100).status;
  }
  TransferStatus Read(int timeoutMs) {
    return feeder_.Read(handle_, reply_.data(), reply_.size(), timeoutMs).status;
  }

  SimClock clock_;
  SimBed bed_;
  SimFeeder feeder_;
  FeederHandle handle_ = kNoFeederHandle;
  Report reply_{};
};

// Each case spoils one payload byte of a good request; the limits themselves are good.
TEST_F(SimFeederTest, RefusesARequestOffItsLayoutAndDoesNotAnswer) {
  struct Case {
    std::size_t at;
    std::uint8_t value;
    bool good;
  };
  const Case cases[] = {{0, 'G', false},  {4, 'X', false},  {4, 'P', false}, {6, 'Z', false},
                        {9, 'h', false},  {11, '0', false}, {15, 1, false},  {17, 'x', false},
                        {30, '9', false}, {60, 108, false}, {61, 99, false}, {62, 201, false},
                        {63, 236, false}, {62, 200, true},  {63, 235, true}};
  for (const Case& c : cases) {
    Report request = SheetRequest();
    request[1 + c.at] = c.value;
    const int accepted = feeder_.RequestsAccepted();
    Write(request);
    EXPECT_EQ(feeder_.RequestsAccepted() - accepted, c.good ? 1 : 0) << "byte " << c.at;
  }
  Write(SheetRequest(), 41);
  EXPECT_EQ(feeder_.Refusals().size(), 14U);
  // The dashed-line requests, with the creasing tool or without, are requests too.
  Write(SheetRequest(true, false));
  Write(SheetRequest(true, true));
  EXPECT_EQ(feeder_.Refusals().size(), 14U);
}

// A whole run holds the station to the cutting notice; the twin must know the near miss.
TEST_F(SimFeederTest, ACuttingNoticeOffByItsLastDigitIsRefused) {
  Report notice{};
  std::memcpy(notice.data() + 1, SimFeeder::CuttingNotice().data(), 64);
  EXPECT_EQ(Write(notice), TransferStatus::kDone);
  notice[64] = '5';  // the 65-character text's last digit instead of its 64th
  Write(notice);
  EXPECT_EQ(feeder_.CuttingNotices(), 1);
  EXPECT_EQ(feeder_.Refusals().size(), 1U);
  notice[0] = 1;  // a report without its id byte 0 fails on the wire
  EXPECT_EQ(Write(notice), TransferStatus::kFailed);
}

}  // namespace
}  // namespace orvex::sim
