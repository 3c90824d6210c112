// Transmission of a sheet where the runs on the twin do not go: the centring tolerance, damaged
// points, the compensations, edge mode's marker distances, the creasing tool, mark mode 2, and the
// refusals that end a run. Where the head ends is followed from the texts and held to figures
// worked by hand; the normal stream, its corrections and that it lands on the print are held by
// the run transcripts.
#include "run/cut_sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "run/cut_order.h"
#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/memory_feeder_transport.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

struct RecordingEvents : RunEvents {
  std::vector<std::string> messages;
  int finished = 0;
  void ShowMessage(std::string_view text, MessageIcon) override { messages.emplace_back(text); }
  void FinishJob() override { ++finished; }
};

// The head as the cutter would follow the per-point moves: positions in 0.01 mm.
struct Head {
  long long feed = 0;
  long long cross = 0;
  bool operator==(const Head&) const = default;
};

bool IsPointText(const std::string& t) {
  return t.size() > 3 && (t[0] == 'O' || t[0] == 'E') && t.back() == '\n' &&
         t.find(',') != std::string::npos && t.find("TB") == std::string::npos;
}

// The job's marks at 10 and 210 mm, 220 x 100 mm, on 300 mm media; the camera 8 mm along the feed
// and 9.9 mm across from the cut origin, 0.1 mm to the pixel; the frame's centre at (320, 240).
struct SheetFixture : ::testing::Test {
  test::TempDir dir;
  WorkDir work{dir.Path()};
  RunContext ctx;
  test::MemoryCutterTransport cutterWire;
  test::MemoryFeederTransport feederWire;
  CutterLink cutter{cutterWire, ctx};
  FeederLink feeder{feederWire};
  test::ManualClock clock;
  RecordingEvents events;
  SheetCutPorts ports{cutter, feeder, clock, events};
  SheetCutFields fields;
  CutterCommandInputs inputs;

  void SetUp() override {
    ctx.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
    ctx.cutterModel = 1;
    ctx.firstMarkPos = 10.0F;
    ctx.secondMarkPos = 210.0F;
    ctx.jobWidth = 220.0F;
    ctx.jobHeight = 100.0F;
    ctx.mediaWidth = 300;
    ctx.headCross = 1300;
    ctx.markScale = 0.1;
    ctx.cameraOffsetX = 80;
    ctx.cameraOffsetY = 99;
    feederWire.devices = {test::MemoryFeederTransport::Feeder("/dev/hidraw0")};
    ASSERT_TRUE(feeder.OpenSheetFeeder());
  }

  SheetCutResult Step(int phase, float col, float row) {
    ctx.runPhase = phase;
    ctx.markAcceptedCol = col;
    ctx.markAcceptedRow = row;
    return CutSheet(ctx, work, fields, inputs, ports);
  }
  // Both marks centred: the whole sheet from the first mark on.
  SheetCutResult CentredSheet() {
    Step(1, 320, 240);
    return Step(2, 320, 240);
  }

  // Follows the per-point texts from the head over the second mark (feed 210 mm, cross 130 mm),
  // up to the last point (the clearing move after it is not counted).
  Head Follow() const {
    Head head{21000, 13000};
    std::vector<std::string> texts = cutterWire.Texts();
    std::size_t last = texts.size();
    while (last > 0 && !IsPointText(texts[last - 1])) --last;
    for (std::size_t i = 0; i + 1 < last; ++i) {
      double f = 0, c = 0;
      if (!IsPointText(texts[i]) || std::sscanf(texts[i].c_str() + 1, "%lf,%lf", &f, &c) != 2) {
        continue;
      }
      head.feed += -std::llround(f * 10.0);  // the feed is sent negated, in 0.1 mm
      head.cross += std::llround(c * 10.0);
    }
    return head;
  }
};

TEST_F(SheetFixture, FirstMarkIsCentredBeforeTheSheetMovesToTheSecond) {
  ctx.waitingForMark = 0;  // the run loop clears it before calling
  Step(1, 320, 260);
  EXPECT_EQ(cutterWire.Texts(), std::vector<std::string>{"O20.0,0.0\x03"});
  EXPECT_EQ(ctx.waitingForMark, 1);

  cutterWire.writes.clear();
  Step(1, 330, 250);  // 10 pixels off: close enough
  // On to the second mark, at the larger job coordinate: sent negated like every such move.
  EXPECT_EQ(cutterWire.Texts(), std::vector<std::string>{"O-2000.0,0.0\x03"});

  // Creasing variant 2 moves the head across as well.
  cutterWire.writes.clear();
  ctx.creasingVariant = 2;
  Step(1, 320, 240);
  EXPECT_EQ(cutterWire.Texts(), std::vector<std::string>{"O-2000.0,-2030.0\x03"});
  EXPECT_EQ(ctx.headCross, 110);

  // Any other phase sends nothing at all.
  cutterWire.writes.clear();
  Step(-1, 320, 240);
  EXPECT_TRUE(cutterWire.writes.empty());
  EXPECT_TRUE(feederWire.writes.empty());
}

// The damaged points (no number, far off the sheet) are skipped; their neighbours are cut where
// they belong.
TEST_F(SheetFixture, CentredMarksCutEachPointAtTheCutOrigin) {
  dir.Write("sortx.prn",
            "M 20.00 30.00\nL nan 30.00\nL 50.00 30.00\nL 1e30 30.00\nC 50.00 62.50\nA\n");
  const SheetCutResult r = CentredSheet();
  ASSERT_TRUE(r.streamed);
  EXPECT_EQ(r.points, 3);
  // (50, 62.5): feed 58.0 mm, cross 300 - (9.9 + 60.5) = 229.6 mm.
  EXPECT_EQ(Follow(), (Head{5800, 22960}));
  EXPECT_TRUE(cutterWire.OpenHandles().empty());
}

TEST_F(SheetFixture, CompensationsAndRecentringSetTheScales) {
  dir.Write("sortx.prn", "A\n");
  fields.compensationWidth = 10;  // 1.0 mm over marks 200 mm apart
  fields.compensationHeight = 5;  // 0.5 mm over the job's 100 mm
  SheetCutResult r = CentredSheet();
  EXPECT_DOUBLE_EQ(r.feedScale, 1.005);
  EXPECT_DOUBLE_EQ(r.crossScale, 1.005);

  // Two re-centrings of the second mark add up; the second must not replace the first. Each
  // found the mark at a larger row, which lies at a smaller job coordinate: the marks are
  // 3.5 mm nearer each other than printed, (200 - 3.5 + 1) / 200 = 0.9875.
  Step(1, 320, 240);
  Step(2, 320, 260);
  EXPECT_EQ(cutterWire.Texts().back(), "O20.0,0.0\x03");
  EXPECT_EQ(ctx.waitingForMark, 1);
  Step(2, 320, 255);
  EXPECT_NEAR(Step(2, 320, 240).feedScale, 0.9875, 1e-12);
}

// A half-inch first-marker distance and a quarter inch across, the edge found 1 mm before the
// centre: F0 = 8 - 2 - 12.7 = -6.7 mm, C0 = 9.9 + 2 + 6.35 = 18.25 mm; (50, 30) is cut at feed
// 43.3 mm and cross 300 - (18.25 + 28) = 253.75 mm. The edge offset does not scale the job.
TEST_F(SheetFixture, EdgeModeMeasuresFromTheSheetEdgeByTheMarkerDistances) {
  dir.Write("sortx.prn", "M 20.00 30.00\nL 50.00 30.00\nA\n");
  ctx.edgeMode = 1;
  ctx.unitFactor = 25.4;
  inputs.labelStep = 0.5;
  fields.firstMarkerCross = 0.25;
  Step(1, 320, 230);
  EXPECT_DOUBLE_EQ(Step(2, 320, 240).feedScale, 1.0);
  EXPECT_EQ(Follow(), (Head{4330, 25375}));
  fields.compensationWidth = 10;  // 1.0 mm over the marks' 200 mm
  Step(1, 320, 240);
  EXPECT_DOUBLE_EQ(Step(2, 320, 240).feedScale, 1.005);
}

TEST_F(SheetFixture, CutTestWithCreasingToolPutsTheBladeBackFirst) {
  dir.Write("sortx.prn", "A\n");
  ctx.creasingInstalled = 1;
  ctx.cutterAnswered = true;
  ctx.cutTestArmed = true;
  CentredSheet();
  // The move to the second mark, 150, 151 (each over its own open), the blade, the clearing.
  const std::vector<std::string> t = cutterWire.Texts();
  ASSERT_EQ(t.size(), 5U);
  EXPECT_EQ(t[1], "O0,10\nE0,-115\n,E-100,0\n,E100,100\n");  // 150 from the head parked at 110
  EXPECT_EQ(t[3], "TC1002,1,1\x03");
  EXPECT_EQ(clock.Sleeps(), std::vector<int>{100});
  EXPECT_EQ(cutterWire.opens.size(), 4U);
  EXPECT_EQ(fields.sheetCount, 0);  // a test sheet is not counted
}

TEST_F(SheetFixture, WithoutCropMarksNothingFromAnEarlierSheetSkewsTheCut) {
  dir.Write("sortx.prn", "A\n");
  fields.withoutCropMarks = true;
  ctx.secondMarkFeedCorrection = 5.0;
  ctx.firstMarkFeedOffset = 2.0;
  EXPECT_DOUBLE_EQ(Step(2, 100, 300).feedScale, 1.0);
  // From the first mark (10) to the second (210).
  EXPECT_EQ(cutterWire.Texts().front(), "O-2000.0,0.0\x03");
  EXPECT_EQ(ctx.statusStep, 80);
}

TEST_F(SheetFixture, MarkModeTwoFramesTheJobAndNeverSendsItsBorder) {
  ctx.markMode = 2;
  fields.withoutCropMarks = true;
  inputs.labelStep = 45.0;
  // The border rectangle, then one inner contour.
  dir.Write("sortx.prn",
            "M 0.00 0.00\nL 220.00 0.00\nL 220.00 100.00\nL 0.00 100.00\nL 0.00 0.00\n"
            "M 20.00 30.00\nL 20.00 40.00\nL 0.005 50.00\nA\n");
  const SheetCutResult r = Step(2, 320, 240);
  ASSERT_TRUE(r.streamed);
  EXPECT_EQ(r.points, 2);
  std::vector<std::string> t = cutterWire.Texts();
  const std::vector<std::string> expected = {
      "O-2200.0,0.0\nTB51,12\n",
      "O-150.0,-300.0\n",  // (45 - 30) x -10 and ((300 - 100) / 2 - 130) x 10
      "TB99\n",
      "TB24 2200 1000\n",
      "TC1002,1,1\x03",
      "O2000.0,700.0\n",  // from (220, 0) to (20, 100 - 30)
      "E-0.0,-100.0\n",
      "TB0\n",
      "O-3400.0,600.0\n",  // from (20, 60) to 140 mm past the job's end, cross 120
  };
  ASSERT_GT(t.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + 9), expected);
  EXPECT_EQ(t[9].rfind("TB", 0), std::string::npos);  // command 118 closes the sheet
}

TEST_F(SheetFixture, SpecialContoursAreCutWithTheirToolFirst) {
  // As the import leaves it: special contours, a blank line, the cut contours, "A". The ordering
  // puts the end of the special section where the tool changes.
  const std::string special = "M 30.00 30.00\nL 40.00 30.00\n\n";
  dir.Write("sort.prn", special + "O 60.00 30.00\nL 70.00 30.00\nA");
  ctx.specialCount = 1;
  ctx.importSpecialEnd = static_cast<long>(special.size());
  ctx.importFirstMark = 10.0F;
  ctx.importSecondMark = 210.0F;
  ASSERT_TRUE(OrderCuts(ctx, work).ok);
  // Modes 3 and 4 change to the creasing tool (140) first, which sits 25 mm back, and at the
  // special section's end back to the blade (150, 151), then 4 mm on: 20 - 4 mm to (60, 30).
  // (Mode 0's special tool, 5 mm along the feed, cuts the special contour of every transcript.)
  for (int mode : {3, 4}) {
    cutterWire.writes.clear();
    ctx.specialMode = mode;
    ctx.headCross = 1300;  // the blade's change left it over the last special point
    CentredSheet();
    const std::vector<std::string> t = cutterWire.Texts();
    ASSERT_EQ(t.size(), 11U) << mode;
    EXPECT_EQ(t[3], "O1470.0,1321.0\n");  // 5 mm short of mode 0's 1670, then 25 mm back
    EXPECT_EQ(t[8], "O-160.0,0.0\n");
    EXPECT_EQ(clock.Sleeps().back(), 100);
  }
}

TEST_F(SheetFixture, UnusableGeometryOrNoSortedFileNeverReachesTheCutter) {
  dir.Write("sortx.prn", "M 20.00 30.00\nL 50.00 30.00\nA\n");
  const std::pair<const char*, void (*)(RunContext&)> refusals[] = {
      {"no mark distance", [](RunContext& c) { c.secondMarkPos = c.firstMarkPos; }},
      {"no job width", [](RunContext& c) { c.jobWidth = 0.0F; }},
      {"no job height", [](RunContext& c) { c.jobHeight = 0.0F; }},
      {"not a number", [](RunContext& c) { c.firstMarkCrossOffset = std::nan(""); }},
      {"no camera scale",
       [](RunContext& c) { c.markScale = std::numeric_limits<double>::infinity(); }},
  };
  const RunContext sound = ctx;
  for (const auto& [what, spoil] : refusals) {
    SCOPED_TRACE(what);
    ctx = sound;
    spoil(ctx);
    events = {};
    EXPECT_TRUE(Step(2, 320, 240).abandoned);
    EXPECT_EQ(events.finished, 1);
    EXPECT_EQ(events.messages.size(), 1U);
  }
  // The first mark is not even centred on a sheet that cannot be registered.
  ctx = sound;
  ctx.secondMarkPos = 5.0F;
  EXPECT_TRUE(Step(1, 320, 300).abandoned);
  EXPECT_TRUE(cutterWire.writes.empty());

  // Without the sorted file the run ends after the move to the second mark, nothing counted.
  std::filesystem::remove(dir.File("sortx.prn"));
  ctx = sound;
  events = {};
  EXPECT_TRUE(CentredSheet().abandoned);
  EXPECT_EQ(events.messages, std::vector<std::string>{"Graphic source not available"});
  EXPECT_EQ(events.finished, 1);
  EXPECT_EQ(cutterWire.writes.size(), 1U);
  EXPECT_EQ(fields.sheetCount, 0);
  EXPECT_EQ(ctx.runPhase, -1);
}

}  // namespace
}  // namespace orvex
