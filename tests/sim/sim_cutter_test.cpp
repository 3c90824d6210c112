// The simulated cutter alone: texts in, head, cuts, settings and replies out, byte for byte.
#include "sim/sim_cutter.h"

#include <gtest/gtest.h>

#include <array>
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

  // A status read as the link makes it: start the read, send the query, wait for the reply.
  std::string Ask(const std::string& spelledQuery) {
    std::array<std::uint8_t, 64> buffer{};
    buffer[0] = '\t';
    CutterHandle reader = kNoCutterHandle;
    EXPECT_EQ(cutter_.Open(cutter_.DevicePath(), CutterAccess::kRead, reader), kCutterOk);
    EXPECT_EQ(cutter_.StartRead(reader, buffer.data(), buffer.size()), kCutterOk);
    Send(spelledQuery);
    cutter_.WaitRead(100);
    const bool answered = !cutter_.ReadOutstanding();
    if (!answered) cutter_.Unplug(), cutter_.Plug();  // drop the read so the test can go on
    cutter_.Close(reader);
    return answered ? std::string(reinterpret_cast<const char*>(buffer.data())) : std::string();
  }

  SimClock clock_;
  SimBed bed_;
  SimCutter cutter_;
};

TEST_F(SimCutterTest, DevicePathCarriesTheIdsWhereTheMatchingRuleLooks) {
  cutter_.Settings().product = "1135";
  cutter_.Settings().otherDevices = {"\\\\?\\usb#vid_046d&pid_c52b#mouse"};
  std::vector<std::string> paths;
  ASSERT_TRUE(cutter_.Enumerate(paths));
  ASSERT_EQ(paths.size(), 2U);
  EXPECT_EQ(paths[1].substr(12, 4), "0b4d");
  EXPECT_EQ(paths[1].substr(21, 4), "1135");

  cutter_.Unplug();
  ASSERT_TRUE(cutter_.Enumerate(paths));
  EXPECT_EQ(paths.size(), 1U);
  CutterHandle handle = kNoCutterHandle;
  EXPECT_EQ(cutter_.Open(cutter_.DevicePath(), CutterAccess::kWrite, handle), kCutterFileNotFound);
  cutter_.Plug();
  EXPECT_EQ(cutter_.Open(cutter_.DevicePath() + "x", CutterAccess::kWrite, handle),
            kCutterFileNotFound);
  EXPECT_EQ(Send("M10,20<ETX>"), kCutterOk);
}

TEST_F(SimCutterTest, RelativeStepsCountLikeAbsolutePlacesWhateverEndsThem) {
  // ParkHead, then the move to the first mark: absolute, then relative steps.
  ASSERT_EQ(Send("TC3,7,1<ETX>M8500,1500<ETX>M8500,1200<ETX>"), kCutterOk);
  EXPECT_DOUBLE_EQ(cutter_.HeadFeedTenths(), 8500.0);
  EXPECT_DOUBLE_EQ(cutter_.HeadCrossTenths(), 1200.0);
  ASSERT_EQ(Send("O-600,1200<ETX>O485,0<ETX>"), kCutterOk);
  EXPECT_NEAR(cutter_.HeadFeedTenths(), 8385.0, 1e-9);
  EXPECT_NEAR(cutter_.HeadCrossTenths(), 2400.0, 1e-9);
  // "O100,0" moves the head the same +10 mm ended by ETX or by LF.
  ASSERT_EQ(Send("O100,0<ETX>"), kCutterOk);
  EXPECT_NEAR(cutter_.HeadFeedTenths(), 8485.0, 1e-9);
  ASSERT_EQ(Send("O100,0<LF>"), kCutterOk);
  EXPECT_NEAR(cutter_.HeadFeedTenths(), 8585.0, 1e-9);
  // Leading commas are part of the tool-change texts.
  ASSERT_EQ(Send(",E100,100<LF>E0,-115<LF>"), kCutterOk);
  EXPECT_NEAR(cutter_.HeadFeedTenths(), 8685.0, 1e-9);
  EXPECT_NEAR(cutter_.HeadCrossTenths(), 2385.0, 1e-9);
  EXPECT_FALSE(bed_.Cuts().empty());
  for (const CutterInstruction& i : cutter_.Instructions()) EXPECT_TRUE(i.understood) << i.text;
}

TEST_F(SimCutterTest, CutsAreRecordedAsPolylinesAndMovesSplitThem) {
  ASSERT_EQ(Send("M0,0<ETX>D0,1050<ETX>M0,3140<ETX>D40,3140<ETX>D40,3100<ETX>D0,3100<ETX>"
                 "D0,3140<ETX>M90,0<ETX>"),
            kCutterOk);
  ASSERT_EQ(bed_.Cuts().size(), 2U);
  EXPECT_EQ(bed_.Cuts()[0].points.size(), 2U);
  ASSERT_EQ(bed_.Cuts()[1].points.size(), 5U);  // the 4 mm square, closed
  EXPECT_DOUBLE_EQ(bed_.Cuts()[1].points.front().y, 314.0);
  EXPECT_DOUBLE_EQ(bed_.Cuts()[1].points.back().y, 314.0);
  EXPECT_DOUBLE_EQ(bed_.Cuts()[1].points[2].x, 4.0);
  EXPECT_EQ(bed_.Cuts()[1].sheet, -1);  // nothing on the bed
}

TEST_F(SimCutterTest, SeparatorsTerminatorsAndSettingsByName) {
  // The dashed-line set-up: an ESC ETX pair, a doubled ETX, and no final ETX.
  ASSERT_EQ(Send("TC1002,8,1,2<ETX>TC1002,6,1,0,8<ETX><ESC><ETX>TC1002,6,1,1,100<ETX><ETX>"
                 "TC1002,6,1,2,7200<ETX>TC1002,6,1,3,1<ETX>TC1002,3,1,250<ETX>TC1002,9,1,80,80"),
            kCutterOk);
  const auto& settings = cutter_.SettingsReceived();
  EXPECT_EQ(settings.at("TC1002,6,1,1"), "100");
  EXPECT_EQ(settings.at("TC1002,6,1,2"), "7200");
  EXPECT_EQ(settings.at("TC1002,9,1,80"), "80");
  EXPECT_DOUBLE_EQ(cutter_.CutSpeedMmPerS(), 250.0);
  EXPECT_EQ(cutter_.Instructions().size(), 7U);

  ASSERT_EQ(Send("TB99<LF>TB24 1500 900<LF>TB0<LF>TC36<ETX>"), kCutterOk);
  EXPECT_EQ(settings.at("TB24"), "1500 900");
  EXPECT_EQ(settings.count("TB99"), 1U);

  // Garbage is recorded as not understood and moves nothing.
  ASSERT_EQ(Send("Mx,1<ETX>O5<ETX>Q1,2<ETX>"), kCutterOk);
  int refused = 0;
  for (const CutterInstruction& i : cutter_.Instructions()) refused += i.understood ? 0 : 1;
  EXPECT_EQ(refused, 3);
  EXPECT_DOUBLE_EQ(cutter_.HeadFeedTenths(), 0.0);
}

TEST_F(SimCutterTest, RefusesTravelBeyondTheMachineAndSpeedsNoToolTakes) {
  Send("M100,200<ETX>");
  clock_.Advance(1000);
  for (const char* wild : {"M1e300,0<ETX>", "D0,-1e7<ETX>", "O1e9,0<ETX>", "E0,9e99<LF>",
                           "Minf,0<ETX>", "O1,nan<LF>"}) {
    Send(wild);
    EXPECT_FALSE(cutter_.Instructions().back().understood) << wild;
  }
  EXPECT_DOUBLE_EQ(cutter_.HeadFeedTenths(), 100.0);
  EXPECT_DOUBLE_EQ(cutter_.HeadCrossTenths(), 200.0);
  EXPECT_FALSE(cutter_.Busy());

  Send("TC1002,3,1,40<ETX>TC1002,3,1,0<ETX>TC1002,3,1,1e12<ETX>");
  EXPECT_DOUBLE_EQ(cutter_.CutSpeedMmPerS(), 40.0);
  Send("TC1002,1,3<ETX>TC3,7,3<ETX>");
  EXPECT_EQ(cutter_.ToolCondition(), 3);
  Send("TC1002,1,1<ETX>");
  EXPECT_EQ(cutter_.ToolCondition(), 1);
}

TEST_F(SimCutterTest, RepliesHaveTheBytesTheStatusPollingReads) {
  const std::string status = Ask("<ESC>.C1:");
  ASSERT_EQ(status.size(), 6U);
  EXPECT_EQ(status[4], '0');
  EXPECT_EQ(status[5], '\x03');

  cutter_.Settings().mediaWidthTenths = 3200;
  const std::string width = Ask("U");
  EXPECT_EQ(width[1], '5');
  EXPECT_EQ(width[5], '0');
  EXPECT_EQ(width[6], '0');
  EXPECT_EQ(std::atof(width.c_str() + 9), 3200.0);

  Send("M8463,1200<ETX>");
  std::string position = Ask("G");
  EXPECT_NE(position[5], '\x03');
  EXPECT_EQ(position[6], ',');
  EXPECT_EQ(std::atof(position.c_str()), 8463.0);
  Send("M-25,0<ETX>");
  position = Ask("G");
  EXPECT_EQ(position[6], ',');
  EXPECT_EQ(std::atof(position.c_str()), -25.0);

  cutter_.Settings().mediaLoaded = false;
  EXPECT_EQ(Ask("<ESC>.C1:")[4], kNoMediaState);
}

TEST_F(SimCutterTest, BusyForAsLongAsTheMotionTakesAtTheSetSpeed) {
  Send("TC1002,3,1,100<ETX>");  // 100 mm/s
  Send("M0,0<ETX>");
  Send("D0,500<LF>");  // 50 mm cut: 500 ms
  EXPECT_EQ(cutter_.State(), kBusyState);
  clock_.Advance(499);
  EXPECT_EQ(Ask("<ESC>.C1:")[4], kBusyState);  // the read itself takes a few ms
  clock_.Advance(10);
  EXPECT_EQ(Ask("<ESC>.C1:")[4], kReadyState);

  cutter_.Faults().neverReady = true;
  clock_.Advance(10'000);
  EXPECT_EQ(Ask("<ESC>.C1:")[4], kBusyState);
}

TEST_F(SimCutterTest, SilentCutterLeavesTheReadOutstandingAfterTheWait) {
  cutter_.Faults().silent = true;
  std::array<std::uint8_t, 64> buffer{};
  buffer[0] = '\t';
  CutterHandle reader = kNoCutterHandle;
  ASSERT_EQ(cutter_.Open(cutter_.DevicePath(), CutterAccess::kRead, reader), kCutterOk);
  ASSERT_EQ(cutter_.StartRead(reader, buffer.data(), buffer.size()), kCutterOk);
  EXPECT_EQ(cutter_.StartRead(reader, buffer.data(), buffer.size()), kCutterIoError);
  Send("<ESC>.C1:");
  const std::int64_t before = clock_.NowMs();
  cutter_.WaitRead(100);
  EXPECT_EQ(clock_.NowMs() - before, 100);
  EXPECT_TRUE(cutter_.ReadOutstanding());
  EXPECT_EQ(buffer[0], '\t');
  // Reading on a write handle, or writing on a read handle, is refused.
  EXPECT_EQ(cutter_.Write(reader, "U", 1), kCutterInvalidHandle);
}

TEST_F(SimCutterTest, UnpluggedAtAByteOfTheStream) {
  Send("M0,0<ETX>");
  CutterHandle stream = kNoCutterHandle;
  ASSERT_EQ(cutter_.Open(cutter_.DevicePath(), CutterAccess::kWrite, stream), kCutterOk);
  cutter_.UnplugAfterBytes(20);
  const std::string line = "E-100.0,50.0\n";  // 13 bytes
  EXPECT_EQ(cutter_.Write(stream, line.data(), line.size()), kCutterOk);
  // The second line is cut off after 7 bytes: never carried out.
  EXPECT_EQ(cutter_.Write(stream, line.data(), line.size()), kCutterIoError);
  EXPECT_FALSE(cutter_.Plugged());
  EXPECT_EQ(cutter_.Write(stream, line.data(), line.size()), kCutterInvalidHandle);
  EXPECT_NEAR(cutter_.HeadFeedTenths(), -100.0, 1e-9);
  EXPECT_EQ(cutter_.Received().size(), 5U + 20U);
  ASSERT_FALSE(cutter_.Instructions().empty());
  EXPECT_FALSE(cutter_.Instructions().back().understood);

  cutter_.Plug();
  EXPECT_EQ(Send("M0,0<ETX>"), kCutterOk);
}

TEST_F(SimCutterTest, UnpluggedAtATimeEndsAnOutstandingRead) {
  std::array<std::uint8_t, 64> buffer{};
  CutterHandle reader = kNoCutterHandle;
  ASSERT_EQ(cutter_.Open(cutter_.DevicePath(), CutterAccess::kRead, reader), kCutterOk);
  ASSERT_EQ(cutter_.StartRead(reader, buffer.data(), buffer.size()), kCutterOk);
  cutter_.UnplugAt(50);
  cutter_.WaitRead(100);
  EXPECT_FALSE(cutter_.Plugged());
  EXPECT_FALSE(cutter_.ReadOutstanding());
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(SimCutterTest, FeedStopLaysTheDeliveredSheetAndEjectRemovesIt) {
  PrintedJob job;
  job.marks = {PrintedMark{{10, 2}}, PrintedMark{{200, 2}}};
  bed_.supply.job = std::make_shared<const PrintedJob>(job);
  bed_.NoteSheetRequested();
  Send("<ESC>.C21;258:");
  bed_.DeliverSheet();
  EXPECT_EQ(bed_.SheetOnBed(), nullptr);
  Send("<ESC>.C21;4:");
  Send("<ESC>.C21;0:");
  ASSERT_NE(bed_.SheetOnBed(), nullptr);
  EXPECT_EQ(bed_.SheetOnBed()->Number(), 1);
  EXPECT_EQ(cutter_.FeedCommands(), (std::vector<int>{258, 4, 0}));
  Send("M9900,0<ETX>TC36<ETX>");
  EXPECT_EQ(bed_.SheetOnBed(), nullptr);

  // A stop without a feed since the request lays nothing.
  bed_.NoteSheetRequested();
  bed_.DeliverSheet();
  Send("<ESC>.C21;0:");
  EXPECT_EQ(bed_.SheetOnBed(), nullptr);
}

}  // namespace
}  // namespace orvex::sim
