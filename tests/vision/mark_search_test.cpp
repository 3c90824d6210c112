// The mark search's attempt count and its time-out, and frames of another size. Where a drawn
// square is found is held by the findmark rows of the transcripts; marks with blur and noise are
// the twin camera's test.
#include "vision/mark_search.h"

#include <gtest/gtest.h>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

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
