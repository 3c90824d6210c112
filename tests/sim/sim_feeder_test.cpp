// The simulated feeder alone: request checks, the reply and its delay, refusals, faults.
#include "sim/sim_feeder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "run/run_engine.h"

namespace orvex::sim {
namespace {

// A good sheet request as the sheet cycle builds it, report id in front.
std::array<std::uint8_t, 65> SheetRequest(bool dashed = false, bool creasing = false) {
  RunFields fields;
  fields.commands.dashedLineOn = dashed;
  RunContext ctx;
  ctx.creasingInstalled = creasing ? 1 : 0;
  const orvex::SheetRequest built = BuildSheetRequest(fields, ctx);
  std::array<std::uint8_t, 65> report{};
  std::memcpy(report.data() + 1, built.bytes, sizeof built.bytes);
  return report;
}

class SimFeederTest : public ::testing::Test {
 protected:
  SimFeederTest() : feeder_(clock_, bed_) {
    PrintedJob job;
    job.marks = {PrintedMark{{10, 2}}, PrintedMark{{200, 2}}};
    bed_.supply.job = std::make_shared<const PrintedJob>(job);
  }

  FeederHandle OpenFeeder() {
    std::vector<HidDeviceInfo> devices;
    EXPECT_TRUE(feeder_.Enumerate(devices));
    for (const HidDeviceInfo& d : devices) {
      if (d.vendorId == 0x16C0 && d.productId == 0x0486 && d.usagePage == 0xFFAB &&
          d.usage == 0x0200) {
        FeederHandle handle = kNoFeederHandle;
        if (feeder_.Open(d.path, handle) == 0) return handle;
      }
    }
    return kNoFeederHandle;
  }

  SimClock clock_;
  SimBed bed_;
  SimFeeder feeder_;
};

TEST_F(SimFeederTest, AnswersAGoodRequestAfterItsDelayWithTheFirmwareAtByte22) {
  feeder_.Settings().replyDelayMs = 1500;
  feeder_.Settings().firmware = 0x97;
  const FeederHandle handle = OpenFeeder();
  ASSERT_NE(handle, kNoFeederHandle);
  const auto request = SheetRequest();
  const TransferResult sent = feeder_.Write(handle, request.data(), request.size(), 100);
  EXPECT_EQ(sent.status, TransferStatus::kDone);
  EXPECT_EQ(sent.bytes, 65U);
  EXPECT_EQ(feeder_.RequestsAccepted(), 1);

  std::array<std::uint8_t, 65> reply{};
  // Too short a wait: nothing, and the wait takes its whole time.
  TransferResult got = feeder_.Read(handle, reply.data(), reply.size(), 1000);
  EXPECT_EQ(got.status, TransferStatus::kTimedOut);
  EXPECT_EQ(clock_.NowMs(), 1000);
  got = feeder_.Read(handle, reply.data(), reply.size(), 6000);
  ASSERT_EQ(got.status, TransferStatus::kDone);
  EXPECT_EQ(got.bytes, 65U);
  EXPECT_EQ(clock_.NowMs(), 1500);  // the reply ends the wait when it arrives
  EXPECT_EQ(reply[0], 0);
  EXPECT_EQ(static_cast<signed char>(reply[1 + 22]), static_cast<signed char>(0x97));
  EXPECT_TRUE(bed_.SheetWaiting());

  // The dashed-line variants are requests too.
  for (auto variant : {SheetRequest(true, false), SheetRequest(true, true)}) {
    feeder_.Write(handle, variant.data(), variant.size(), 100);
  }
  EXPECT_EQ(feeder_.RequestsAccepted(), 3);
  EXPECT_TRUE(feeder_.Refusals().empty());
}

TEST_F(SimFeederTest, RefusesMalformedRequestsWithAReasonAndDoesNotAnswer) {
  const FeederHandle handle = OpenFeeder();
  struct Case {
    std::size_t at;
    std::uint8_t value;
  };
  // Byte positions are payload offsets.
  const Case cases[] = {{0, 'G'},  {4, 'X'},  {6, 'Z'},  {9, 'h'}, {11, '0'}, {15, 1},
                        {17, 'x'}, {30, '9'}, {60, 108}, {61, 99}, {62, 201}, {63, 236}};
  for (const Case& c : cases) {
    auto request = SheetRequest();
    request[1 + c.at] = c.value;
    feeder_.Write(handle, request.data(), request.size(), 100);
  }
  auto creasingWithoutDash = SheetRequest();
  creasingWithoutDash[1 + 4] = 'P';
  feeder_.Write(handle, creasingWithoutDash.data(), creasingWithoutDash.size(), 100);
  auto shortRequest = SheetRequest();
  feeder_.Write(handle, shortRequest.data(), 40, 100);

  EXPECT_EQ(feeder_.Refusals().size(), std::size(cases) + 2);
  EXPECT_EQ(feeder_.RequestsAccepted(), 0);
  std::array<std::uint8_t, 65> reply{};
  EXPECT_EQ(feeder_.Read(handle, reply.data(), reply.size(), 6000).status,
            TransferStatus::kTimedOut);
  // Limits themselves are good: uplift +100 and insertion +155.
  auto limits = SheetRequest();
  limits[1 + 62] = 200;
  limits[1 + 63] = 235;
  feeder_.Write(handle, limits.data(), limits.size(), 100);
  EXPECT_EQ(feeder_.RequestsAccepted(), 1);
}

TEST_F(SimFeederTest, RecordsTheCuttingNoticeAndRefusesAWrongOne) {
  const FeederHandle handle = OpenFeeder();
  std::array<std::uint8_t, 65> notice{};
  std::memcpy(notice.data() + 1, SimFeeder::CuttingNotice().data(), 64);
  EXPECT_EQ(feeder_.Write(handle, notice.data(), notice.size(), 100).status, TransferStatus::kDone);
  EXPECT_EQ(feeder_.CuttingNotices(), 1);
  notice[64] = '5';  // the 65-character text's last digit instead of its 64th
  feeder_.Write(handle, notice.data(), notice.size(), 100);
  EXPECT_EQ(feeder_.CuttingNotices(), 1);
  EXPECT_EQ(feeder_.Refusals().size(), 1U);
  // A report without its id byte 0 fails on the wire.
  notice[0] = 1;
  EXPECT_EQ(feeder_.Write(handle, notice.data(), notice.size(), 100).status,
            TransferStatus::kFailed);
}

TEST_F(SimFeederTest, AbsentSilentAndOutOfSheets) {
  feeder_.Settings().present = false;
  std::vector<HidDeviceInfo> devices;
  feeder_.Enumerate(devices);
  EXPECT_TRUE(devices.empty());
  EXPECT_EQ(OpenFeeder(), kNoFeederHandle);

  feeder_.Settings().present = true;
  feeder_.Settings().sheets = 1;
  FeederHandle handle = OpenFeeder();
  const auto request = SheetRequest();
  std::array<std::uint8_t, 65> reply{};
  feeder_.Write(handle, request.data(), request.size(), 100);
  EXPECT_EQ(feeder_.Read(handle, reply.data(), reply.size(), 6000).status, TransferStatus::kDone);
  feeder_.Write(handle, request.data(), request.size(), 100);
  EXPECT_EQ(feeder_.Read(handle, reply.data(), reply.size(), 6000).status,
            TransferStatus::kTimedOut);
  EXPECT_EQ(feeder_.SheetsDelivered(), 1);

  feeder_.Settings().sheets = -1;
  feeder_.Settings().silent = true;
  feeder_.Write(handle, request.data(), request.size(), 100);
  EXPECT_EQ(feeder_.Read(handle, reply.data(), reply.size(), 6000).status,
            TransferStatus::kTimedOut);
  EXPECT_EQ(feeder_.RequestsAccepted(), 3);

  // A closed handle fails until the next open.
  feeder_.Close(handle);
  EXPECT_EQ(feeder_.Write(handle, request.data(), request.size(), 100).status,
            TransferStatus::kFailed);
  EXPECT_EQ(feeder_.Read(handle, reply.data(), reply.size(), 100).status, TransferStatus::kFailed);
}

}  // namespace
}  // namespace orvex::sim
