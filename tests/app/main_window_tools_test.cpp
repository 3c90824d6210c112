// The tool and jog buttons, and Init Cutter as a blocking sequence.
#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

TEST_F(MainWindowModelTest, InitCutterDefersTicksToItsEndAndRunsTheSequence) {
  std::vector<int> ticksSeen;
  clock.duringSleep = [&] {
    ticksSeen.push_back(model->Ticks());
    model->OnTimer();
    model->OnTimer();
  };
  model->OnInitCutter();
  clock.duringSleep = nullptr;
  ASSERT_FALSE(ticksSeen.empty());
  for (int seen : ticksSeen) EXPECT_EQ(seen, 0);
  EXPECT_EQ(model->Ticks(), 1);  // every tick that arrived meanwhile ran as one, afterwards
  EXPECT_EQ(view.cursorLog, (std::vector<bool>{true, false}));
  EXPECT_EQ(run.dashCutValue, 200);
  EXPECT_EQ(run.dashUpValue, 200);
  EXPECT_EQ(cutterTransport.opens.size(), 8U);
}

TEST_F(MainWindowModelTest, ToolButtonsAndJogSendTheirCommandsWithTheirPauses) {
  view.Click(kCreaseButton);
  EXPECT_EQ(cutterTransport.opens.size(), 2U);  // 112, then 140
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100}));
  view.Click(kBladeButton);
  EXPECT_EQ(cutterTransport.opens.size(), 5U);  // 112, 150, 151
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100}));
  view.Click(kCycleButton);
  EXPECT_EQ(run.cycleState, 1);
  EXPECT_EQ(run.headCross, 110);
  view.Click(kCycleButton);
  EXPECT_EQ(run.cycleState, 0);
  view.Click(kWidenButton);
  EXPECT_EQ(view.widenedPast, std::make_pair(kWidenButton, 25));

  const std::size_t sent = cutterTransport.opens.size();
  run.mediaPosition = 0.05;
  model->OnJogPress(true);
  EXPECT_EQ(model->OperatorMessages().back(), "Cannot move negative to the origin");
  EXPECT_EQ(cutterTransport.opens.size(), sent);
  model->OnJogRelease();  // no jog was started: nothing to stop
  EXPECT_EQ(cutterTransport.opens.size(), sent);

  model->Enable(kCutTestButton, true);
  model->OnJogPress(false);
  EXPECT_EQ(run.statusStep, 150);
  EXPECT_EQ(cutterTransport.opens.size(), sent + 1);
  model->OnJogRelease();
  EXPECT_EQ(cutterTransport.opens.size(), sent + 2);
  EXPECT_EQ(run.statusStep, 38);
  EXPECT_EQ(run.displayState, 1);
  EXPECT_FALSE(model->State(kCutTestButton).enabled);
  model->OnJogRelease();
  EXPECT_EQ(cutterTransport.opens.size(), sent + 2);
}

}  // namespace
}  // namespace orvex::test
