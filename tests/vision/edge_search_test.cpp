// Sheet edge search: the side and end edges, their thresholds, and the 36th attempt's time-out.
#include "vision/edge_search.h"

#include <gtest/gtest.h>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

// Row 400 dark up to column 299, light from 300; optionally column 320 dark up to row 199.
CameraFrame SheetFrame(bool withEnd) {
  CameraFrame frame = UniformFrame(220);
  for (int c = 0; c < 300; ++c) SetGrey(frame, c, 400, 20);
  if (withEnd) {
    for (int r = 0; r < 200; ++r) SetGrey(frame, 320, r, 20);
  }
  return frame;
}

TEST(EdgeSearch, SideEdgeAndEndEdge) {
  const MarkPoint side = LocateSheetEdge(SheetFrame(false), false);
  EXPECT_FLOAT_EQ(side.col, 299.0F);
  EXPECT_FLOAT_EQ(side.row, 240.0F);

  const MarkPoint end = LocateSheetEdge(SheetFrame(true), true);
  EXPECT_FLOAT_EQ(end.col, 299.0F);
  EXPECT_FLOAT_EQ(end.row, 199.0F);
}

TEST(EdgeSearch, StrengthThresholdAndDirection) {
  const auto withRow = [](int dark, int light) {
    CameraFrame frame = UniformFrame(light);
    for (int c = 0; c < 300; ++c) SetGrey(frame, c, 400, dark);
    return frame;
  };
  EXPECT_TRUE(LocateSheetEdge(withRow(160, 227), false).Found());
  EXPECT_FALSE(LocateSheetEdge(withRow(160, 226), false).Found());
  // Light up to column 299, dark after: a fall, never taken however strong.
  EXPECT_FALSE(LocateSheetEdge(withRow(250, 0), false).Found());
  // Not a 640x480 frame: nothing is read.
  CameraFrame shortFrame = SheetFrame(false);
  shortFrame.bytes.resize(1000);
  EXPECT_FALSE(LocateSheetEdge(shortFrame, false).Found());
}

TEST(EdgeSearch, MissingEndEdgeKeepsCountingAndASuccessResets) {
  RunContext context;
  context.runPhase = kEndOfSheetPhase;
  RecordingActions actions;
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(FindSheetEdge(SheetFrame(false), context, actions).Found());
  EXPECT_EQ(context.searchAttempts, 3);
  EXPECT_TRUE(FindSheetEdge(SheetFrame(true), context, actions).Found());
  EXPECT_EQ(context.searchAttempts, 0);
}

TEST(EdgeSearch, TheThirtySixthMissGivesUp) {
  const CameraFrame paper = UniformFrame(220);
  for (int phase : {1, kEndOfSheetPhase}) {
    RunContext context;
    context.runPhase = phase;
    context.waitingForMark = 1;
    context.creasingVariant = 1;
    context.headCross = 7;
    RecordingActions actions;
    actions.sheets = 5;
    for (int i = 0; i < 35; ++i) FindSheetEdge(paper, context, actions);
    EXPECT_TRUE(actions.log.empty());
    FindSheetEdge(paper, context, actions);
    const std::string message = phase == kEndOfSheetPhase ? std::string(kEndTimeoutMessage)
                                                          : std::string(kEdgeTimeoutMessage);
    // No feeder notice and no end of the run, unlike the mark search.
    EXPECT_EQ(actions.log, (std::vector<std::string>{"message " + message, "command 119"}));
    EXPECT_EQ(context.headCross, 110);
    EXPECT_EQ(context.waitingForMark, 0);
    EXPECT_EQ(context.searchAttempts, 0);
  }
  RunContext plain;
  plain.searchAttempts = 35;
  plain.headCross = 7;
  RecordingActions actions;
  FindSheetEdge(paper, plain, actions);
  EXPECT_EQ(plain.headCross, 7);  // no creasing tool: the head stays
}

}  // namespace
}  // namespace orvex::test
