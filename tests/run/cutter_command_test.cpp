// Cutter command set: the bytes of every command and variant, one open per command, refusals
// of texts that do not fit, and the fixed sequences with their waits.
#include "run/cutter_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/wire_text.h"

namespace orvex {
namespace {

using test::Readable;
using test::Wire;

class CutterCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
    ctx.cutterModel = 1;
    ctx.defaultSpeed = 50;
    ctx.cameraOffsetX = 80;
    ctx.jobWidth = 300.0F;
    ctx.mediaWidth = 320;
  }

  // The writes of one command, readable; checks it took exactly one open and one close.
  std::vector<std::string> Sent(int number) {
    const std::size_t opens = transport.opens.size();
    const std::size_t writes = transport.writes.size();
    EXPECT_EQ(CutterCommand(number, ctx, in, link), 0) << "command " << number;
    EXPECT_EQ(transport.opens.size(), opens + 1) << "command " << number;
    EXPECT_TRUE(transport.OpenHandles().empty()) << "command " << number;
    std::vector<std::string> texts;
    for (std::size_t i = writes; i < transport.writes.size(); ++i) {
      EXPECT_EQ(transport.writes[i].handle, transport.opens.back().handle);
      texts.push_back(Readable(transport.writes[i].bytes));
    }
    return texts;
  }
  std::string One(int number) {
    const auto texts = Sent(number);
    EXPECT_EQ(texts.size(), 1U) << "command " << number;
    return texts.empty() ? std::string() : texts.front();
  }

  RunContext ctx;
  CutterCommandInputs in;
  test::MemoryCutterTransport transport;
  CutterLink link{transport, ctx};
  test::ManualClock clock;
};

TEST_F(CutterCommandTest, FixedTexts) {
  const std::pair<int, const char*> table[] = {
      {1, "U"},
      {2, "G"},
      {4, "TC1006,4,10000000<ETX>"},
      {5, "TC1002,3,1,500<ETX>"},
      {6, "TC1002,5,1,2<ETX>"},
      {7, "TC1002,16,1,Label Media<ETX>"},
      {8, "TC1008,2,2000<ETX>"},
      {9, "TC1004,11,0<ETX>"},
      {10, "TC24,0<ETX>"},
      {11, "TC1007,1,0<ETX>"},
      {21, "TC1002,8,1,0<ETX>TC1002,6,1,0,9<ETX>TC1002,3,1,500<ETX>TC29,5,1<ETX>"},
      {25, "TC1010,4,1<ETX>"},
      {31, "TC1002,3,1,100<ETX>"},
      {50, "TC29,5,1<ETX>"},
      {99, "<ESC>.C1:"},
      {100, "<ESC>.C21;0:"},
      {101, "<ESC>.C21;1:"},
      {110, "O0,300<ETX>TC1010,8,1<ETX>"},
      {118, "M0,0<ETX>"},
      {120, "TC1010,8,0<ETX>"},
  };
  for (const auto& [number, text] : table) EXPECT_EQ(One(number), text) << "command " << number;
}

TEST_F(CutterCommandTest, UnknownNumbersSendNothing) {
  for (int number : {0, 3, 12, 22, 117, 152, -1, 100000}) {
    EXPECT_EQ(CutterCommand(number, ctx, in, link), 0);
  }
  EXPECT_TRUE(transport.opens.empty());
}

TEST_F(CutterCommandTest, DashedSetupAndSpeeds) {
  const char* kDashed =
      "TC1002,8,1,2<ETX>TC1002,6,1,0,8<ETX><ESC><ETX>TC1002,6,1,1,100<ETX><ETX>"
      "TC1002,6,1,2,7200<ETX>TC1002,6,1,3,1<ETX>TC1002,3,1,100<ETX>TC1002,9,1,80,80";
  EXPECT_EQ(One(20), kDashed);
  in.bladeUp = true;
  in.dashedSpeed = 0;
  EXPECT_EQ(One(20),
            "TC1002,8,1,2<ETX>TC1002,6,1,0,8<ETX><ESC><ETX>TC1002,6,1,1,100<ETX><ETX>"
            "TC1002,6,1,2,7200<ETX>TC1002,6,1,3,0<ETX>TC1002,3,1,80<ETX>TC1002,9,1,80,80");
  EXPECT_EQ(One(31), "TC1002,3,1,100<ETX>");
  in.dashedSpeed = 25;
  EXPECT_EQ(One(31), "TC1002,3,1,250<ETX>");

  // The longest texts within the window's ranges still fit the cutter's buffer.
  in.dashedUpLength = 100;
  in.dashedCutLength = 1000;
  in.dashedSpeed = 60;
  EXPECT_LE(Wire(One(20)).size(), 124U);
}

TEST_F(CutterCommandTest, SpecialColorSetupByMode) {
  ctx.specialMode = 3;
  const char* kCreasing =
      "TC1002,8,3,0<ETX>TC1002,6,3,0,9<ETX><ESC><ETX>TC1002,3,3,120<ETX>TC29,5,3<ETX>"
      "TC1002,9,3,80,80<ETX>";
  EXPECT_EQ(One(23), kCreasing);
  ctx.specialMode = 4;
  EXPECT_EQ(One(23), kCreasing);
  ctx.specialMode = 0;
  EXPECT_EQ(One(23),
            "TC1002,8,3,1<ETX>TC1002,6,3,0,8<ETX><ESC><ETX>TC1002,6,3,1,400<ETX><ETX>"
            "TC1002,6,3,2,600<ETX>TC1002,6,3,3,1<ETX>TC1002,3,3,120<ETX>TC29,5,3<ETX>"
            "TC1002,9,3,80,80<ETX>");
  ctx.specialMode = 1;
  in.specialSpeed = 0;
  EXPECT_EQ(One(23), "TC1002,8,3,0<ETX>TC1002,6,3,0,9<ETX>TC1002,3,3,30<ETX>TC29,5,3<ETX>");
  ctx.specialMode = 2;
  in.specialSpeed = 70;  // the cap belongs to mode 0 only
  EXPECT_EQ(One(23), "TC1002,8,3,0<ETX>TC1002,6,3,0,9<ETX>TC1002,3,3,700<ETX>TC29,5,3<ETX>");

  ctx.specialMode = 0;
  in.specialUpLength = 100;
  in.specialCutLength = 1000;
  const std::string longest = One(23);
  EXPECT_NE(longest.find("TC1002,3,3,600<ETX>"), std::string::npos);
  EXPECT_LE(Wire(longest).size(), 124U);
}

TEST_F(CutterCommandTest, FeedCommandsByModelAndTool) {
  EXPECT_EQ(One(102), "<ESC>.C21;258:");
  EXPECT_EQ(One(116), "<ESC>.C21;4:");
  ctx.cutterModel = 2;
  EXPECT_EQ(One(102), "<ESC>.C21;274:");
  EXPECT_EQ(One(116), "<ESC>.C21;18:");
  ctx.creasingInstalled = 1;
  ctx.creasingVariant = 1;
  EXPECT_EQ(One(102), "<ESC>.C21;18:");
  ctx.cutterModel = 1;
  EXPECT_EQ(One(102), "<ESC>.C21;2:");
}

TEST_F(CutterCommandTest, MoveToFirstMarkTakesTheFirstRuleThatApplies) {
  // s = 450 (45 mm), d = 80, headCross 1300. The cross step is relative: the record of the
  // head's cross position follows it.
  EXPECT_EQ(One(111), "O-1600,1300<ETX>O1480,0<ETX>");
  EXPECT_EQ(ctx.headCross, 2600);
  auto One = [this](int number) {
    ctx.headCross = 1300;
    return CutterCommandTest::One(number);
  };
  ctx.markMode = 2;
  EXPECT_EQ(One(111), "O-1600,1300<ETX>O1470,0<ETX>");
  ctx.edgeMode = 1;
  EXPECT_EQ(One(111), "O-1600,1300<ETX>O1330,0<ETX>");
  // A short job's pull-back wins over edge and mark mode; in edge mode its return stays 15 mm
  // short of the marks' form, as the long edge form's is (330 = 80 - 450 + 700).
  ctx.jobWidth = 269.9F;
  EXPECT_EQ(One(111), "O-600,1300<ETX>O330,0<ETX>");
  ctx.creasingInstalled = 1;
  ctx.creasingVariant = 2;
  EXPECT_EQ(One(111), "O-600,0<ETX>O330,0<ETX>");
  ctx.jobWidth = 300.0F;
  EXPECT_EQ(One(111), "O-1600,-1600<ETX>O1330,0<ETX>");
  ctx.creasingVariant = 1;
  EXPECT_EQ(One(111), "O-1600,0<ETX>O1330,0<ETX>");
  ctx.edgeMode = 0;
  ctx.jobWidth = 100.0F;  // creasing without edge mode wins over a short job
  EXPECT_EQ(One(111), "O-1600,0<ETX>O1530,0<ETX>");
  ctx.creasingVariant = 2;
  EXPECT_EQ(One(111), "O-1600,-1600<ETX>O1530,0<ETX>");

  // Inches: 1.5 in is 381 tenths of a millimetre.
  ctx.creasingInstalled = 0;
  ctx.markMode = 0;
  ctx.jobWidth = 100.0F;
  EXPECT_EQ(One(111), "O-600,1300<ETX>O480,0<ETX>");
  ctx.jobWidth = 300.0F;
  ctx.unitFactor = 25.4;
  in.labelStep = 1.5;
  EXPECT_EQ(One(111), "O-1600,1300<ETX>O1549,0<ETX>");
}

TEST_F(CutterCommandTest, ParkHeadAndWideMedia) {
  EXPECT_EQ(One(112), "TC3,7,1<ETX>M8500,1500<ETX>M8500,1300<ETX>");
  in.dashedLineOn = true;
  ctx.wideCarriage = 1;
  ctx.headCross = 110;
  EXPECT_EQ(One(112), "TC3,14,1<ETX>M14500,1500<ETX>M14500,110<ETX>");

  EXPECT_EQ(One(113), "TC1000,2,1<ETX>");  // model 1
  ctx.cutterModel = 2;
  const std::pair<int, const char*> widths[] = {
      {300, "TC1000,2,1<ETX>"},         {301, "TC1000,2,1,0,-3400<ETX>"},
      {350, "TC1000,2,1,0,-8300<ETX>"}, {362, "TC1000,2,1,0,-9500<ETX>"},
      {363, "TC1000,2,1,0,-9500<ETX>"}, {1200, "TC1000,2,1,0,-9500<ETX>"},
  };
  for (const auto& [width, text] : widths) {
    ctx.mediaWidth = width;
    EXPECT_EQ(One(113), text) << width << " mm";
  }
}

TEST_F(CutterCommandTest, EjectSheetWithAndWithoutCreasingTool) {
  EXPECT_EQ(One(119), "M9900,0<ETX>TC36<ETX>");
  ctx.creasingInstalled = 1;
  ctx.creasingVariant = 2;
  EXPECT_EQ(One(119), "M0,120<ETX>");
}

TEST_F(CutterCommandTest, CalibrationCutVariantsOverOneOpen) {
  // 320 mm media: w = 3140, W = 1485. The square is read where a first mark is read: the head
  // at twice the parked 1200.
  EXPECT_EQ(Sent(130),
            std::vector<std::string>{"TC3,7,1<ETX>M0,1000<ETX>D0,1050<ETX>M0,3140<ETX>D40,3140<ETX>"
                                     "D40,3100<ETX>D0,3100<ETX>D0,3140<ETX>M90,2400<ETX>"});
  EXPECT_EQ(ctx.headCross, 2400);

  const char* kTrace = "O0,120<LF>E0,80<LF>E0,-200<LF>E100,0<LF>E-100,200<LF>";
  ctx.creasingInstalled = 1;
  ctx.creasingVariant = 2;
  EXPECT_EQ(Sent(130),
            (std::vector<std::string>{kTrace,
                                      "M0,3450<ETX>D40,3450<ETX>D40,3410<ETX>D0,3410<ETX>"
                                      "D0,3450<ETX>M150,200<ETX>D100,0<ETX>M90,1<ETX>"}));
  EXPECT_EQ(ctx.headCross, 0);

  ctx.creasingVariant = 1;
  EXPECT_EQ(Sent(130), (std::vector<std::string>{
                           kTrace,
                           "TC3,7,1<ETX>M0,2250<ETX>D0,2290<ETX>M0,3140<ETX>D40,3140<ETX>"
                           "D40,3100<ETX>D0,3100<ETX>D0,3140",
                           "M0,1485<ETX>D40,1485<ETX>D40,1445<ETX>D0,1445<ETX>"
                           "D0,1485<ETX>M150,200<ETX>D100,0<ETX>M90,1<ETX>"}));
}

TEST_F(CutterCommandTest, ToolChangesTrackTheHead) {
  EXPECT_EQ(One(140),
            "O0,-1180<LF>E0,5<LF>O0,400<LF>O0,-400<LF>E0,-120<LF>O100,0<LF>E100,0<LF>"
            "O100,0<LF>O-100,105<LF>");
  EXPECT_EQ(ctx.headCross, 110);
  EXPECT_EQ(One(150), "O0,10<LF>E0,-115<LF>,E-100,0<LF>,E100,100<LF>");
  EXPECT_EQ(One(151), "O0,95<LF>O0,-90<LF>");
  EXPECT_EQ(ctx.headCross, 110);
}

TEST_F(CutterCommandTest, TextsThatCannotBeFormattedAreRefusedWhole) {
  in.dashedUpLength = 100'000'000;  // each value fits an int, the whole text does not fit
  in.dashedCutLength = 100'000'000;
  in.dashedSpeed = 100'000'000;
  EXPECT_EQ(CutterCommand(20, ctx, in, link), kCommandTextTooLong);
  in.dashedUpLength = std::numeric_limits<int>::max();  // times 20 is no int at all
  EXPECT_EQ(CutterCommand(20, ctx, in, link), kCommandTextTooLong);
  in.labelStep = std::nan("");
  EXPECT_EQ(CutterCommand(111, ctx, in, link), kCommandTextTooLong);
  ctx.headCross = std::numeric_limits<int>::min();
  EXPECT_EQ(CutterCommand(140, ctx, in, link), kCommandTextTooLong);
  EXPECT_EQ(ctx.headCross, std::numeric_limits<int>::min());  // a refused change moves nothing
  ctx.specialMode = 7;
  EXPECT_EQ(CutterCommand(23, ctx, in, link), kCommandTextTooLong);
  EXPECT_TRUE(transport.opens.empty());
}

TEST_F(CutterCommandTest, LinkErrorsAreReturned) {
  transport.writeError = kCutterIoError;
  EXPECT_EQ(CutterCommand(99, ctx, in, link), kCutterIoError);
  ctx.creasingInstalled = 1;
  EXPECT_EQ(CutterCommand(130, ctx, in, link), kCutterIoError);
  transport.openError = kCutterFileNotFound;
  EXPECT_EQ(CutterCommand(99, ctx, in, link), kCutterFileNotFound);
  EXPECT_EQ(CutterCommand(130, ctx, in, link), kCutterFileNotFound);
  EXPECT_TRUE(transport.OpenHandles().empty());
  EXPECT_EQ(transport.misuse, 0);
}

TEST_F(CutterCommandTest, InitCutterSequenceAndWaits) {
  InitCutter(ctx, in, link, clock);
  std::vector<std::string> texts;
  for (const auto& write : transport.writes) texts.push_back(Readable(write.bytes));
  EXPECT_EQ(texts, (std::vector<std::string>{"TC1010,4,1<ETX>", "TC1007,1,0<ETX>",
                                             "TC1006,4,10000000<ETX>", "TC1002,3,1,500<ETX>",
                                             "TC1002,5,1,2<ETX>", "TC1002,16,1,Label Media<ETX>",
                                             "TC1008,2,2000<ETX>", "TC1004,11,0<ETX>"}));
  EXPECT_EQ(transport.opens.size(), 8U);
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 100, 500}));
  EXPECT_EQ(ctx.dashCutValue, 200);
  EXPECT_EQ(ctx.dashUpValue, 200);
  EXPECT_EQ(ctx.statusStep, 150);
}

TEST_F(CutterCommandTest, CreaseAndBladeButtons) {
  CreaseButton(ctx, in, link, clock);
  ASSERT_EQ(transport.writes.size(), 2U);
  EXPECT_EQ(Readable(transport.writes[0].bytes), "TC3,7,1<ETX>M8500,1500<ETX>M8500,110<ETX>");
  EXPECT_EQ(Readable(transport.writes[1].bytes).substr(0, 10), "O0,10<LF>E");
  EXPECT_EQ(clock.Sleeps(), std::vector<int>{100});

  ctx.headCross = 2000;
  BladeButton(ctx, in, link, clock);
  ASSERT_EQ(transport.writes.size(), 5U);
  EXPECT_EQ(Readable(transport.writes[2].bytes), "TC3,7,1<ETX>M8500,1500<ETX>M8500,110<ETX>");
  EXPECT_EQ(Readable(transport.writes[3].bytes), "O0,10<LF>E0,-115<LF>,E-100,0<LF>,E100,100<LF>");
  EXPECT_EQ(Readable(transport.writes[4].bytes), "O0,95<LF>O0,-90<LF>");
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100}));
}

TEST_F(CutterCommandTest, JogBackwardRefusedAtTheOrigin) {
  ctx.mediaPosition = 0;
  EXPECT_FALSE(JogPress(JogButton::kUp, ctx, in, link));
  EXPECT_TRUE(transport.writes.empty());
  ctx.mediaPosition = 12;
  EXPECT_TRUE(JogPress(JogButton::kUp, ctx, in, link));
  EXPECT_TRUE(JogPress(JogButton::kDown, ctx, in, link));
  JogRelease(ctx, in, link);
  EXPECT_EQ(Readable(transport.AllBytes()), "<ESC>.C21;258:<ESC>.C21;1:<ESC>.C21;0:");
}

}  // namespace
}  // namespace orvex
