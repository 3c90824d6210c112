// Sheet edge search: the side and end edges, the side edge's strength, and the 36th attempt.
#include "vision/edge_search.h"

#include <gtest/gtest.h>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

// Row 400 reads the side edge, column 320 the end edge; a rise's strength is the three values
// before it less the three after it, and the side edge needs -200.
const Rect kBedOnRow400{0, 400, 300, 1};
const Rect kBedOnColumn320{320, 0, 1, 200};

struct Edge {
  const char* what;
  int paper;
  std::vector<Rect> rects;
  bool endPhase;
  float col, row;  // col < 0: no edge
};

const Edge kEdges[] = {
    {"the side edge", kPaper, {kBedOnRow400}, false, 299.0F, 240.0F},
    {"the side and end edges", kPaper, {kBedOnRow400, kBedOnColumn320}, true, 299.0F, 199.0F},
    {"the sheet's end not yet in view", kPaper, {kBedOnRow400}, true, -1, 0},
    {"a rise of 67 on 227: strength -201", 227, {{0, 400, 300, 1, 160}}, false, 299.0F, 240.0F},
    {"strength -200", 227, {{0, 400, 300, 1, 160}, {298, 400, 1, 1, 161}}, false, 299.0F, 240.0F},
    {"strength -199", 227, {{0, 400, 300, 1, 160}, {297, 400, 2, 1, 161}}, false, -1, 0},
    {"a fall, however strong", 0, {{0, 400, 300, 1, 250}}, false, -1, 0},
};

TEST(EdgeSearch, DrawnEdges) {
  for (const Edge& e : kEdges) {
    SCOPED_TRACE(e.what);
    const MarkPoint found = LocateSheetEdge(Drawn(e.paper, e.rects), e.endPhase);
    if (e.col < 0) {
      EXPECT_FALSE(found.Found());
      continue;
    }
    EXPECT_FLOAT_EQ(found.col, e.col);
    EXPECT_FLOAT_EQ(found.row, e.row);
  }
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
