// Mark search on drawn squares: where the search window and the run scan end, what a mark may
// measure, and the attempt count's time-out. Marks with blur and noise are the twin camera's test.
#include "vision/mark_search.h"

#include <gtest/gtest.h>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

// The centre is hand-worked from the search's passes: the row is the mean top plus half the
// mean run; the column is the mean of the last light column before the left side and the first
// light column after the right side (the first of two equal edge responses wins), each looked
// for 21..36 columns from the records' mean column. col < 0: no mark.
struct Drawing {
  const char* what;
  int paper;
  std::vector<Rect> rects;
  float col, row;
  bool inverted = false;
};

// clang-format off
const Drawing kDrawings[] = {
    {"the reference square",           kPaper, {Square(300, 200, 46)}, 322.0F, 223.0F},
    {"31 light rows above it",         kPaper, {Square(300, 111, 46)}, 322.0F, 134.0F},
    {"30 light rows above it",         kPaper, {Square(300, 110, 46)}, -1, 0},
    {"its run ends on the scan's end", kPaper, {Square(300, 333, 46)}, 322.0F, 356.0F},
    {"its run ends past the scan",     kPaper, {Square(300, 334, 46)}, -1, 0},
    {"12 columns inside the window",   kPaper, {Square(110, 200, 46)}, 132.5F, 223.0F},
    {"9 columns inside the window",    kPaper, {Square(100, 200, 46)}, -1, 0},
    {"7 columns inside the window",    kPaper, {Square(500, 200, 46)}, -1, 0},
    {"42 rows",                        kPaper, {Square(300, 200, 42)}, -1, 0},
    {"43 rows",                        kPaper, {Square(300, 200, 43)}, 320.5F, 221.5F},
    {"60 rows",                        kPaper, {Square(300, 200, 60)}, 329.0F, 230.0F},
    // From 70 rows the last light column before the left side lies 37 columns from the mean
    // column, beyond where it is looked for: the first dark column stands in for it.
    {"70 rows",                        kPaper, {Square(300, 200, 70)}, 334.5F, 235.0F},
    {"71 rows",                        kPaper, {Square(300, 200, 71)}, 335.0F, 235.5F},
    {"72 rows",                        kPaper, {Square(300, 200, 72)}, -1, 0},
    {"46 wide and 80 tall",            kPaper, {{300, 200, 46, 80}}, -1, 0},
    // Ink 110 on paper 150: the threshold, 4 x (bin 0 + paper bin 18) = 72, lies below both.
    {"low contrast",                   150, {Square(300, 200, 46, 110)}, -1, 0},
    {"two squares side by side",       kPaper, {Square(200, 200, 46), Square(400, 200, 46)}, -1, 0},
    {"a lower second square",          kPaper, {Square(200, 200, 46), Square(400, 260, 46)},
                                       222.0F, 223.0F},
    {"light on dark",                  kInk, {Square(300, 200, 46, kPaper)}, -1, 0},
    {"light on dark, read inverted",   kInk, {Square(300, 200, 46, kPaper)}, 322.0F, 223.0F, true},
};
// clang-format on

TEST(MarkSearch, DrawnSquares) {
  for (const Drawing& d : kDrawings) {
    SCOPED_TRACE(d.what);
    const MarkPoint found = LocateMark(Drawn(d.paper, d.rects), d.inverted);
    if (d.col < 0) {
      EXPECT_FALSE(found.Found());
      continue;
    }
    ASSERT_TRUE(found.Found());
    EXPECT_FLOAT_EQ(found.col, d.col);
    EXPECT_FLOAT_EQ(found.row, d.row);
  }
}

// A find starts the count again; the 66th miss after it gives up, in order, and ends a job of
// more than one sheet; with one sheet the run goes on.
TEST(MarkSearch, TheSixtySixthMissGivesUpInOrderAndAFindResetsTheCount) {
  const CameraFrame paper = Drawn(kPaper);
  RunContext context;
  context.waitingForMark = 1;
  RecordingActions actions;
  actions.sheets = 2;
  for (int i = 0; i < 40; ++i) FindMark(paper, context, actions);
  EXPECT_TRUE(FindMark(Drawn(kPaper, {Square(300, 200, 46)}), context, actions).Found());
  for (int i = 0; i < 65; ++i) FindMark(paper, context, actions);
  EXPECT_TRUE(actions.log.empty());
  FindMark(paper, context, actions);
  EXPECT_EQ(actions.log, (std::vector<std::string>{"feeder " + std::string(kCuttingNotice) + " 100",
                                                   "message Marker not found timeout",
                                                   "command 119", "finish"}));
  EXPECT_EQ(context.waitingForMark, 0);
  EXPECT_EQ(context.searchAttempts, 0);
  actions.sheets = 1;
  for (int i = 0; i < 66; ++i) FindMark(paper, context, actions);
  EXPECT_EQ(actions.log.back(), "command 119");
}

TEST(MarkSearch, AFrameOfAnotherSizeIsNeverReadButCounts) {
  CameraFrame small = Drawn(kPaper, {Square(300, 200, 46)});
  small.bytes.resize(kFrameBytes / 4);  // a 320x240 delivery that kept the 640x480 size
  EXPECT_FALSE(LocateMark(small, false).Found());
  CameraFrame relabelled = Drawn(kPaper, {Square(300, 200, 46)});
  relabelled.width = 320;
  relabelled.height = 240;
  RunContext context;
  RecordingActions actions;
  EXPECT_FALSE(FindMark(relabelled, context, actions).Found());
  EXPECT_EQ(context.searchAttempts, 1);
}

}  // namespace
}  // namespace orvex::test
