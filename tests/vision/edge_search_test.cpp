// Sheet edge search: a frame of another size, and the 36th attempt.
#include "vision/edge_search.h"

#include <gtest/gtest.h>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

const Rect kBedOnRow400{0, 400, 300, 1};
const Rect kBedOnColumn320{320, 0, 1, 200};

// Where drawn edges are found is held by the findmark rows of the transcripts; findmark refuses
// a short frame before the search sees it.
TEST(EdgeSearch, AFrameOfAnotherSizeIsNeverRead) {
  CameraFrame shortFrame = Drawn(kPaper, {kBedOnRow400});
  shortFrame.bytes.resize(1000);
  EXPECT_FALSE(LocateSheetEdge(shortFrame, false).Found());
}

// Unlike the mark search's, the give-up sends no feeder notice and does not end the run.
TEST(EdgeSearch, TheThirtySixthMissGivesUpAndAFindResetsTheCount) {
  for (int phase : {1, kEndOfSheetPhase}) {
    for (int creasing : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "phase " << phase << " creasing " << creasing);
      RunContext context;
      context.runPhase = phase;
      context.waitingForMark = 1;
      context.creasingVariant = creasing;
      context.headCross = 7;
      RecordingActions actions;
      actions.sheets = 5;
      const CameraFrame paper = Drawn(kPaper);
      for (int i = 0; i < 35; ++i) FindSheetEdge(paper, context, actions);
      EXPECT_TRUE(actions.log.empty());
      FindSheetEdge(paper, context, actions);
      const std::string_view message =
          phase == kEndOfSheetPhase ? kEndTimeoutMessage : kEdgeTimeoutMessage;
      EXPECT_EQ(actions.log,
                (std::vector<std::string>{"message " + std::string(message), "command 119"}));
      EXPECT_EQ(context.headCross, creasing != 0 ? 110 : 7);
      EXPECT_EQ(context.waitingForMark, 0);
      context.searchAttempts = 30;
      EXPECT_TRUE(
          FindSheetEdge(Drawn(kPaper, {kBedOnRow400, kBedOnColumn320}), context, actions).Found());
      EXPECT_EQ(context.searchAttempts, 0);
    }
  }
}

}  // namespace
}  // namespace orvex::test
