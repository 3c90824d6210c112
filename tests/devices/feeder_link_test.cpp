// Feeder link: device selection, report-id framing, the transfer limit and every return value.
#include "devices/feeder_link.h"

#include <gtest/gtest.h>

#include <numeric>

#include "support/memory_feeder_transport.h"

namespace orvex {
namespace {

using test::MemoryFeederTransport;

std::vector<std::uint8_t> Report(std::size_t bytes) {
  std::vector<std::uint8_t> report(bytes);
  std::iota(report.begin(), report.end(), std::uint8_t{0});  // report id 0, then 1, 2, ...
  return report;
}

class FeederLinkTest : public ::testing::Test {
 protected:
  FeederLinkTest() {
    transport.devices = {{"/dev/hidraw0", 0x16C0, 0x0486, 0xFF00, 0x0001},
                         {"/dev/hidraw1", 0x046D, 0x0486, 0xFFAB, 0x0200},
                         MemoryFeederTransport::Feeder("/dev/hidraw2"),
                         MemoryFeederTransport::Feeder("/dev/hidraw3")};
  }
  MemoryFeederTransport transport;
  FeederLink link{transport};
  std::uint8_t buffer[600] = {};
};

TEST_F(FeederLinkTest, OpensOnlyDevicesOfTheWantedIdentity) {
  EXPECT_TRUE(link.OpenSheetFeeder());
  EXPECT_EQ(transport.openedPaths, std::vector<std::string>{"/dev/hidraw2"});
  // Filters of 0 or less match everything; a device that cannot be opened is skipped.
  transport.openFails = {"/dev/hidraw0"};
  EXPECT_EQ(link.FeederOpen(3, 0, -1, 0, 0), 3);
  EXPECT_EQ(transport.OpenHandles().size(), 3U);  // the first open's device was closed
  EXPECT_EQ(link.FeederOpen(5, kFeederVendorId, kFeederProductId, kFeederUsagePage, kFeederUsage),
            2);
  // Wanting none still closes what was open.
  EXPECT_EQ(link.FeederOpen(0, 0, 0, 0, 0), 0);
  EXPECT_TRUE(transport.OpenHandles().empty());
  transport.enumerateFails = true;
  EXPECT_EQ(link.FeederOpen(1, 0, 0, 0, 0), 0);
  EXPECT_EQ(transport.misuse, 0);
}

// What is read is counted as payload, without the report id (the framing itself is seen over
// the HID adapter in its own tests). A time-out is 0 and leaves the link usable; a failure or an
// empty report is -1.
TEST_F(FeederLinkTest, ReturnValues) {
  ASSERT_TRUE(link.OpenSheetFeeder());
  EXPECT_EQ(link.FeederReceive(0, buffer, 64, 6000), 0);  // nothing scripted: timed out
  EXPECT_EQ(transport.cancellations, 1);
  transport.answers = {{TransferStatus::kDone, Report(65)},
                       {TransferStatus::kDone, Report(1)},
                       {TransferStatus::kDone, {}},
                       {TransferStatus::kFailed, {}}};
  for (int payload : {64, 0, -1, -1}) EXPECT_EQ(link.FeederReceive(0, buffer, 64, 6000), payload);
  EXPECT_EQ(buffer[21], 22);  // the firmware byte keeps its place
  transport.writeStatus = TransferStatus::kTimedOut;
  EXPECT_EQ(link.FeederSend(0, buffer, 64, 100), 0);
  transport.writeStatus = TransferStatus::kFailed;
  EXPECT_EQ(link.FeederSend(0, buffer, 64, 100), -1);
}

// One transfer holds 515 bytes of payload; other lengths, and a closed position, fail without
// touching the device.
TEST_F(FeederLinkTest, LengthsOutsideOneTransferAndClosedPositionsAreRefused) {
  ASSERT_TRUE(link.OpenSheetFeeder());
  for (int length : {516, -1}) {
    EXPECT_EQ(link.FeederSend(0, buffer, length, 100), -1) << length;
    EXPECT_EQ(link.FeederReceive(0, buffer, length, 100), -1) << length;
  }
  EXPECT_TRUE(transport.writes.empty());
  EXPECT_EQ(link.FeederSend(0, buffer, 515, 100), 515);
  EXPECT_EQ(transport.writes.back().bytes.size(), 516U);
  transport.answers.push_back({TransferStatus::kDone, Report(516)});
  EXPECT_EQ(link.FeederReceive(0, buffer, 515, 100), 515);
  link.FeederClose(0);
  link.FeederClose(0);  // closing twice closes once
  for (int position : {0, 1, -1}) EXPECT_EQ(link.FeederReceive(position, buffer, 64, 100), -1);
  EXPECT_EQ(transport.reads.size(), 1U);
  EXPECT_EQ(transport.misuse, 0);
}

}  // namespace
}  // namespace orvex
