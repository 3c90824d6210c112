// The simulated cutter alone, for what a whole run leaves open: one meaning per text whatever
// ends it, the texts no machine would carry out, how long it is busy, a silent cutter's read and
// laying a sheet only after a feed. Its unplugging mid-stream is held by the run transcripts.
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
  // A read started as the link starts it, before the query goes out.
  CutterHandle StartRead() {
    CutterHandle reader = kNoCutterHandle;
    EXPECT_EQ(cutter_.Open(cutter_.DevicePath(), CutterAccess::kRead, reader), kCutterOk);
    EXPECT_EQ(cutter_.StartRead(reader, buffer_.data(), buffer_.size()), kCutterOk);
    return reader;
  }
  char State() {
    StartRead();
    Send("<ESC>.C1:");
    cutter_.WaitRead(100);
    return static_cast<char>(buffer_[4]);
  }
  double Feed() const { return cutter_.HeadFeedTenths(); }
  double Cross() const { return cutter_.HeadCrossTenths(); }

  SimClock clock_;
  SimBed bed_;
  SimCutter cutter_;
  std::array<std::uint8_t, 64> buffer_{};
};

// "O100,0" moves the head the same +10 mm ended by ETX or by LF; tool-change texts lead with a
// comma, and an ESC ETX pair or a doubled ETX only separates.
TEST_F(SimCutterTest, RelativeStepsCountLikeAbsolutePlacesWhateverEndsThem) {
  ASSERT_EQ(Send("M8385,2400<ETX>O100,0<ETX>O100,0<LF>,E100,100<LF>E0,-115<ESC><ETX>"
                 "TC1002,6,1,2,7200<ETX><ETX>TB24 1500 900"),
            kCutterOk);
  EXPECT_DOUBLE_EQ(Feed(), 8685.0);
  EXPECT_DOUBLE_EQ(Cross(), 2385.0);
  EXPECT_EQ(cutter_.SettingsReceived().at("TC1002,6,1,2"), "7200");
  EXPECT_EQ(cutter_.SettingsReceived().at("TB24"), "1500 900");  // no final ETX
  for (const CutterInstruction& i : cutter_.Instructions()) EXPECT_TRUE(i.understood) << i.text;
  EXPECT_EQ(cutter_.Instructions().size(), 7U);
}

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

TEST_F(SimCutterTest, BusyForAsLongAsTheMotionTakesAtTheSetSpeed) {
  Send("TC1002,3,1,100<ETX>M0,0<ETX>D0,500<LF>");  // a 50 mm cut at 100 mm/s: 500 ms
  EXPECT_EQ(cutter_.State(), kBusyState);
  clock_.Advance(499);
  EXPECT_EQ(State(), kBusyState);  // the read itself takes a few ms
  clock_.Advance(10);
  EXPECT_EQ(State(), kReadyState);
  cutter_.Faults().neverReady = true;
  clock_.Advance(10'000);
  EXPECT_EQ(State(), kBusyState);
  cutter_.Settings().mediaLoaded = false;
  EXPECT_EQ(State(), kNoMediaState);
}

TEST_F(SimCutterTest, SilentItLeavesTheReadOutstandingUnpluggedItEndsIt) {
  cutter_.Faults().silent = true;
  const CutterHandle reader = StartRead();
  EXPECT_EQ(cutter_.StartRead(reader, buffer_.data(), buffer_.size()), kCutterIoError);
  EXPECT_EQ(cutter_.Write(reader, "U", 1), kCutterInvalidHandle);  // a read handle
  Send("<ESC>.C1:");
  cutter_.WaitRead(100);
  EXPECT_EQ(clock_.NowMs(), 100);
  EXPECT_TRUE(cutter_.ReadOutstanding());
  cutter_.UnplugAt(150);
  cutter_.WaitRead(100);
  EXPECT_FALSE(cutter_.Plugged());
  EXPECT_FALSE(cutter_.ReadOutstanding());
  EXPECT_EQ(buffer_[0], 0);
}

// The sheet the feeder delivered lies on the bed once the feed that draws it in stops; a stop
// with no feed since the request draws nothing in.
TEST_F(SimCutterTest, AFeedStopLaysTheDeliveredSheetOnlyAfterAFeed) {
  bed_.supply.job = std::make_shared<const PrintedJob>();
  bed_.NoteSheetRequested();
  bed_.DeliverSheet();
  Send("<ESC>.C21;0:");
  EXPECT_EQ(bed_.SheetOnBed(), nullptr);
  Send("<ESC>.C21;258:<ESC>.C21;0:");
  ASSERT_NE(bed_.SheetOnBed(), nullptr);
  EXPECT_EQ(cutter_.FeedCommands(), (std::vector<int>{0, 258, 0}));
  Send("TC36<ETX>");
  EXPECT_EQ(bed_.SheetOnBed(), nullptr);  // ejected
}

}  // namespace
}  // namespace orvex::sim
